#include "dragdrop/DropBMPSource.h"
#include "dragdrop/DropMetaSource.h"
#include "platform/graphics/GdiHandles.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/graphics/codecs/BmpCodec.h"
#include "platform/system/MetafilePictRecord.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

FORMATETC Request(TClipboardFormat Format, DWORD Media, DWORD Aspect = DVASPECT_CONTENT)
{
    return FORMATETC{Format, nullptr, Aspect, -1, Media};
}

HRESULT Render(TDropSource& Source, const FORMATETC& Format, STGMEDIUM& Medium)
{
    return Source.GetData(&Format, &Medium);
}

} // namespace

TEST(DropBMPSource, AnEmptyBitmapServesNothing)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropBMPSource>();
    for (const TClipboardFormat Format : {CF_DIB, CF_BITMAP, CF_PALETTE}) {
        STGMEDIUM Medium;
        EXPECT_EQ(Render(*Source, Request(Format, TYMED_HGLOBAL | TYMED_GDI), Medium), DV_E_FORMATETC);
        EXPECT_EQ(Medium.tymed, TYMED_NULL);
    }
    CopyGraphicToClipboard(MakeRandomBitmap(2, 2, 24, 9));
    const std::vector<TClipboardFormat> Before = ClipboardFormats();
    EXPECT_FALSE(Source->CopyToClipboard());
    EXPECT_EQ(ClipboardFormats(), Before);
    EXPECT_FALSE(Before.empty());
}

TEST(DropBMPSource, ATrueColourBitmapServesBothBitmapFormsButNoPalette)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropBMPSource>();
    const TBitmap Picture = MakeRandomBitmap(7, 5, 24, 1);
    Source->SetBitmap(Picture);

    STGMEDIUM Medium;
    ASSERT_EQ(Render(*Source, Request(CF_BITMAP, TYMED_GDI), Medium), S_OK);
    EXPECT_EQ(Source->LastFormat(), "CF_BITMAP::TYMED_GDI");
    EXPECT_EQ(Medium.tymed, TYMED_GDI);
    TBitmap Taken;
    ASSERT_TRUE(LoadBitmapHandle(Medium.hBitmap, Taken));
    EXPECT_EQ(Taken.HandleType(), bmDDB);
    TBitmap Expected(Picture);
    Taken.SetPixelFormat(pf24bit);
    EXPECT_TRUE(SamePixels(Taken, Expected));
    ReleaseStgMedium(&Medium);

    // The DIB block is the bitmap's BMP file without its 14-byte header.
    ASSERT_EQ(Render(*Source, Request(CF_DIB, TYMED_HGLOBAL), Medium), S_OK);
    EXPECT_EQ(Source->LastFormat(), "CF_DIB::TYMED_HGLOBAL");
    std::vector<std::uint8_t> File;
    WriteBmp(Picture, File);
    ASSERT_EQ(GlobalSize(Medium.hGlobal), File.size() - 14);
    EXPECT_EQ(std::memcmp(GlobalLock(Medium.hGlobal), File.data() + 14, File.size() - 14), 0);
    EXPECT_EQ(static_cast<const std::uint8_t*>(GlobalLock(Medium.hGlobal))[0], 40);
    GlobalUnlock(Medium.hGlobal);
    GlobalUnlock(Medium.hGlobal);
    ReleaseStgMedium(&Medium);

    EXPECT_EQ(Render(*Source, Request(CF_PALETTE, TYMED_GDI), Medium), E_OUTOFMEMORY);
    EXPECT_EQ(Source->LastFormat(), "CF_PALETTE::TYMED_GDI");
    EXPECT_EQ(Render(*Source, Request(CF_BITMAP, TYMED_HGLOBAL), Medium), DV_E_FORMATETC);
    EXPECT_EQ(Source->LastFormat(), "::");
    EXPECT_EQ(Render(*Source, Request(CF_DIB, TYMED_HGLOBAL, 4), Medium), DV_E_FORMATETC);
}

