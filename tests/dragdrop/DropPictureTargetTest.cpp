#include "dragdrop/DropPictureTarget.h"
#include "dragdrop/DropBMPSource.h"
#include "dragdrop/DropMetaSource.h"
#include "platform/graphics/GdiHandles.h"
#include "platform/graphics/PictureClipboard.h"
#include "platform/system/DragMimeData.h"
#include "platform/system/FileUtils.h"
#include "platform/system/MetafilePictRecord.h"
#include "platform/system/PackedDib.h"
#include "tests/dragdrop/TestDataObject.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <QLabel>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct TApplicationFirst
{
    TApplicationFirst() { EnsureApplication(); }
};

struct TFixture : TApplicationFirst
{
    TFixture() : Target(MakeComponent<TDropPictureTarget>())
    {
        Control.setGeometry(0, 0, 100, 100);
        Control.show();
        Target->Dragtypes = AllDragTypes;
        Target->Register(&Control);
        Target->OnDrop = [this](TDropTarget&, TShiftState, QPoint, DWORD&) {
            if (const TGraphic* Graphic = Target->Picture().Graphic()) Dropped = Graphic->Clone();
            DroppedFile = Target->FileName();
        };
    }
    ~TFixture() { Target->UnregisterAll(); }

    bool Accepts(IDataObject& Data)
    {
        DWORD Effect = DROPEFFECT_COPY;
        Target->DragEnter(&Data, MK_LBUTTON, Middle(), &Effect);
        Target->DragLeave();
        return Effect != DROPEFFECT_NONE;
    }
    // Enters and drops Data; the effect of the drop.
    DWORD DropOf(IDataObject& Data)
    {
        Dropped.reset();
        DroppedFile.clear();
        DWORD Effect = DROPEFFECT_COPY;
        Target->DragEnter(&Data, MK_LBUTTON, Middle(), &Effect);
        Effect = DROPEFFECT_COPY;
        Target->Drop(&Data, 0, Middle(), &Effect);
        return Effect;
    }
    POINTL Middle() const
    {
        const QPoint At = Control.mapToGlobal(QPoint(50, 50));
        return POINTL{At.x(), At.y()};
    }

    QLabel Control;
    TComponentPtr<TDropPictureTarget> Target;
    std::unique_ptr<TGraphic> Dropped;
    std::string DroppedFile;
};

TPalette GreyPalette(int Count)
{
    std::vector<TPaletteEntry> Entries;
    for (int Index = 0; Index < Count; ++Index)
        Entries.push_back(TPaletteEntry{std::uint8_t(Index), std::uint8_t(Index), std::uint8_t(Index), 0});
    return TPalette(Entries);
}

TTestDataObject::TMaker PaletteMaker(const TPalette& Palette)
{
    return [Palette] { return MediumOf(TYMED_GDI, NewPaletteHandle(Palette)); };
}

TTestDataObject::TMaker BitmapMaker(const TBitmap& Bitmap)
{
    return [Bitmap] { return MediumOf(TYMED_GDI, NewBitmapHandle(Bitmap)); };
}

TTestDataObject::TMaker DibMaker(std::vector<std::uint8_t> Dib)
{
    return [Dib] { return MediumOf(TYMED_HGLOBAL, GlobalAllocCopy(Dib.data(), Dib.size())); };
}

TTestDataObject::TMaker FilesMaker(std::vector<std::string> Files)
{
    return [Files] { return MediumOf(TYMED_HGLOBAL, NewDropFilesBlock(Files)); };
}

} // namespace

TEST(DropPictureTarget, APaletteAloneGivesAnEmptyBitmapWithThatPalette)
{
    TFixture Fixture;
    TTestDataObject Data;
    Data.Offer(CF_PALETTE, TYMED_GDI, PaletteMaker(GreyPalette(5)));
    EXPECT_TRUE(Fixture.Accepts(Data));
    EXPECT_EQ(Fixture.DropOf(Data), DROPEFFECT_COPY);
    const auto* Bitmap = dynamic_cast<const TBitmap*>(Fixture.Dropped.get());
    ASSERT_NE(Bitmap, nullptr);
    EXPECT_TRUE(Bitmap->Empty());
    EXPECT_EQ(Bitmap->Palette(), GreyPalette(5));
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_PALETTE::TYMED_GDI");
    // The picture is discarded after the drop.
    EXPECT_EQ(Fixture.Target->Picture().Graphic(), nullptr);
}

