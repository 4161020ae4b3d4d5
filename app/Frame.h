#pragma once
// TForm1: the editor's main window. It owns the picture component KelvoImage1 in a scroll box, the left
// panel of sliders, spin boxes and buttons, the main menu and the base picture, the bitmap of the last
// commit. Filters work on the displayed picture without committing; the tone sliders rebuild the
// displayed picture from the base on every change; OK (Button2) and the geometric, reduction and
// correction commands commit. Every handler runs inside RunHandler, which shows an error's message in a
// message box and lets the program carry on.

#include "app/Param.h"
#include "app/Settings.h"
#include "dragdrop/DropBMPSource.h"
#include "dragdrop/DropMetaSource.h"
#include "dragdrop/DropPictureTarget.h"
#include "engine/KelvoImg.h"
#include "platform/graphics/Bitmap.h"
#include "platform/system/Clipboard.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QVBoxLayout;
class TForm2;
class TImageView;

// The clipboard format "JFIF" (a JPEG file), registered and bound to the JPEG picture class on first use;
// the main window's constructor makes that first use.
TClipboardFormat JfifClipboardFormat();

// The zoom label's text at Zoom percent.
QString ZoomLabelText(int Zoom);

// A metafile's size then follows from its extent at the screen's logical resolution; other graphics are
// left alone.
void SwitchToPhysicalMeasure(TGraphic* Graphic);

class TForm1 : public QMainWindow
{
public:
    explicit TForm1(QWidget* Parent = nullptr);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The picture component; its view sits at (8, 8) in ScrollBox1.
    TKelvoImage KelvoImage1;
    // The settings, loaded when the window is first shown and saved when it closes.
    TParameter Parameter1;
    // Drags of the picture out of the window and drops onto ScrollBox1.
    TComponentPtr<TDropBMPSource> DropBMPSource1;
    TComponentPtr<TDropMetaSource> DropMetaSource1;
    TComponentPtr<TDropPictureTarget> DropPictureTarget1;
    // The histogram window, made hidden after this window; it reads and writes its placement through
    // Parameter1.
    std::unique_ptr<TForm2> Form2;

    // The base picture: the picture as it was at the last commit.
    void StoreBase();
    // Rebuilds the displayed picture from the base with the four tone sliders applied.
    void ApplyAdjustments();
    // Undo: the displayed picture returns to the base and the tone sliders to neutral.
    void RestoreBase();
    // Loads a picture file and resets the tone sliders, the zoom and the base; an empty Path does nothing.
    void LoadPicture(const std::string& Path);
    // The copy of a pasted or dropped picture that the reload command reads, beside the executable.
    void SaveScratchCopy();
    void DeleteScratchCopy();
    // StoreBase, then SaveScratchCopy; a bitmap's two copies are made at once.
    void StoreBaseAndScratchCopy();
    // Caption and the three boxes from the picture; called after every change of it.
    void UpdateCaption();
    // Redraws the histogram window when it is open.
    void UpdateHistogram();
    // Positions in ComboBox1, ComboBox2 and ComboBox3 of the picture's kind, pixel format and handle type.
    int GraphicKindIndex() const;
    int PixelFormatIndex() const;
    int HandleTypeIndex() const;

    // Commands of the panel and the menu.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button8Click();
    void Button9Click();
    void Button10Click();
    void Button11Click();
    void Button12Click();
    void Button13Click();
    void Button14Click();
    void Button15Click();
    void TrackBar1Change();
    void TrackBar2Change();
    void TrackBar3Change();
    void TrackBar4Change();
    void TrackBar5Change();
    void ComboBox1Change();
    void ComboBox2Change();
    void ComboBox3Change();
    void Open1Click();
    void Save1Click();
    void Copy1Click();
    void Paste1Click();
    void Exit1Click();
    void U1Click();
    void O1Click();
    void A1Click();
    void T1Click();
    void S1Click();
    void H1Click();
    void T2Click();
    void V1Click();
    void Octree2561Click();
    void MedianCut2561Click();
    void MedianCutByVariance2561Click();
    void MedianCut2562Click();
    void MedianCut2563Click();
    void N4Click();
    void PixelFormat2561Click();
    void N901Click();
    void N1801Click();
    void N2701Click();
    void R1Click();
    // Mouse press on the picture at control pixel (X, Y): places the trimming rectangle while it is shown.
    void KelvoImage1MouseDown(Qt::MouseButton Button, int X, int Y);
    // Mouse move over the picture with Buttons and Modifiers held: starts a drag of the picture.
    void KelvoImage1MouseMove(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Modifiers, int X, int Y);
    // The drop target's OnDrop: the dropped picture or picture file is taken in as a paste takes it.
    void DropPictureTarget1Drop();

    // The trimming rectangle, drawn into the picture's pixels with an inverting pen.
    void ShowTrimArea();
    void HideTrimArea();
    void DrawTrimRect();

