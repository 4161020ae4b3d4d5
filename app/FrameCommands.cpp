// The main window's commands: the base picture, the tone sliders, the filters and conversions, the
// reductions and rotations, and the caption with the three boxes that describe the picture.

#include "app/Frame.h"
#include "app/Histgram.h"

#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <cmath>
#include <cstdio>

namespace {

// 10 raised to Position / 60, in extended precision: -30 gives 0.32, 30 gives 3.16.
long double GammaOf(int Position)
{
    return std::pow(10.0L, static_cast<long double>(Position) / 60.0L);
}

} // namespace

bool TForm1::PictureIsEditable() const
{
    const TPictureType Type = KelvoImage1.PictureType();
    return Type != picNil && Type != picIcon;
}

void TForm1::HideTrimAreaIfShown()
{
    if (A1->isChecked()) A1Click();
}

void TForm1::EnsureBitmap()
{
    if (dynamic_cast<const TBitmap*>(KelvoImage1.Picture().Graphic()) == nullptr) ApplyAdjustments();
}

void TForm1::Refresh()
{
    UpdateCaption();
    UpdateHistogram();
}

void TForm1::ResetToneSliders()
{
    Tag = -1;
    TrackBar5->setValue(0);
    TrackBar4->setValue(0);
    TrackBar3->setValue(100);
    TrackBar2->setValue(100);
    Tag = 0;
}

void TForm1::StoreBase()
{
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    if (Graphic == nullptr) return;
    auto Base = std::make_unique<TBitmap>();
    // A bitmap is copied, a JPEG picture decoded, anything else drawn at (0, 0) at its own size. The view
    // draws a JPEG picture from its decoded pixels too, so it is decoded once, for both.
    RunGraphicWork(Graphic, [&Base, Graphic] {
        if (const auto* Jpeg = dynamic_cast<const TJPEGImage*>(Graphic))
            *Base = Jpeg->Bitmap();
        else
            Base->Assign(*Graphic);
    });
    FBaseBitmap = std::move(Base);
}

void TForm1::ApplyAdjustments()
{
    const bool Shown = A1->isChecked();
    if (Shown) {
        HideTrimArea();
        A1->setChecked(false);
        T1->setEnabled(false);
    }
    KelvoImage1.Picture().SetGraphic(FBaseBitmap.get());
    // Always all four, Light, Gamma, Contrast, Bright, also at their neutral values.
    KelvoImage1.AdjustTones(TrackBar5->value(), GammaOf(TrackBar4->value()), TrackBar3->value(), TrackBar2->value());
    if (Shown) {
        ShowTrimArea();
        A1->setChecked(true);
        T1->setEnabled(true);
    }
}

void TForm1::RestoreBase()
{
    if (KelvoImage1.PictureType() != picBitmap) return;
    ResetToneSliders();
    KelvoImage1.Picture().SetGraphic(FBaseBitmap.get());
    Refresh();
}

void TForm1::Button2Click()
{
    HideTrimAreaIfShown();
    StoreBase();
    ResetToneSliders();
}

void TForm1::U1Click()
{
    HideTrimAreaIfShown();
    RestoreBase();
}

void TForm1::O1Click()
{
    HideTrimAreaIfShown();
    const std::string Path = FPicturePath;
    LoadPicture(Path);
    UpDown[10]->setValue(-1);
}

void TForm1::Exit1Click()
{
    HideTrimAreaIfShown();
    close();
}

void TForm1::Button3Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Level = UpDown[1]->value();
    RunPictureWork([this, Level] { KelvoImage1.Automatic(Level); });
    Button2Click();
    Refresh();
}

void TForm1::Button4Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Level = UpDown[2]->value();
    RunPictureWork([this, Level] { KelvoImage1.Edge(Level); });
    Refresh();
}

void TForm1::Button5Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Level = UpDown[3]->value();
    RunPictureWork([this, Level] { KelvoImage1.Median(Level); });
    Refresh();
}

void TForm1::Button6Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    RunPictureWork([this] { KelvoImage1.Blur(); });
    Refresh();
}

void TForm1::Button7Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Level = UpDown[4]->value();
    RunPictureWork([this, Level] { KelvoImage1.Sobel(Level, true); });
    Refresh();
}

void TForm1::Button8Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int BlockSize = UpDown[5]->value();
    RunPictureWork([this, BlockSize] { KelvoImage1.Mosaic(BlockSize); });
    Refresh();
}

