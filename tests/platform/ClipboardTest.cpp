// The clipboard layer: memory blocks, registered names, round trips, what other programs see in the
// desktop clipboard, and what they put there arriving under the platform's formats.
#include "platform/system/Clipboard.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <cstring>

namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> Values)
{
    std::vector<std::uint8_t> Result;
    for (const int Value : Values) Result.push_back(std::uint8_t(Value));
    return Result;
}

HGLOBAL BlockOf(const std::vector<std::uint8_t>& Data)
{
    const HGLOBAL Block = GlobalAlloc(Data.size());
    std::memcpy(GlobalLock(Block), Data.data(), Data.size());
    GlobalUnlock(Block);
    return Block;
}

// Puts the blocks on the clipboard as this program does.
void Put(std::initializer_list<std::pair<TClipboardFormat, std::vector<std::uint8_t>>> Entries)
{
    ASSERT_TRUE(OpenClipboard());
    ASSERT_TRUE(EmptyClipboard());
    for (const auto& [Format, Data] : Entries) ASSERT_TRUE(SetClipboardData(Format, BlockOf(Data)));
    ASSERT_TRUE(CloseClipboard());
}

// The whole block of Format, read as this program reads it; nothing when it is not offered.
std::optional<std::vector<std::uint8_t>> Get(TClipboardFormat Format)
{
    EXPECT_TRUE(OpenClipboard());
    const HGLOBAL Block = GetClipboardData(Format);
    std::optional<std::vector<std::uint8_t>> Result;
    if (const auto* First = static_cast<const std::uint8_t*>(GlobalLock(Block))) {
        Result.emplace(First, First + GlobalSize(Block));
        GlobalUnlock(Block);
    }
    EXPECT_TRUE(CloseClipboard());
    return Result;
}

// Another program's data on the desktop clipboard.
void PutForeign(const QString& MimeType, const QByteArray& Data)
{
    auto Mime = std::make_unique<QMimeData>();
    Mime->setData(MimeType, Data);
    QGuiApplication::clipboard()->setMimeData(Mime.release());
}

// A filled picture of Size, for the tests that only need some image.
QImage Filled(QSize Size)
{
    QImage Image(Size, QImage::Format_RGB32);
    Image.fill(qRgb(10, 120, 230));
    return Image;
}

QByteArray Encoded(const QImage& Image, const char* Format)
{
    QByteArray Data;
    QBuffer Buffer(&Data);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, Format);
    return Data;
}

// A 3 × 2 packed DIB at 24 bits: rows bottom-up, 12 bytes each (9 of pixels, 3 of padding).
std::vector<std::uint8_t> SmallDib()
{
    std::vector<std::uint8_t> Dib = Bytes({40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0});
    Dib.resize(40);
    // Bottom row: blue, green, red pixels; top row: white, black, grey.
    const auto Rows = Bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0});
    Dib.insert(Dib.end(), Rows.begin(), Rows.end());
    return Dib;
}

std::uint32_t Little32(const std::vector<std::uint8_t>& Data, std::size_t Offset)
{
    return Data[Offset] | Data[Offset + 1] << 8 | Data[Offset + 2] << 16 | std::uint32_t(Data[Offset + 3]) << 24;
}

class ClipboardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureApplication();
        QGuiApplication::clipboard()->clear();
        // The picture layer's renderer, where an earlier test set it, would add PNG to every picture.
        SetClipboardPngRenderer({});
    }
};

} // namespace

