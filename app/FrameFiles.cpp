// Pictures entering and leaving the main window through files: loading with the zoom rule, the scratch
// copy that the reload command reads, the open and save dialogs, and the graphic-type box.

#include "app/Frame.h"
#include "app/FrameRules.h"

#include "platform/controls/Dialogs.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/system/Exceptions.h"
#include "platform/system/FileUtils.h"
#include "platform/system/ProgramFolders.h"

#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <thread>

namespace {

constexpr const char* AllFilesFilter = "*.*|*.*";

std::string FolderOf(const std::string& Path)
{
    return std::filesystem::path(Path).parent_path().string();
}

void WriteGraphic(const TGraphic& Graphic, const std::string& FileName)
{
    std::vector<std::uint8_t> Bytes;
    Graphic.SaveToStream(Bytes);
    WriteWholeFile(FileName, Bytes);
}

// The file the picture was opened from, for what a JPEG file saved from it carries over; empty when
// there is none or it cannot be read any more.
TLargeBlock OpenedFileBytes(const std::string& Path)
{
    if (Path.empty()) return {};
    try {
        return ReadLargeFile(Path);
    } catch (const Exception&) {
        return {};
    }
}

std::string LowerCase(std::string Text)
{
    std::transform(Text.begin(), Text.end(), Text.begin(), [](unsigned char C) { return char(std::tolower(C)); });
    return Text;
}

} // namespace

void SwitchToPhysicalMeasure(TGraphic* Graphic)
{
    if (auto* Metafile = dynamic_cast<TMetafile*>(Graphic); Metafile && Metafile->Inch() == 0) Metafile->SetInch(1);
}

void TForm1::ClearForNewPicture()
{
    KelvoImage1.Picture().SetGraphic(nullptr);
    // The picture is empty, so the sliders' handlers only follow with their labels.
    TrackBar5->setValue(0);
    TrackBar4->setValue(0);
    TrackBar3->setValue(100);
    TrackBar2->setValue(100);
    TrackBar1->setValue(100);
    KelvoImage1.SetStretch(false);
}

void TForm1::SizeControlForZoom(int Zoom)
{
    if (Zoom == TrackBar1->value())
        KelvoImage1.SetBounds(KelvoImage1.Left(), KelvoImage1.Top(), KelvoImage1.Picture().Width() * Zoom / 100,
                              KelvoImage1.Picture().Height() * Zoom / 100);
    else
        TrackBar1->setValue(Zoom);
}

void TForm1::LoadPicture(const std::string& Path)
{
    if (Path.empty()) return;
    ClearForNewPicture();
    KelvoImage1.Picture().LoadFromFile(Path);
    if (TGraphic* Graphic = KelvoImage1.Picture().Graphic()) {
        SwitchToPhysicalMeasure(Graphic);
        if (FPictureName == FPicturePath) {
            FSizeText = "  " + std::to_string(FileSizeInKB(std::filesystem::file_size(Path))) + "KB";
            FOpenDir = FolderOf(Path);
        } else {
            FSizeText.clear();
        }
        const int Zoom = ZoomForPictureSize(Graphic->Width(), Graphic->Height());
        StoreBase();
        SizeControlForZoom(Zoom);
    }
    KelvoImage1.SetStretch(true);
    UpdateCaption();
    UpdateHistogram();
}

std::string TForm1::ScratchCopyPath() const
{
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    std::string Name = "Pixora.dat";
    if (dynamic_cast<const TBitmap*>(Graphic) != nullptr)
        Name = "Pixora.bmp";
    else if (const auto* Metafile = dynamic_cast<const TMetafile*>(Graphic))
        Name = Metafile->Enhanced() ? "Pixora.emf" : "Pixora.wmf";
    else if (dynamic_cast<const TIcon*>(Graphic) != nullptr)
        Name = "Pixora.ico";
    else if (dynamic_cast<const TJPEGImage*>(Graphic) != nullptr)
        Name = "Pixora.jpg";
    // Beside the settings file, in the folder where the program keeps its files.
    const std::string Folder = Parameter1.Dir().empty() ? ProgramFilesFolder() : Parameter1.Dir();
    return Folder + (Folder == "/" ? "" : "/") + Name;
}

void TForm1::SaveScratchCopy()
{
    if (KelvoImage1.Picture().Graphic() == nullptr) return;
    FPicturePath = ScratchCopyPath();
    KelvoImage1.Picture().SaveToFile(FPicturePath);
}

void TForm1::StoreBaseAndScratchCopy()
{
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    if (dynamic_cast<const TBitmap*>(Graphic) == nullptr) {
        StoreBase();
        SaveScratchCopy();
        return;
    }
    // A bitmap is copied and written side by side: both only read it, and a large one takes a while.
    const std::string Path = ScratchCopyPath();
    auto Base = std::make_unique<TBitmap>();
    std::exception_ptr WriteFailure;
    RunPictureWork([&] {
        std::thread Writer([&] {
            try {
                KelvoImage1.Picture().SaveToFile(Path);
            } catch (...) {
                WriteFailure = std::current_exception();
            }
        });
        try {
            Base->Assign(*Graphic);
        } catch (...) {
            Writer.join();
            // As if the copy had been written after the base, which failed first.
            std::error_code Ignored;
            if (!WriteFailure) std::filesystem::remove(Path, Ignored);
            throw;
        }
        Writer.join();
    });
    FBaseBitmap = std::move(Base);
    FPicturePath = Path;
    if (WriteFailure) std::rethrow_exception(WriteFailure);
}