void TForm1::Button9Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Levels = UpDown[6]->value();
    RunPictureWork([this, Levels] { KelvoImage1.Posterization(Levels); });
    Refresh();
}

void TForm1::Button10Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Level = UpDown[7]->value();
    RunPictureWork([this, Level] { KelvoImage1.Sobel(Level, false); });
    Refresh();
}

void TForm1::Button11Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    const bool LightFromLeft = RadioButton1->isChecked();
    EnsureBitmap();
    const int FrameWidth = UpDown[8]->value();
    const int Contrast = UpDown[9]->value();
    RunPictureWork([=, this] { KelvoImage1.Framing(FrameWidth, Contrast, LightFromLeft); });
    Refresh();
}

void TForm1::Button12Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    RunPictureWork([this] { KelvoImage1.GrayScale(); });
    Refresh();
}

void TForm1::Button13Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    RunPictureWork([this] { KelvoImage1.Sepia(); });
    Refresh();
}

void TForm1::Button14Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    RunPictureWork([this] { KelvoImage1.Negative(); });
    Refresh();
}

void TForm1::Button15Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    const int Level = UpDown[10]->value();
    int Threshold = Level;
    RunPictureWork([this, Level, &Threshold] { KelvoImage1.BlackAndWhite(Level, Threshold); });
    // -1 asks the operation to choose; the spin box then shows what it chose.
    if (UpDown[10]->value() == -1) UpDown[10]->setValue(Threshold);
    Refresh();
}

void TForm1::ReduceCommand(TReduceMode Mode)
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    RunPictureWork([this, Mode] { KelvoImage1.Reduce(Mode); });
    Button2Click();
    Refresh();
}

void TForm1::Octree2561Click()
{
    ReduceCommand(rmOctree);
}

void TForm1::MedianCut2561Click()
{
    ReduceCommand(rmMedianCut);
}

void TForm1::MedianCutByVariance2561Click()
{
    ReduceCommand(rmMedianCutByVariance);
}

void TForm1::MedianCut2562Click()
{
    ReduceCommand(rmMedianCutDiffusion);
}

void TForm1::MedianCut2563Click()
{
    ReduceCommand(rmMedianCutByVarianceDiffusion);
}

void TForm1::N4Click()
{
    ReduceCommand(rmStaticColorDiffusion);
}

void TForm1::PixelFormat2561Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    // The picture layer's conversion onto the halftone palette.
    RunPictureWork([this] { KelvoImage1.Picture().Bitmap().SetPixelFormat(pf8bit); });
    Button2Click();
    Refresh();
}

void TForm1::TurnCommand(int Angle)
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    KelvoImage1.SetStretch(false);
    const int Width = KelvoImage1.Width();
    const int Height = KelvoImage1.Height();
    RunPictureWork([this, Angle] { KelvoImage1.Turn(Angle); });
    // A quarter turn swaps the displayed size, so the zoom stays what it was.
    if (Angle != 180) KelvoImage1.SetBounds(KelvoImage1.Left(), KelvoImage1.Top(), Height, Width);
    KelvoImage1.SetStretch(true);
    Button2Click();
    UpdateCaption();
}

void TForm1::N901Click()
{
    TurnCommand(90);
}

void TForm1::N1801Click()
{
    TurnCommand(180);
}

void TForm1::N2701Click()
{
    TurnCommand(270);
}

void TForm1::R1Click()
{
    if (!PictureIsEditable()) return;
    HideTrimAreaIfShown();
    EnsureBitmap();
    RunPictureWork([this] { KelvoImage1.Reverse(); });
    Button2Click();
    UpdateCaption();
}

void TForm1::ToneSliderChanged()
{
    if (Tag == -1 || !PictureIsEditable()) return;
    ApplyAdjustments();
    Refresh();
}

void TForm1::TrackBar2Change()
{
    Label3->setText(QString::fromUtf8("明るさ ( %1 % )").arg(TrackBar2->value()));
    ToneSliderChanged();
}

void TForm1::TrackBar3Change()
{
    Label5->setText(QString::fromUtf8("コントラスト ( %1 % )").arg(TrackBar3->value()));
    ToneSliderChanged();
}

void TForm1::TrackBar4Change()
{
    char Value[32];
    std::snprintf(Value, sizeof Value, "%.2Lf", GammaOf(TrackBar4->value()));
    Label7->setText(QString::fromUtf8("ガンマ値 ( %1 )").arg(QLatin1String(Value)));
    ToneSliderChanged();
}