TEST(GlobalMemory, CountsLocksAndRefusesUnknownHandles)
{
    const HGLOBAL Block = GlobalAlloc(5);
    EXPECT_EQ(GlobalSize(Block), 5u);
    auto* First = static_cast<std::uint8_t*>(GlobalLock(Block));
    ASSERT_NE(First, nullptr);
    EXPECT_EQ(std::count(First, First + 5, 0), 5) << "a new block is zero-filled";
    EXPECT_EQ(GlobalLock(Block), First);
    EXPECT_TRUE(GlobalUnlock(Block)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(Block));
    EXPECT_EQ(GlobalFree(Block), nullptr);
    EXPECT_EQ(GlobalSize(Block), 0u);
    EXPECT_EQ(GlobalLock(Block), nullptr);
    EXPECT_EQ(GlobalFree(Block), Block);
    const HGLOBAL Empty = GlobalAlloc(0);
    EXPECT_EQ(GlobalLock(Empty), nullptr);
    EXPECT_EQ(GlobalFree(Empty), nullptr);
}

TEST(ClipboardFormatNames, NumberFromC000AndIgnoreLetterCase)
{
    const TClipboardFormat First = RegisterClipboardFormat("Pixora Test Name");
    EXPECT_GE(First, 0xC000);
    EXPECT_EQ(RegisterClipboardFormat("PIXORA test name"), First);
    EXPECT_NE(RegisterClipboardFormat("Pixora Other Name"), First);
    EXPECT_EQ(GetClipboardFormatName(First), "Pixora Test Name");
    EXPECT_EQ(GetClipboardFormatName(CF_DIB), "");
    EXPECT_EQ(RegisterClipboardFormat(""), 0);
}

TEST_F(ClipboardTest, GivesBackWhatWasPlacedAndTheBlockBelongsToIt)
{
    const TClipboardFormat Custom = RegisterClipboardFormat("Pixora Round Trip");
    ASSERT_TRUE(OpenClipboard());
    EXPECT_FALSE(OpenClipboard()) << "already open";
    const HGLOBAL Block = BlockOf(Bytes({1, 2, 3}));
    EXPECT_FALSE(SetClipboardData(Custom, Block)) << "not emptied by this program yet";
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(SetClipboardData(Custom, Block));
    EXPECT_EQ(GlobalFree(Block), Block) << "the clipboard's block cannot be freed by its former owner";
    EXPECT_TRUE(IsClipboardFormatAvailable(Custom)) << "readable while still open";
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());

    EXPECT_TRUE(IsClipboardFormatAvailable(Custom));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_ENHMETAFILE));
    EXPECT_EQ(Get(Custom), Bytes({1, 2, 3}));
    EXPECT_EQ(Get(CF_ENHMETAFILE), std::nullopt);
    EXPECT_EQ(GetClipboardData(Custom), nullptr) << "closed";
}

TEST_F(ClipboardTest, OffersABitmapUnderBothNumbers)
{
    Put({{CF_BITMAP, SmallDib()}});
    EXPECT_EQ(ClipboardFormats(), (std::vector<TClipboardFormat>{CF_BITMAP, CF_DIB}));
    EXPECT_EQ(Get(CF_DIB), SmallDib());
}

