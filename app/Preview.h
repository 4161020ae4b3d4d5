#pragma once
// TForm3: the print-preview window. Made afresh for each showing, modal, always on top: a top bar
// (Panel1) with "Nil" (Button1), the label of the picture layer's correction factors (Label1) and
// "印刷..." (Button2), over the preview (GraphicPreview1) of the main window's picture.

#include <QDialog>

class QLabel;
class QPushButton;
class TGraphicPreview;
class TPicture;

class TForm3 : public QDialog
{
public:
    // Source: the main window's picture, which must outlive the window.
    explicit TForm3(const TPicture& Source, QWidget* Owner = nullptr);
    ~TForm3() override;
    TForm3(const TForm3&) = delete;
    TForm3& operator=(const TForm3&) = delete;

    QWidget* Panel1;
    QPushButton* Button1;
    QLabel* Label1;
    QPushButton* Button2;
    TGraphicPreview* GraphicPreview1;

    // At each showing: placement 100 mm from the paper's corner at 100 %, sheets at 30 %, a copy of the
    // main window's picture, and the label.
    void FormShow();
    // "Nil": the paper-information page.
    void Button1Click();
    // "印刷...": every sheet in order on the current printer, through the system's print dialog (copies,
    // pages), or into a PDF file the user names where there is no printer.
    void Button2Click();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // Runs a handler as the application's handler does: an error's message in a box, then carry on.
    void RunHandler(void (TForm3::*Handler)());

    const TPicture& FSource;
};