void TForm1::TrackBar5Change()
{
    const int Position = TrackBar5->value();
    // Negative positions carry their own sign.
    Label9->setText(QString::fromUtf8("輝度 ( %1%2 )").arg(Position >= 0 ? "+" : "").arg(Position));
    ToneSliderChanged();
}

const TBitmap& TForm1::DescribedBitmap() const
{
    if (const auto* Bitmap = dynamic_cast<const TBitmap*>(KelvoImage1.Picture().Graphic())) return *Bitmap;
    return *FBaseBitmap;
}

int TForm1::GraphicKindIndex() const
{
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    if (Graphic == nullptr) return 0;
    if (dynamic_cast<const TJPEGImage*>(Graphic) != nullptr) return 1;
    if (dynamic_cast<const TBitmap*>(Graphic) != nullptr) return 2;
    if (dynamic_cast<const TMetafile*>(Graphic) != nullptr) return 3;
    if (dynamic_cast<const TIcon*>(Graphic) != nullptr) return 4;
    return 5;
}

int TForm1::PixelFormatIndex() const
{
    // TPixelFormat lists the formats in the order of ComboBox2.
    return int(DescribedBitmap().PixelFormat());
}

int TForm1::HandleTypeIndex() const
{
    return DescribedBitmap().HandleType() == bmDDB ? 1 : 0;
}

void TForm1::UpdateCaption()
{
    const int Kind = GraphicKindIndex();
    const int Format = PixelFormatIndex();
    const int Handle = HandleTypeIndex();
    if (KelvoImage1.Picture().Graphic() != nullptr) {
        const TBitmap& Described = DescribedBitmap();
        FDimensionText =
            "  ( " + std::to_string(KelvoImage1.Width()) + " × " + std::to_string(KelvoImage1.Height()) + " )";
        // A device-dependent bitmap is described by the screen layout it is held in; asking for its
        // section here would convert it behind the handle-type box's back.
        const int Bits = Described.Empty() ? 0 : Described.BitCount();
        FColorText = "  -  " + std::to_string(Bits) + " bit Color";
        static const char* const FormatNames[] = {"pfDevice", "pf1bit",  "pf4bit",  "pf8bit",  "pf15bit",
                                                  "pf16bit",  "pf24bit", "pf32bit", "pfcustom"};
        FFormatText = std::string(" ( ") + FormatNames[Format] + " - " + (Handle == 0 ? "bmDIB )" : "bmDDB )");
        setWindowTitle(QString::fromStdString(FPictureName + FSizeText + FDimensionText + FColorText + FFormatText));
    } else {
        FPicturePath.clear();
        FPictureName.clear();
        FSizeText.clear();
        FDimensionText.clear();
        FColorText.clear();
        FFormatText.clear();
        setWindowTitle(QStringLiteral("Pixora"));
    }
    ComboBox1->setCurrentIndex(Kind);
    ComboBox2->setCurrentIndex(Format);
    ComboBox3->setCurrentIndex(Handle);
}

void TForm1::ComboBox2Change()
{
    const int Current = PixelFormatIndex();
    const int Chosen = ComboBox2->currentIndex();
    if (Chosen == Current || KelvoImage1.PictureType() != picBitmap) {
        ComboBox2->setCurrentIndex(Current);
        return;
    }
    KelvoImage1.Picture().Bitmap().SetPixelFormat(TPixelFormat(Chosen));
    Refresh();
}

void TForm1::ComboBox3Change()
{
    const int Current = HandleTypeIndex();
    const int Chosen = ComboBox3->currentIndex();
    if (Chosen == Current || KelvoImage1.PictureType() != picBitmap) {
        ComboBox3->setCurrentIndex(Current);
        return;
    }
    KelvoImage1.Picture().Bitmap().SetHandleType(Chosen == 1 ? bmDDB : bmDIB);
    Refresh();
}

void TForm1::UpdateHistogram()
{
    if (!Form2->isVisible()) return;
    // The trimming rectangle is drawn into the picture's pixels, so it is erased while they are counted.
    const bool Shown = A1->isChecked();
    if (Shown) DrawTrimRect();
    try {
        Form2->DrawHistogram(KelvoImage1);
    } catch (...) {
        if (Shown) DrawTrimRect();
        throw;
    }
    if (Shown) DrawTrimRect();
}

void TForm1::H1Click()
{
    // The window reports its opening and closing back through H1's check mark.
    if (H1->isChecked())
        Form2->close();
    else
        Form2->show();
}