TEST_F(ClipboardTest, PublishesBitmapsAsPngAndBmp)
{
    Put({{CF_DIB, SmallDib()}});
    const QMimeData* Published = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(Published, nullptr);
    EXPECT_TRUE(Published->hasFormat("image/png"));
    EXPECT_TRUE(Published->hasFormat("image/bmp"));

    const QByteArray Bmp = Published->data("image/bmp");
    ASSERT_EQ(Bmp.size(), 14 + 64);
    EXPECT_EQ(Bmp.left(2), "BM");
    EXPECT_EQ(std::uint8_t(Bmp[10]), 54) << "rows start after the 14 + 40 header bytes";

    const QImage Png = QImage::fromData(Published->data("image/png"), "PNG");
    ASSERT_EQ(Png.size(), QSize(3, 2));
    EXPECT_EQ(Png.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(Png.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(Png.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(Png.pixel(1, 0), qRgb(0, 0, 0));
}

TEST_F(ClipboardTest, PublishesMetafilesJfifAndOtherNamesUnderTheirTypes)
{
    const TClipboardFormat Jfif = RegisterClipboardFormat("JFIF");
    const TClipboardFormat Custom = RegisterClipboardFormat("Preferred DropEffect");
    Put({{CF_ENHMETAFILE, Bytes({1, 0, 0, 0})},
         {CF_METAFILEPICT, Bytes({0xD7, 0xCD, 0xC6, 0x9A})},
         {Jfif, Bytes({0xFF, 0xD8, 0xFF})},
         {Custom, Bytes({1, 0, 0, 0})},
         {CF_PALETTE, Bytes({0, 3, 0, 0})}});
    const QMimeData* Published = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(Published->formats(),
              (QStringList{"image/x-emf", "image/x-wmf", "image/jpeg", "application/x-pixora-Preferred DropEffect",
                           "application/x-pixora-palette"}));
    EXPECT_EQ(Published->data("image/x-emf"), QByteArray("\x01\0\0\0", 4));
    EXPECT_EQ(Published->data("image/x-wmf"), QByteArray("\xD7\xCD\xC6\x9A", 4));
    EXPECT_EQ(Published->data("image/jpeg"), QByteArray("\xFF\xD8\xFF", 3));
}

TEST_F(ClipboardTest, PicturesWithoutABitmapAreOfferedAsPngDrawnWhenFirstAskedFor)
{
    int Drawn = 0;
    SetClipboardPngRenderer({[](TClipboardFormat Format) { return Format == CF_ENHMETAFILE; },
                             [&Drawn](TClipboardFormat Format, std::span<const std::uint8_t> Data) {
                                 ++Drawn;
                                 EXPECT_EQ(Format, CF_ENHMETAFILE);
                                 std::vector<std::uint8_t> Png(4 + Data.size());
                                 std::memcpy(Png.data(), "\x89PNG", 4);
                                 std::copy(Data.begin(), Data.end(), Png.begin() + 4);
                                 return Png;
                             }});
    const TClipboardFormat Jfif = RegisterClipboardFormat("JFIF");
    Put({{CF_METAFILEPICT, Bytes({0xD7, 0xCD})}, {CF_ENHMETAFILE, Bytes({1, 2, 3})}, {Jfif, Bytes({0xFF, 0xD8})}});
    // Data published before the renderer goes keep it.
    SetClipboardPngRenderer({});
    const QMimeData* Published = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(Published->formats(), (QStringList{"image/x-wmf", "image/x-emf", "image/jpeg", "image/png"}));
    EXPECT_EQ(Drawn, 0);
    EXPECT_EQ(Published->data("image/png"), QByteArray("\x89PNG\x01\x02\x03", 7));
    EXPECT_EQ(Published->data("image/png"), QByteArray("\x89PNG\x01\x02\x03", 7));
    EXPECT_EQ(Drawn, 1);
    // Without a renderer only a bitmap is drawn as PNG.
    Put({{Jfif, Bytes({0xFF, 0xD8})}});
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->formats(), QStringList{"image/jpeg"});
}

TEST_F(ClipboardTest, AnotherProgramsPngArrivesAsABitmap)
{
    QImage Image(2, 1, QImage::Format_ARGB32);
    Image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    Image.setPixel(1, 0, qRgba(0, 0, 0, 0));
    PutForeign("image/png", Encoded(Image, "PNG"));

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_DIB));
    const auto Dib = Get(CF_DIB);
    ASSERT_TRUE(Dib.has_value());
    ASSERT_GE(Dib->size(), 40u);
    EXPECT_EQ(Little32(*Dib, 4), 2u);
    EXPECT_EQ(Little32(*Dib, 8), 1u);
    // Whatever depth the DIB has, its single row ends the block: read its last pixels back.
    const QImage Back =
        QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(Dib->data()), qsizetype(Dib->size()))
                             .prepend(QByteArray("BM\0\0\0\0\0\0\0\0\x36\0\0\0", 14)),
                         "BMP");
    ASSERT_EQ(Back.size(), QSize(2, 1));
    EXPECT_EQ(Back.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(Back.pixel(1, 0), qRgb(255, 255, 255)) << "transparency is laid on white";
}