void TForm1::DeleteScratchCopy()
{
    // The opened file itself carries the display name and is never deleted.
    if (FPicturePath.empty() || FPicturePath == FPictureName) return;
    std::error_code Ignored;
    if (std::filesystem::exists(FPicturePath, Ignored)) std::filesystem::remove(FPicturePath, Ignored);
}

void TForm1::Open1Click()
{
    HideTrimAreaIfShown();
    TFileDialogRequest Request;
    Request.InitialDir = FOpenDir;
    Request.Filter = AllFilesFilter;
    const std::optional<std::string> Chosen = ExecuteFileDialog(this, Request);
    if (!Chosen) return;
    DeleteScratchCopy();
    FPictureName = *Chosen;
    FPicturePath = FPictureName;
    LoadPicture(FPicturePath);
    UpDown[10]->setValue(-1);
}

std::unique_ptr<TBitmap> TForm1::DisplayedBitmap() const
{
    const TRect Displayed = Rect(0, 0, KelvoImage1.Width(), KelvoImage1.Height());
    auto Result = std::make_unique<TBitmap>();
    Result->SetSize(Displayed.Right, Displayed.Bottom);
    // A metafile leaves its background alone, which a new bitmap shows white.
    Result->Canvas().Brush = TBrush{clWhite, bsSolid};
    Result->Canvas().FillRect(Displayed);
    Result->Canvas().StretchDraw(Displayed, *KelvoImage1.Picture().Graphic());
    return Result;
}

std::unique_ptr<TGraphic> TForm1::DisplayedMetafile(bool Enhanced) const
{
    const TRect Displayed = Rect(0, 0, KelvoImage1.Width(), KelvoImage1.Height());
    auto Result = std::make_unique<TMetafile>();
    Result->SetEnhanced(Enhanced);
    Result->SetWidth(Displayed.Right);
    Result->SetHeight(Displayed.Bottom);
    {
        // The recording ends when the canvas goes.
        TMetafileCanvas Canvas(*Result);
        Canvas.StretchDraw(Displayed, *KelvoImage1.Picture().Graphic());
    }
    SwitchToPhysicalMeasure(Result.get());
    return Result;
}

void TForm1::Save1Click()
{
    if (KelvoImage1.Picture().Graphic() == nullptr) return;
    HideTrimAreaIfShown();
    TFileDialogRequest Request;
    Request.Save = true;
    Request.InitialDir = FSaveDir;
    Request.FileName = std::filesystem::path(FPicturePath).filename().string();
    Request.Filter = AllFilesFilter;
    const std::optional<std::string> Chosen = ExecuteFileDialog(this, Request);
    if (!Chosen) return;
    const std::string Extension = LowerCase(ExtractFileExt(*Chosen));
    // The named formats are written at the displayed size; any other name keeps the picture's own format
    // and size.
    const std::string& File = *Chosen;
    if (Extension == ".emf" || Extension == ".wmf") {
        // Recording reads the screen's resolution, which belongs to this thread.
        WriteGraphic(*DisplayedMetafile(Extension == ".emf"), File);
    } else {
        RunGraphicWork(KelvoImage1.Picture().Graphic(), [this, &Extension, &File] {
            if (Extension == ".bmp") {
                WriteGraphic(*DisplayedBitmap(), File);
            } else if (Extension == ".jpg" || Extension == ".jpeg") {
                TJPEGImage Jpeg;
                Jpeg.Assign(*DisplayedBitmap());
                Jpeg.CarryExifFrom(OpenedFileBytes(FPicturePath).Bytes());
                WriteGraphic(Jpeg, File);
            } else if (Extension == ".png" || Extension == ".webp" || Extension == ".tif" || Extension == ".tiff") {
                const auto Made = TPicture::MakeGraphicFor(Extension.substr(1));
                Made->AssignFromBitmap(*DisplayedBitmap());
                WriteGraphic(*Made, File);
            } else {
                KelvoImage1.Picture().SaveToFile(File);
            }
        });
    }
    FSaveDir = FolderOf(*Chosen);
}

void TForm1::ComboBox1Change()
{
    const int Current = GraphicKindIndex();
    const int Chosen = ComboBox1->currentIndex();
    // Nothing is ever converted to an icon or to another kind.
    if (Chosen == Current || Chosen == 4 || Chosen == 5) {
        ComboBox1->setCurrentIndex(Current);
        return;
    }
    HideTrimAreaIfShown();
    if (Chosen == 0) {
        KelvoImage1.Picture().SetGraphic(nullptr);
        FBaseBitmap = std::make_unique<TBitmap>();
        // Clearing the path below would leave a scratch copy behind at close.
        DeleteScratchCopy();
        FPictureName.clear();
        FPicturePath.clear();
        Refresh();
        return;
    }
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    if (Graphic == nullptr) {
        ComboBox1->setCurrentIndex(0);
        return;
    }
    TBitmap Work;
    RunGraphicWork(Graphic, [&Work, Graphic] { Work.Assign(*Graphic); });
    if (Chosen == 1) {
        auto Jpeg = std::make_unique<TJPEGImage>();
        RunPictureWork([&Jpeg, &Work] { Jpeg->Assign(Work); });
        KelvoImage1.Picture().SetGraphic(std::move(Jpeg));
    } else if (Chosen == 2) {
        KelvoImage1.Picture().SetGraphic(std::make_unique<TBitmap>(std::move(Work)));
    } else {
        auto Metafile = std::make_unique<TMetafile>();
        Metafile->SetWidth(Work.Width());
        Metafile->SetHeight(Work.Height());
        {
            TMetafileCanvas Canvas(*Metafile);
            Canvas.Draw(0, 0, Work);
        }
        SwitchToPhysicalMeasure(Metafile.get());
        KelvoImage1.Picture().SetGraphic(std::move(Metafile));
    }
}
