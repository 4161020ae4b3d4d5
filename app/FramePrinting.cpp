// The printing commands of the main window: the printer setup and the print preview.

#include "app/Frame.h"
#include "app/Preview.h"
#include "platform/system/Printer.h"

#include <QPrintDialog>
#include <QPrinter>

void TForm1::T2Click()
{
    // The printer, paper and orientation chosen become the current printer's.
    QPrinter* Device = Printer().Device();
    if (Device == nullptr) return;
    QPrintDialog Dialog(Device, this);
    Dialog.setWindowTitle(QStringLiteral("印刷設定"));
    Dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    if (Dialog.exec() == QDialog::Accepted) Printer().Refit();
}

void TForm1::V1Click()
{
    TForm3 Form3(KelvoImage1.Picture(), this);
    Form3.exec();
}