TEST_F(ClipboardTest, AnotherProgramsJpegArrivesAsJfifAndMetafilesAsMetafiles)
{
    const QByteArray Jpeg = Encoded(Filled(QSize(4, 4)), "JPEG");
    PutForeign("image/jpeg", Jpeg);
    const TClipboardFormat Jfif = RegisterClipboardFormat("jfif");
    EXPECT_EQ(ClipboardFormats(), std::vector<TClipboardFormat>{Jfif});
    const auto Data = Get(Jfif);
    ASSERT_TRUE(Data.has_value());
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Data->data()), qsizetype(Data->size())), Jpeg);

    PutForeign("image/x-wmf", QByteArray("\xD7\xCD\xC6\x9A", 4));
    EXPECT_EQ(ClipboardFormats(), std::vector<TClipboardFormat>{CF_METAFILEPICT});
    EXPECT_EQ(Get(CF_METAFILEPICT), Bytes({0xD7, 0xCD, 0xC6, 0x9A}));
    PutForeign("image/x-emf", QByteArray("\x01\0\0\0", 4));
    EXPECT_EQ(Get(CF_ENHMETAFILE), Bytes({1, 0, 0, 0}));
    EXPECT_EQ(Get(CF_METAFILEPICT), std::nullopt) << "the earlier data is gone with the change";
}

TEST_F(ClipboardTest, AJpegRenderedFromALosslessPictureIsNoJfif)
{
    const QImage Image = Filled(QSize(4, 4));
    auto Both = std::make_unique<QMimeData>();
    Both->setData("image/png", Encoded(Image, "PNG"));
    Both->setData("image/jpeg", Encoded(Image, "JPEG"));
    QGuiApplication::clipboard()->setMimeData(Both.release());
    const TClipboardFormat Jfif = RegisterClipboardFormat("JFIF");
    EXPECT_EQ(ClipboardFormats(), (std::vector<TClipboardFormat>{CF_BITMAP, CF_DIB}));
    EXPECT_EQ(Get(Jfif), std::nullopt);

    auto JpegFirst = std::make_unique<QMimeData>();
    JpegFirst->setData("image/jpeg", Encoded(Image, "JPEG"));
    JpegFirst->setData("image/png", Encoded(Image, "PNG"));
    QGuiApplication::clipboard()->setMimeData(JpegFirst.release());
    EXPECT_EQ(ClipboardFormats(), (std::vector<TClipboardFormat>{Jfif, CF_BITMAP, CF_DIB}));
}

TEST_F(ClipboardTest, TextOffersNothingAndFilesComeAsNames)
{
    auto Text = std::make_unique<QMimeData>();
    Text->setText("some words");
    QGuiApplication::clipboard()->setMimeData(Text.release());
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_TRUE(ClipboardFileNames().empty());

    auto Files = std::make_unique<QMimeData>();
    Files->setUrls(
        {QUrl::fromLocalFile("/tmp/写真 1.jpg"), QUrl("https://example.org/a.png"), QUrl::fromLocalFile("/tmp/b.bmp")});
    QGuiApplication::clipboard()->setMimeData(Files.release());
    EXPECT_EQ(ClipboardFileNames(), (std::vector<std::string>{"/tmp/写真 1.jpg", "/tmp/b.bmp"}));
}

TEST_F(ClipboardTest, ClosingAfterEmptyingAloneClearsTheDesktopClipboard)
{
    PutForeign("image/x-emf", QByteArray("\x01\0\0\0", 4));
    ASSERT_TRUE(OpenClipboard());
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    EXPECT_TRUE(ClipboardFormats().empty());
    const QMimeData* Data = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(Data == nullptr || Data->formats().isEmpty());
}
