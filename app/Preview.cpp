#include "app/Preview.h"

#include "app/InterfaceFont.h"
#include "platform/controls/Dialogs.h"
#include "platform/graphics/Picture.h"
#include "platform/system/Printer.h"
#include "preview/GrphPrev.h"
#include "preview/PrintPages.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TForm3::TForm3(const TPicture& Source, QWidget* Owner) : QDialog(Owner), FSource(Source)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setFont(InterfaceFont());
    resize(378, 321);
    if (const QScreen* Screen = screen()) move(Screen->availableGeometry().center() - rect().center());

    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(0);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(41);
    Button1 = new QPushButton(QStringLiteral("Nil"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 8, 73, 25);
    Label1 = new QLabel(QStringLiteral("MScaleFactor = "), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(112, 16);
    Button2 = new QPushButton(QStringLiteral("印刷..."), Panel1);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(296, 8, 73, 25);
    GraphicPreview1 = new TGraphicPreview(this);
    GraphicPreview1->setObjectName(QStringLiteral("GraphicPreview1"));
    Layout->addWidget(Panel1);
    Layout->addWidget(GraphicPreview1);

    connect(Button1, &QPushButton::clicked, this, [this] { RunHandler(&TForm3::Button1Click); });
    connect(Button2, &QPushButton::clicked, this, [this] { RunHandler(&TForm3::Button2Click); });
}

TForm3::~TForm3() = default;

void TForm3::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    RunHandler(&TForm3::FormShow);
}

void TForm3::RunHandler(void (TForm3::*Handler)())
{
    try {
        (this->*Handler)();
    } catch (const std::exception& Error) {
        ShowErrorMessage(this, Error.what());
    }
}

void TForm3::FormShow()
{
    GraphicPreview1->SetGraphicMode(gmGraphic);
    GraphicPreview1->SetPrintPosMM(TDoublePoint{100.0, 100.0});
    GraphicPreview1->SetPreviewRatio(30);
    GraphicPreview1->SetPrintRatio(100);
    GraphicPreview1->SetGraphic(FSource.Graphic());
    const TPrinterInfo Info = GraphicPreview1->GetPrinterInfo();
    Label1->setText(QStringLiteral("MScaleFactor = %1 × %2 %").arg(Info.MetafileScaleX).arg(Info.MetafileScaleY));
    Label1->adjustSize();
}

void TForm3::Button1Click()
{
    GraphicPreview1->MakePaperInfo();
}

void TForm3::Button2Click()
{
    const int Count = GraphicPreview1->HorzPageCount() * GraphicPreview1->VertPageCount();
    QPrinter* Device = Printer().Device();
    if (Count == 0 || Device == nullptr) return;
    int From = 1, To = Count;
    if (Device->outputFormat() == QPrinter::PdfFormat) {
        const std::optional<std::string> Name =
            ExecuteFileDialog(this, TFileDialogRequest{true, "", "Pixora.pdf", "PDF (*.pdf)|*.pdf"});
        if (!Name) return;
        Device->setOutputFileName(QString::fromStdString(*Name));
    } else {
        Device->setPrintRange(QPrinter::AllPages);
        Device->setFromTo(0, 0);
        QPrintDialog Dialog(Device, this);
        Dialog.setMinMax(1, Count);
        Dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        if (Dialog.exec() != QDialog::Accepted) return;
        Printer().Refit();
        if (Device->printRange() == QPrinter::PageRange) {
            From = Device->fromPage();
            To = Device->toPage();
        }
    }
    QProgressDialog Progress(QStringLiteral("印刷中..."), QStringLiteral("キャンセル"), 0, To - From + 1, this);
    Progress.setWindowModality(Qt::WindowModal);
    Progress.setMinimumDuration(500);
    PrintPreviewPages(*GraphicPreview1, *Device, From, To, [&](int Done, int) {
        Progress.setValue(Done);
        QCoreApplication::processEvents();
        return !Progress.wasCanceled();
    });
}