TEST(DropBMPSource, APalettedBitmapServesItsPalette)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropBMPSource>();
    const TBitmap Picture = MakeRandomBitmap(3, 3, 8, 2);
    Source->SetBitmap(Picture);
    STGMEDIUM Medium;
    ASSERT_EQ(Render(*Source, Request(CF_PALETTE, TYMED_GDI), Medium), S_OK);
    EXPECT_EQ(PaletteOfHandle(Medium.hBitmap), Picture.Palette());
    ReleaseStgMedium(&Medium);
}

TEST(DropBMPSource, CopyPutsTheBitmapOnTheClipboardButReportsTheMissingDropEffect)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropBMPSource>();
    const TBitmap Picture = MakeRandomBitmap(4, 4, 24, 3);
    Source->SetBitmap(Picture);
    EXPECT_FALSE(Source->CopyToClipboard());
    EXPECT_EQ(Source->CurrentEffect(), DROPEFFECT_COPY);
    const auto Graphic = GraphicFromClipboard();
    ASSERT_NE(dynamic_cast<TBitmap*>(Graphic.get()), nullptr);
    EXPECT_TRUE(SamePixels(*static_cast<TBitmap*>(Graphic.get()), Picture));
}

TEST(DropMetaSource, OffersItsFourPairsInOrderAndServesTheFirstMatch)
{
    EnsureApplication();
    auto Source = MakeComponent<TDropMetaSource>();
    EXPECT_FALSE(Source->Metafile().Empty());
    EXPECT_EQ(Source->Metafile().Width(), 100);
    IEnumFORMATETC* Enum = nullptr;
    ASSERT_EQ(Source->EnumFormatEtc(DATADIR_GET, &Enum), S_OK);
    FORMATETC Entries[4];
    ULONG Fetched = 0;
    EXPECT_EQ(Enum->Next(4, Entries, &Fetched), S_OK);
    Enum->Release();
    const std::pair<TClipboardFormat, DWORD> Expected[] = {{CF_METAFILEPICT, TYMED_MFPICT},
                                                           {CF_ENHMETAFILE, TYMED_ENHMF},
                                                           {CF_METAFILEPICT, TYMED_HGLOBAL},
                                                           {CF_ENHMETAFILE, TYMED_HGLOBAL}};
    for (int Index = 0; Index < 4; ++Index) {
        EXPECT_EQ(Entries[Index].cfFormat, Expected[Index].first);
        EXPECT_EQ(Entries[Index].tymed, Expected[Index].second);
    }

    STGMEDIUM Medium;
    ASSERT_EQ(Render(*Source, Request(CF_METAFILEPICT, TYMED_MFPICT | TYMED_HGLOBAL), Medium), S_OK);
    EXPECT_EQ(Medium.tymed, TYMED_MFPICT);
    EXPECT_EQ(Source->LastFormat(), "CF_METAFILEPICT::TYMED_MFPICT");
    METAFILEPICT Record;
    std::memcpy(&Record, GlobalLock(Medium.hMetaFilePict), sizeof Record);
    GlobalUnlock(Medium.hMetaFilePict);
    EXPECT_EQ(Record.mm, MM_ANISOTROPIC);
    EXPECT_GT(GetMetaFileBitsEx(Record.hMF, 0, nullptr), 18u);
    ReleaseStgMedium(&Medium);
    EXPECT_EQ(GetMetaFileBitsEx(Record.hMF, 0, nullptr), 0u);

    ASSERT_EQ(Render(*Source, Request(CF_ENHMETAFILE, TYMED_HGLOBAL), Medium), S_OK);
    EXPECT_EQ(Medium.tymed, TYMED_HGLOBAL);
    EXPECT_EQ(Source->LastFormat(), "CF_ENHMETAFILE::TYMED_HGLOBAL");
    TMetafile Taken;
    ASSERT_TRUE(LoadEnhMetafileHandle(Medium.hEnhMetaFile, Taken));
    EXPECT_EQ(Taken.Width(), 100);
    ReleaseStgMedium(&Medium);
    EXPECT_FALSE(IsGdiObject(Medium.hEnhMetaFile, gdiEnhMetafile));

    Source->SetMetafile(TMetafile());
    EXPECT_EQ(Render(*Source, Request(CF_ENHMETAFILE, TYMED_ENHMF), Medium), DV_E_FORMATETC);
}