    // State the window keeps besides its controls.
    const std::string& PicturePath() const { return FPicturePath; }
    const std::string& PictureName() const { return FPictureName; }
    const std::string& OpenDir() const { return FOpenDir; }
    const std::string& SaveDir() const { return FSaveDir; }
    const TBitmap& BaseBitmap() const { return *FBaseBitmap; }
    TRect TrimRect() const { return FTrimRect; }
    TPoint DownPoint() const { return FDownPoint; }

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Layout (FrameLayout.cpp).
    void CreateControls();
    QWidget* CreateBrightnessTab();
    QWidget* CreateQualityTab();
    QWidget* CreateConversionTab();
    QWidget* CreateBottomBox();
    // The zoom label and the OK button beside it, in the fixed width of the panel.
    void FitZoomRow();
    void CreateMenu();
    void ConnectHandlers();
    QSlider* AddTrackBar(QVBoxLayout* Layout, const char* Name, int Min, int Max, int Position, int LineStep,
                         int PageStep, int Tick, const char* Legend, const char* LegendName);
    QSpinBox* AddSpinBox(QWidget* Parent, const char* EditName, const char* UpDownName, int Min, int Max, int Start);
    QPushButton* AddButton(QWidget* Parent, const char* Name, const char* Caption, const char* Hint);
    QAction* AddItem(QMenu* Menu, const char* Name, const char* Caption, void (TForm1::*Handler)());

    // Runs Handler as the application's handler runs a command: an error's message in a message box,
    // after which the program carries on. A handler started while a command waits for its picture work
    // (by a timer or the system, user input being held back) runs once that command is done.
    void RunHandler(void (TForm1::*Handler)());
    void RunHandler(const std::function<void()>& Handler);
    void RunDeferredHandlers();
    // Runs the picture work of a command off the user-interface thread (RunOffInterfaceThread), with
    // the busy cursor when it takes a while. Work may change the picture but no widget: the view's
    // repaints and the control's moves it asks for are held back and made when it is done.
    void RunPictureWork(const std::function<void()>& Work);
    // Runs Work through RunPictureWork when Graphic is a bitmap or a JPEG picture, whose drawing needs
    // neither the screen nor its fonts, and here otherwise.
    void RunGraphicWork(const TGraphic* Graphic, const std::function<void()>& Work);
    // The file of the scratch copy of the picture's graphic, named after its kind.
    std::string ScratchCopyPath() const;

    // The steps of the command table (FrameCommands.cpp).
    bool PictureIsEditable() const; // Guard: neither empty nor an icon
    void HideTrimAreaIfShown();     // Hide
    void EnsureBitmap();            // Bitmap
    void Refresh();                 // UpdateCaption, UpdateHistogram
    // The tone sliders to neutral with Tag at -1, so their handlers only follow with the labels.
    void ResetToneSliders();
    void ReduceCommand(TReduceMode Mode);
    void TurnCommand(int Angle);
    // The bitmap the caption and the boxes describe: the picture's when it is one, else the base.
    const TBitmap& DescribedBitmap() const;
    // The label of a tone slider, then the picture from the base unless the sliders are being reset.
    void ToneSliderChanged();

    // Files (FrameFiles.cpp).
    // The control shows the picture at Zoom, through TrackBar1's handler when Zoom is not its position.
    void SizeControlForZoom(int Zoom);
    // The emptied picture with neutral sliders, zoom 100 and no stretching: the start of a load or paste.
    void ClearForNewPicture();
    // Draws the picture's graphic stretched to the displayed size into a new bitmap.
    std::unique_ptr<TBitmap> DisplayedBitmap() const;
    // Records the picture's graphic stretched to the displayed size into a new metafile.
    std::unique_ptr<TGraphic> DisplayedMetafile(bool Enhanced) const;
    // The picture := a JPEG picture of the clipboard's "JFIF" data.
    void PasteJpeg();
    // Opens File as the open dialog's choice does.
    void TakeInFile(const std::string& File);
    // The steps after the picture has been placed by a paste or a drop; How names the way it came.
    void TakeInPicture(const std::string& How);

    // Drag and drop (FrameDragDrop.cpp): ScrollBox1 accepts drops from creation to destruction.
    void FormCreate();
    void FormDestroy();

    // Life cycle (FrameLifecycle.cpp).
    void FormShow();
    // The steps of the start that wait until the window is on the screen: the histogram window opens
    // when HistogramOpen, and the messages of the settings' bad keys appear, in one message box.
    void FinishStart(const std::vector<std::string>& Errors, bool HistogramOpen);
    void FormCloseQuery();
    // The values the settings keep, as the window and its controls hold them now.
    TSettingsValues CurrentSettings() const;
    // Sets the window and its controls from Values, apart from the smooth and histogram options.
    void ApplySettings(const TSettingsValues& Values);

    // Controls, named as their objectName.
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* ScrollContent = nullptr;
    // Owned here rather than by its parent widget: it must go before KelvoImage1, which it watches.
    std::unique_ptr<TImageView> ImageView;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QPushButton* Button[16] = {};
    QSlider* TrackBar1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QSlider* TrackBar3 = nullptr;
    QSlider* TrackBar4 = nullptr;
    QSlider* TrackBar5 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label9 = nullptr;
    QSpinBox* UpDown[11] = {};
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QAction* A1 = nullptr;
    QAction* T1 = nullptr;
    QAction* S1 = nullptr;
    QAction* H1 = nullptr;

    TPoint FDownPoint;
    std::string FOpenDir;
    std::string FSaveDir;
    std::string FPicturePath;
    std::string FPictureName;
    std::string FSizeText;
    std::string FDimensionText;
    std::string FColorText;
    std::string FFormatText;
    std::unique_ptr<TBitmap> FBaseBitmap;
    TRect FTrimRect = Rect(0, 0, 100, 100);
    // While -1 the tone sliders' handlers only update their labels.
    int Tag = 0;
    bool FShown = false;
    // While a command's picture work runs on the worker thread.
    bool FBusy = false;
    std::vector<std::function<void()>> FDeferredHandlers;
};
