#pragma once
// TForm2: the histogram window. A tool window of the main window (above it, below the program's dialogs
// and other programs' windows), it shows the blue, green and red levels of the main window's picture as
// DrawHistogram draws them, scaled to its client area. It keeps
// its placement in the main window's settings ("HLeft" .. "HWindowState") and is hidden, not destroyed,
// when closed.
//
// The main window wires it in a few lines:
//   Form2->OnDrawRequest = [this] { UpdateHistogram(); };   // at each showing, once the placement is set
//   Form2->OnOpenChanged = [this](bool Open) { H1->setChecked(Open); };
//   H1Click:          Form2->isVisible() ? Form2->close() : Form2->show();  (a checkable QAction has
//                     already flipped its check when it triggers; OnOpenChanged sets it right)
//   UpdateHistogram:  if Form2->isVisible(): erase the trimming rectangle, Form2->DrawHistogram(KelvoImage1),
//                     draw it again.

#include "app/Settings.h"
#include "platform/controls/Image.h"

#include <QWidget>
#include <functional>

class TKelvoImage;
class TParameter;
class TImageView;

class TForm2 : public QWidget
{
public:
    // Parameter: the main window's settings, which must outlive the window; Parent: the main window.
    // Created hidden.
    explicit TForm2(TParameter& Parameter, QWidget* Parent = nullptr);
    ~TForm2() override;
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    // The histogram drawing, stretched to the client area (its view is named "Image1").
    TImage Image1;

    // Image1 := the histogram of Source, drawn by DrawHistogram into a new metafile with Scale 2
    // (572 × 350), Shift 2 (64 classes a channel) and the vertical maximum chosen from the data.
    void DrawHistogram(TKelvoImage& Source);

    // Called at each showing once the placement is read, for the main window to draw the histogram.
    std::function<void()> OnDrawRequest;
    // Called with true once the window is shown and with false once it is closed.
    std::function<void(bool Open)> OnOpenChanged;

    // The window's placement: left and top of its client area, its outer width and height, its state.
    TWindowPlacement Placement() const;
    // Fitted to the screens' available area.
    void ApplyPlacement(const TWindowPlacement& Placement);

    // Whether a showing reports the bad placement keys in a message box (the main window's start reports
    // them among all the others).
    void SetReportsSettingsErrors(bool Value) { FReportsSettingsErrors = Value; }

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    // Reads the placement from the settings (a bad key keeps its value; the messages are shown together, one a line),
    // asks for the drawing and reports the window open.
    void FormShow();
    // Writes the placement into the settings (a maximised window keeps its normal bounds there) and
    // reports the window closed.
    void FormCloseQuery();

    TParameter& FParameter;
    TImageView* FView;
    bool FReportsSettingsErrors = true;
};
