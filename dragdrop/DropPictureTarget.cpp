#include "dragdrop/DropPictureTarget.h"

#include "platform/graphics/GdiHandles.h"
#include "platform/graphics/MetafilePict.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/DragMimeData.h"

#include <cstring>
#include <filesystem>

namespace {

FORMATETC PairOf(TClipboardFormat Format, DWORD Medium)
{
    return FORMATETC{Format, nullptr, DVASPECT_CONTENT, -1, Medium};
}

// The seven pairs, numbered as the sources' labels list them.
const FORMATETC Pair1 = PairOf(CF_DIB, TYMED_HGLOBAL);
const FORMATETC Pair2 = PairOf(CF_BITMAP, TYMED_GDI);
const FORMATETC Pair3 = PairOf(CF_PALETTE, TYMED_GDI);
const FORMATETC Pair4 = PairOf(CF_METAFILEPICT, TYMED_MFPICT);
const FORMATETC Pair5 = PairOf(CF_ENHMETAFILE, TYMED_ENHMF);
const FORMATETC Pair6 = PairOf(CF_METAFILEPICT, TYMED_HGLOBAL);
const FORMATETC Pair7 = PairOf(CF_ENHMETAFILE, TYMED_HGLOBAL);
const FORMATETC FilePair = PairOf(CF_HDROP, TYMED_HGLOBAL);

// The work objects are emptied again whatever happens while a pair is taken; the picture takes them
// over rather than a copy, which a large picture would pay for.
struct TEmptyAfter
{
    TBitmap& Bitmap;
    TMetafile& Metafile;
    ~TEmptyAfter()
    {
        Bitmap = TBitmap();
        Metafile.Clear();
    }
};

} // namespace

std::string DroppedPictureFile(const std::vector<std::string>& Files)
{
    if (Files.empty()) return {};
    std::error_code Error;
    const std::filesystem::path File(Files.front());
    if (!std::filesystem::is_regular_file(File, Error)) return {};
    if (TPicture::MakeGraphicFor(TPicture::ExtensionOf(Files.front())) == nullptr) return {};
    return Files.front();
}

TDropPictureTarget::TDropPictureTarget() = default;

bool TDropPictureTarget::HasValidFormats()
{
    for (const FORMATETC* Pair : {&Pair1, &Pair2, &Pair4, &Pair5, &Pair6, &Pair7, &Pair3})
        if (DataObject()->QueryGetData(Pair) == S_OK) return true;
    if (DataObject()->QueryGetData(&FilePair) != S_OK) return false;
    STGMEDIUM Medium;
    if (!Served(FilePair, Medium)) return false;
    const bool Valid = !DroppedPictureFile(DropFilesNames(Medium.hGlobal)).empty();
    ReleaseStgMedium(&Medium);
    return Valid;
}

bool TDropPictureTarget::Served(const FORMATETC& Pair, STGMEDIUM& Medium)
{
    Medium = STGMEDIUM();
    FORMATETC Request = Pair;
    return DataObject()->GetData(&Request, &Medium) == S_OK;
}

bool TDropPictureTarget::DoGetData()
{
    FLastFormat = "::";
    FFileName.clear();
    const TEmptyAfter Empty{FWorkBitmap, FWorkMetafile};
    const std::pair<const FORMATETC*, bool (TDropPictureTarget::*)(STGMEDIUM&)> Steps[] = {
        {&Pair2, &TDropPictureTarget::TakeBitmap},       {&Pair1, &TDropPictureTarget::TakeDib},
        {&Pair3, &TDropPictureTarget::TakePalette},      {&Pair5, &TDropPictureTarget::TakeEnhMetafile},
        {&Pair4, &TDropPictureTarget::TakeMetafilePict}, {&Pair6, &TDropPictureTarget::TakeMetafilePict},
        {&Pair7, &TDropPictureTarget::TakeEnhMetafile},  {&FilePair, &TDropPictureTarget::TakeFile}};
    for (const auto& [Pair, Take] : Steps) {
        STGMEDIUM Medium;
        if (!Served(*Pair, Medium)) continue;
        // The medium is released on every path, failures included.
        struct TRelease
        {
            STGMEDIUM& Medium;
            ~TRelease() { ReleaseStgMedium(&Medium); }
        } Release{Medium};
        FLastFormat = PairLabel(Pair->cfFormat, Pair->tymed);
        return (this->*Take)(Medium);
    }
    return false;
}

bool TDropPictureTarget::TakeBitmap(STGMEDIUM& Medium)
{
    if (!LoadBitmapHandle(Medium.hBitmap, FWorkBitmap)) return false;
    STGMEDIUM Palette;
    if (Served(Pair3, Palette)) {
        FLastFormat += "  " + PairLabel(CF_PALETTE, TYMED_GDI);
        if (const auto Entries = PaletteOfHandle(Palette.hBitmap)) FWorkBitmap.SetPalette(*Entries);
        ReleaseStgMedium(&Palette);
    }
    FPicture.SetGraphic(std::make_unique<TBitmap>(std::move(FWorkBitmap)));
    return true;
}

bool TDropPictureTarget::TakeDib(STGMEDIUM& Medium)
{
    const void* Bytes = GlobalLock(Medium.hGlobal);
    if (Bytes == nullptr) return false;
    const std::span Block(static_cast<const std::uint8_t*>(Bytes), GlobalSize(Medium.hGlobal));
    try {
        ReadPackedDib(Block, FWorkBitmap);
    } catch (...) {
        GlobalUnlock(Medium.hGlobal);
        throw;
    }
    GlobalUnlock(Medium.hGlobal);
    FPicture.SetGraphic(std::make_unique<TBitmap>(std::move(FWorkBitmap)));
    return true;
}

bool TDropPictureTarget::TakePalette(STGMEDIUM& Medium)
{
    const auto Entries = PaletteOfHandle(Medium.hBitmap);
    if (!Entries) return false;
    FWorkBitmap.SetPalette(*Entries);
    FPicture.SetGraphic(std::make_unique<TBitmap>(std::move(FWorkBitmap)));
    return true;
}

bool TDropPictureTarget::TakeEnhMetafile(STGMEDIUM& Medium)
{
    if (!LoadEnhMetafileHandle(Medium.hEnhMetaFile, FWorkMetafile)) return false;
    FPicture.SetGraphic(std::make_unique<TMetafile>(std::move(FWorkMetafile)));
    return true;
}

bool TDropPictureTarget::TakeMetafilePict(STGMEDIUM& Medium)
{
    METAFILEPICT Record;
    const void* Bytes = GlobalLock(Medium.hMetaFilePict);
    if (Bytes == nullptr) return false;
    if (GlobalSize(Medium.hMetaFilePict) < sizeof Record) {
        GlobalUnlock(Medium.hMetaFilePict);
        return false;
    }
    std::memcpy(&Record, Bytes, sizeof Record);
    try {
        FWorkMetafile = MetafileFromMetafilePict(Record);
    } catch (...) {
        GlobalUnlock(Medium.hMetaFilePict);
        throw;
    }
    GlobalUnlock(Medium.hMetaFilePict);
    FPicture.SetGraphic(std::make_unique<TMetafile>(std::move(FWorkMetafile)));
    return true;
}

bool TDropPictureTarget::TakeFile(STGMEDIUM& Medium)
{
    FFileName = DroppedPictureFile(DropFilesNames(Medium.hGlobal));
    return !FFileName.empty();
}

void TDropPictureTarget::ClearData()
{
    FPicture.SetGraphic(nullptr);
    FFileName.clear();
}