TEST(DropPictureTarget, ABitmapComesWithItsPalette)
{
    TFixture Fixture;
    TTestDataObject Data;
    const TBitmap Picture = MakeRandomBitmap(6, 4, 24, 5);
    Data.Offer(CF_BITMAP, TYMED_GDI, BitmapMaker(Picture));
    Data.Offer(CF_PALETTE, TYMED_GDI, PaletteMaker(GreyPalette(3)));
    EXPECT_EQ(Fixture.DropOf(Data), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_BITMAP::TYMED_GDI  CF_PALETTE::TYMED_GDI");
    const auto* Bitmap = dynamic_cast<const TBitmap*>(Fixture.Dropped.get());
    ASSERT_NE(Bitmap, nullptr);
    EXPECT_EQ(Bitmap->Palette(), GreyPalette(3));
    TBitmap Pixels(*Bitmap);
    Pixels.SetPixelFormat(pf24bit);
    EXPECT_TRUE(SamePixels(Pixels, Picture));
}

TEST(DropPictureTarget, TakesTheFirstPairOfItsOrder)
{
    TFixture Fixture;
    TTestDataObject Both;
    Both.Offer(CF_DIB, TYMED_HGLOBAL, DibMaker(PackedDibOf(MakeRandomBitmap(2, 2, 24, 1))));
    Both.Offer(CF_BITMAP, TYMED_GDI, BitmapMaker(MakeRandomBitmap(3, 3, 24, 2)));
    EXPECT_EQ(Fixture.DropOf(Both), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_BITMAP::TYMED_GDI");
    EXPECT_EQ(Fixture.Dropped->Width(), 3);

    auto Meta = MakeComponent<TDropMetaSource>();
    EXPECT_EQ(Fixture.DropOf(*Meta), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_ENHMETAFILE::TYMED_ENHMF");
    EXPECT_EQ(Meta->LastFormat(), "CF_ENHMETAFILE::TYMED_ENHMF");
    ASSERT_NE(dynamic_cast<const TMetafile*>(Fixture.Dropped.get()), nullptr);
    EXPECT_EQ(Fixture.Dropped->Width(), 100);

    auto Bitmaps = MakeComponent<TDropBMPSource>();
    Bitmaps->SetBitmap(MakeRandomBitmap(9, 2, 24, 3));
    EXPECT_EQ(Fixture.DropOf(*Bitmaps), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_BITMAP::TYMED_GDI");
    EXPECT_EQ(Fixture.Dropped->Width(), 9);
}

TEST(DropPictureTarget, AMetafilePictureIsTakenAfterTheEnhancedMetafile)
{
    TFixture Fixture;
    auto Meta = MakeComponent<TDropMetaSource>();
    TTestDataObject Data;
    Data.Offer(CF_METAFILEPICT, TYMED_MFPICT, [&] {
        FORMATETC Request{CF_METAFILEPICT, nullptr, DVASPECT_CONTENT, -1, TYMED_MFPICT};
        STGMEDIUM Medium;
        Meta->GetData(&Request, &Medium);
        return Medium;
    });
    EXPECT_EQ(Fixture.DropOf(Data), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_METAFILEPICT::TYMED_MFPICT");
    ASSERT_NE(Fixture.Dropped, nullptr);
    EXPECT_EQ(Fixture.Dropped->Width(), 100);
    EXPECT_EQ(Fixture.Dropped->Height(), 100);
}

TEST(DropPictureTarget, DamagedDataIsRefusedWithoutOnDrop)
{
    TFixture Fixture;
    // A DIB whose header claims 65535 × 65535 pixels of 24 bits in a 60-byte block.
    std::vector<std::uint8_t> Lying = PackedDibOf(MakeRandomBitmap(2, 2, 24, 4));
    Lying[4] = Lying[5] = Lying[8] = Lying[9] = 0xFF;
    TTestDataObject Dib;
    Dib.Offer(CF_DIB, TYMED_HGLOBAL, DibMaker(Lying));
    EXPECT_EQ(Fixture.DropOf(Dib), DROPEFFECT_NONE);
    EXPECT_EQ(Fixture.Dropped, nullptr);
    // A bit count the format has not.
    Lying = PackedDibOf(MakeRandomBitmap(2, 2, 24, 4));
    Lying[14] = 7;
    TTestDataObject Depth;
    Depth.Offer(CF_DIB, TYMED_HGLOBAL, DibMaker(Lying));
    EXPECT_EQ(Fixture.DropOf(Depth), DROPEFFECT_NONE);
    // A metafile picture whose metafile is no metafile.
    TTestDataObject Picture;
    Picture.Offer(CF_METAFILEPICT, TYMED_HGLOBAL, [] {
        const std::uint8_t Junk[40] = {1, 2, 3};
        return MediumOf(TYMED_HGLOBAL,
                        NewMetafilePictRecord(MM_ANISOTROPIC, 100, 100, GlobalAllocCopy(Junk, sizeof Junk)));
    });
    EXPECT_TRUE(Fixture.Accepts(Picture));
    EXPECT_EQ(Fixture.DropOf(Picture), DROPEFFECT_NONE);
    // A pair served without a handle stops the search.
    TTestDataObject Empty;
    Empty.Offer(CF_BITMAP, TYMED_GDI, [] { return STGMEDIUM(); });
    Empty.Offer(CF_DIB, TYMED_HGLOBAL, DibMaker(PackedDibOf(MakeRandomBitmap(2, 2, 24, 1))));
    EXPECT_EQ(Fixture.DropOf(Empty), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.Target->LastFormat(), "CF_DIB::TYMED_HGLOBAL");
}

TEST(DropPictureTarget, WithDataOnEnterThePictureIsThereFromTheEnter)
{
    TFixture Fixture;
    Fixture.Target->GetDataOnEnter = true;
    int Seen = 0;
    Fixture.Target->OnEnter = [&](TDropTarget&, TShiftState, QPoint, DWORD&) {
        Seen = Fixture.Target->Picture().Width();
    };
    auto Bitmaps = MakeComponent<TDropBMPSource>();
    Bitmaps->SetBitmap(MakeRandomBitmap(11, 2, 24, 3));
    EXPECT_TRUE(Fixture.Accepts(*Bitmaps));
    EXPECT_EQ(Seen, 11);
}

TEST(DropPictureTarget, AFileListCountsOnlyWhenItsFirstFileIsAPicture)
{
    TFixture Fixture;
    const auto Folder = std::filesystem::temp_directory_path() / ("pixora_drop_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Folder);
    const auto Picture = (Folder / "scene.bmp").string();
    std::vector<std::uint8_t> Bytes;
    MakeRandomBitmap(3, 3, 24, 1).SaveToStream(Bytes);
    WriteWholeFile(Picture, Bytes);
    const auto Fifo = (Folder / "pipe.bmp").string();
    ::mkfifo(Fifo.c_str(), 0600);
    const auto Text = (Folder / "notes.txt").string();
    std::filesystem::copy_file(Picture, Text);
    for (const std::string& Refused :
         {Folder.string(), Fifo, Text, std::string("/dev/zero"), Folder.string() + "/gone.bmp"}) {
        TTestDataObject Data;
        Data.Offer(CF_HDROP, TYMED_HGLOBAL, FilesMaker({Refused, Picture}));
        EXPECT_FALSE(Fixture.Accepts(Data)) << Refused;
        EXPECT_EQ(Fixture.DropOf(Data), DROPEFFECT_NONE) << Refused;
    }
    std::vector<std::string> Many(5000, Picture);
    TTestDataObject Data;
    Data.Offer(CF_HDROP, TYMED_HGLOBAL, FilesMaker(Many));
    EXPECT_EQ(Fixture.DropOf(Data), DROPEFFECT_COPY);
    EXPECT_EQ(Fixture.DroppedFile, Picture);
    EXPECT_EQ(Fixture.Dropped, nullptr);
    std::filesystem::remove_all(Folder);
}

TEST(DibBlockFile, PlacesThePixelsBehindTheHeaderAndTheColourTable)
{
    const auto OffsetOf = [](const TBitmap& Bitmap) {
        const std::vector<std::uint8_t> File = BmpFileOfPackedDib(PackedDibOf(Bitmap));
        EXPECT_EQ(File.size(), PackedDibOf(Bitmap).size() + 14);
        return File[10] | File[11] << 8;
    };
    EXPECT_EQ(OffsetOf(MakeRandomBitmap(5, 3, 24, 1)), 54);
    EXPECT_EQ(OffsetOf(MakeRandomBitmap(5, 3, 8, 1)), 1078);
    TBitmap Fields;
    Fields.SetLayout(5, 3, 32, TBitFields{0xFF0000, 0xFF00, 0xFF});
    EXPECT_EQ(OffsetOf(Fields), 66);
}
