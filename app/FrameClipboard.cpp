// Pictures through the clipboard: copy at the displayed size, paste with a scratch copy for the reload
// command, and the program's own "JFIF" format that carries a JPEG file.

#include "app/Frame.h"
#include "app/FrameRules.h"

#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"

#include <QAction>
#include <QSlider>
#include <QSpinBox>
#include <cstring>

namespace {

// Places the bytes of Stream on the clipboard under Format as its only data; false for no bytes, which
// leaves the clipboard as it was.
bool PutClipboardStream(TClipboardFormat Format, const std::vector<std::uint8_t>& Stream)
{
    if (Stream.empty()) return false;
    HGLOBAL Block = GlobalAlloc(Stream.size());
    std::memcpy(GlobalLock(Block), Stream.data(), Stream.size());
    GlobalUnlock(Block);
    if (!OpenClipboard()) {
        GlobalFree(Block);
        throw Exception(Messages::SCannotOpenClipboard);
    }
    EmptyClipboard();
    // Once placed the block is the clipboard's.
    if (!SetClipboardData(Format, Block)) GlobalFree(Block);
    CloseClipboard();
    return true;
}

// Stream := the whole memory block of Format (which may run a little past the data placed there);
// false when the clipboard does not offer it.
bool GetClipboardStream(TClipboardFormat Format, std::vector<std::uint8_t>& Stream)
{
    if (!OpenClipboard()) throw Exception(Messages::SCannotOpenClipboard);
    bool Found = false;
    if (HGLOBAL Block = GetClipboardData(Format)) {
        if (const void* Bytes = GlobalLock(Block)) {
            const auto* First = static_cast<const std::uint8_t*>(Bytes);
            Stream.assign(First, First + GlobalSize(Block));
            GlobalUnlock(Block);
            Found = true;
        }
    }
    CloseClipboard();
    return Found;
}

// The display name of a pasted or dropped picture: How ("Copied", "Dropped") and its class.
std::string TakenPictureName(const TGraphic& Graphic, const std::string& How)
{
    if (dynamic_cast<const TMetafile*>(&Graphic) != nullptr) return How + " Metafile";
    if (dynamic_cast<const TBitmap*>(&Graphic) != nullptr) return How + " Bitmap";
    if (dynamic_cast<const TJPEGImage*>(&Graphic) != nullptr) return How + " JPEG";
    if (dynamic_cast<const TIcon*>(&Graphic) != nullptr) return How + " Icon";
    return How + " Image";
}

// Whether the picture layer reads File as a picture. A copied file that is none (a text file, a damaged
// picture) leaves the window as a clipboard without pictures does.
bool IsReadablePicture(const std::string& File)
{
    try {
        TPicture Candidate;
        Candidate.LoadFromFile(File);
        return Candidate.Graphic() != nullptr;
    } catch (const EInvalidGraphic&) {
    } catch (const EJPEG&) {
    } catch (const EFOpenError&) {
    }
    return false;
}

} // namespace

TClipboardFormat JfifClipboardFormat()
{
    static const TClipboardFormat Format = [] {
        const TClipboardFormat Registered = RegisterClipboardFormat("JFIF");
        RegisterClipboardGraphic(Registered, [] { return std::make_unique<TJPEGImage>(); });
        return Registered;
    }();
    return Format;
}

void TForm1::PasteJpeg()
{
    std::vector<std::uint8_t> Stream;
    GetClipboardStream(JfifClipboardFormat(), Stream);
    // The decoder ignores the bytes after the end of the image.
    TJPEGImage Jpeg;
    Jpeg.LoadFromStream(Stream);
    KelvoImage1.Picture().SetGraphic(&Jpeg);
}

void TForm1::Copy1Click()
{
    const TGraphic* Graphic = KelvoImage1.Picture().Graphic();
    if (Graphic == nullptr) return;
    const bool Shown = A1->isChecked();
    HideTrimAreaIfShown();
    const bool AtFullSize = TrackBar1->value() == 100;
    if (dynamic_cast<const TMetafile*>(Graphic) != nullptr) {
        CopyGraphicToClipboard(AtFullSize ? *Graphic : *DisplayedMetafile(true));
    } else if (dynamic_cast<const TBitmap*>(Graphic) != nullptr) {
        CopyGraphicToClipboard(AtFullSize ? *Graphic : *DisplayedBitmap());
    } else if (dynamic_cast<const TJPEGImage*>(Graphic) != nullptr) {
        // Recompressed at the displayed size even at 100 %; the clipboard then holds only "JFIF".
        TJPEGImage Jpeg;
        Jpeg.Assign(*DisplayedBitmap());
        std::vector<std::uint8_t> Stream;
        Jpeg.SaveToStream(Stream);
        PutClipboardStream(JfifClipboardFormat(), Stream);
    } else {
        // The clipboard layer refuses icons with its message.
        CopyGraphicToClipboard(*Graphic);
    }
    if (Shown) A1Click();
}

void TForm1::Paste1Click()
{
    if (!ClipboardHasGraphic()) {
        // A file copied in a file manager pastes as if it had been opened.
        const std::vector<std::string> Files = ClipboardFileNames();
        if (!Files.empty() && IsReadablePicture(Files.front())) TakeInFile(Files.front());
        return;
    }
    HideTrimAreaIfShown();
    ClearForNewPicture();
    if (IsClipboardFormatAvailable(JfifClipboardFormat()))
        PasteJpeg();
    else
        KelvoImage1.Picture().SetGraphic(GraphicFromClipboard());
    TakeInPicture("Copied");
}

void TForm1::TakeInFile(const std::string& File)
{
    HideTrimAreaIfShown();
    DeleteScratchCopy();
    FPictureName = File;
    FPicturePath = FPictureName;
    LoadPicture(FPicturePath);
    UpDown[10]->setValue(-1);
}

void TForm1::TakeInPicture(const std::string& How)
{
    if (TGraphic* Graphic = KelvoImage1.Picture().Graphic()) {
        DeleteScratchCopy();
        FPictureName = TakenPictureName(*Graphic, How);
        SwitchToPhysicalMeasure(Graphic);
        FSizeText.clear();
        const int Zoom = ZoomForPictureSize(Graphic->Width(), Graphic->Height());
        StoreBaseAndScratchCopy();
        SizeControlForZoom(Zoom);
    }
    KelvoImage1.SetStretch(true);
    Refresh();
    UpDown[10]->setValue(-1);
}
