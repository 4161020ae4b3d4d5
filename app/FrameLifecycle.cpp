// The main window's start and close, with the settings they load and save.

#include "app/Frame.h"
#include "app/Histgram.h"
#include "app/WindowPlacement.h"

#include "platform/controls/Dialogs.h"

#include <QAction>
#include <QCloseEvent>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <exception>

void TForm1::showEvent(QShowEvent* Event)
{
    QMainWindow::showEvent(Event);
    if (FShown) return;
    FShown = true;
    RunHandler(&TForm1::FormShow);
}

void TForm1::closeEvent(QCloseEvent* Event)
{
    // The close that the system asks for while a command's work runs waits for the end of that command.
    if (FBusy) {
        Event->ignore();
        FDeferredHandlers.push_back([this] { close(); });
        return;
    }
    RunHandler(&TForm1::FormCloseQuery);
    // Closing is always allowed, and the histogram window goes with this one.
    Form2->hide();
    Event->accept();
}

TSettingsValues TForm1::CurrentSettings() const
{
    TSettingsValues Values;
    Values.Main = PlacementOf(*this, QSize(0, 0));
    for (std::size_t Index = 0; Index < Values.Levels.size(); ++Index)
        Values.Levels[Index] = UpDown[Index + 1]->value();
    Values.LightFromLeft = RadioButton1->isChecked();
    Values.OpenDir = FOpenDir;
    Values.SaveDir = FSaveDir;
    Values.Smooth = S1->isChecked();
    Values.Histogram = Form2->Placement();
    Values.HistogramOpen = H1->isChecked();
    return Values;
}

void TForm1::ApplySettings(const TSettingsValues& Values)
{
    PlaceWindow(*this, Values.Main, TSettingsValues{}.Main, QSize(0, 0));
    for (std::size_t Index = 0; Index < Values.Levels.size(); ++Index)
        UpDown[Index + 1]->setValue(Values.Levels[Index]);
    (Values.LightFromLeft ? RadioButton1 : RadioButton2)->setChecked(true);
    FOpenDir = Values.OpenDir;
    FSaveDir = Values.SaveDir;
    Form2->ApplyPlacement(Values.Histogram);
}

void TForm1::FormShow()
{
    Parameter1.LoadSettings();
    TSettingsValues Values = CurrentSettings();
    std::vector<std::string> Errors;
    if (Parameter1.Count() < 1) {
        // A first start: the window's own values become the settings, written to disk at close.
        WriteFirstStartSettings(Parameter1, Values);
    } else {
        // A bad key keeps the window's value; the other keys still apply.
        Errors = ReadSettings(Parameter1, Values);
        ApplySettings(Values);
    }
    if (Values.Smooth) S1Click();
    FPicturePath.clear();
    FPictureName.clear();
    FSizeText.clear();
    FDimensionText.clear();
    FColorText.clear();
    FFormatText.clear();
    KelvoImage1.Picture().SetGraphic(nullptr);
    FBaseBitmap = std::make_unique<TBitmap>();
    FTrimRect = Rect(0, 0, 100, 100);
    // The histogram window opens once this window is on the screen (this handler runs just before), so
    // that the window manager knows the window it belongs to and keeps it above that one.
    // The handler may wait for a command's work and outlive this call, so it holds its own copies.
    std::function<void()> Finish = [this, Errors, Open = Values.HistogramOpen] { FinishStart(Errors, Open); };
    QMetaObject::invokeMethod(
        this, [this, Finish] { RunHandler(Finish); }, Qt::QueuedConnection);
}

void TForm1::FinishStart(const std::vector<std::string>& Errors, bool HistogramOpen)
{
    // The histogram window's keys are among those read at start, and reported with them.
    Form2->SetReportsSettingsErrors(false);
    if (HistogramOpen && !H1->isChecked()) H1Click();
    Form2->SetReportsSettingsErrors(true);
    // Every bad key in one message box, one a line.
    if (!Errors.empty()) ShowErrorMessage(this, JoinedLines(Errors));
}

void TForm1::FormCloseQuery()
{
    WriteSettings(Parameter1, CurrentSettings());
    // A settings file that cannot be written is reported after the rest of the close has run.
    std::exception_ptr SaveError;
    try {
        Parameter1.SaveValues();
    } catch (...) {
        SaveError = std::current_exception();
    }
    // The base goes with the window; an empty one stands in for the commands that may still run.
    FBaseBitmap = std::make_unique<TBitmap>();
    DeleteScratchCopy();
    if (SaveError) std::rethrow_exception(SaveError);
}
