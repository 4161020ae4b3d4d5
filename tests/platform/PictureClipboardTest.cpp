// Graphics on the clipboard: bitmaps and metafiles in their formats, a bound class, icons refused,
// and another program's picture arriving as a bitmap.
#include "platform/graphics/PictureClipboard.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/TiffImage.h"
#include "platform/graphics/WebPImage.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/TestApplication.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {

class PictureClipboard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureApplication();
        QGuiApplication::clipboard()->clear();
    }
};

} // namespace

TEST_F(PictureClipboard, BitmapsComeBackWithTheirPixelsAndPalette)
{
    for (const int BitCount : {8, 24}) {
        const TBitmap Source = MakeRandomBitmap(5, 3, BitCount, std::uint32_t(BitCount));
        CopyGraphicToClipboard(Source);
        EXPECT_TRUE(ClipboardHasGraphic());
        EXPECT_EQ(IsClipboardFormatAvailable(CF_PALETTE), BitCount == 8);
        const auto Back = GraphicFromClipboard();
        const auto* Bitmap = dynamic_cast<const TBitmap*>(Back.get());
        ASSERT_NE(Bitmap, nullptr);
        EXPECT_TRUE(SamePixels(*Bitmap, Source)) << BitCount;
        EXPECT_EQ(Bitmap->ColorTable().Count(), Source.ColorTable().Count());
    }
}

TEST_F(PictureClipboard, MetafilesGoAsEmfAndWmf)
{
    TMetafile Metafile;
    Metafile.SetWidth(40);
    Metafile.SetHeight(30);
    {
        TMetafileCanvas Canvas(Metafile);
        Canvas.Brush.Color = clRed;
        Canvas.FillRect(Rect(0, 0, 40, 30));
    }
    CopyGraphicToClipboard(Metafile);
    EXPECT_EQ(ClipboardFormats(), (std::vector<TClipboardFormat>{CF_ENHMETAFILE, CF_METAFILEPICT}));
    const QMimeData* Published = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(Published->data("image/x-emf").mid(40, 4), " EMF");
    EXPECT_EQ(Published->data("image/x-wmf").left(4), QByteArray("\xD7\xCD\xC6\x9A", 4)) << "placeable header";

    const auto Back = GraphicFromClipboard();
    const auto* Read = dynamic_cast<const TMetafile*>(Back.get());
    ASSERT_NE(Read, nullptr);
    EXPECT_TRUE(Read->Enhanced());
    EXPECT_EQ(Read->MMWidth(), Metafile.MMWidth());
}

TEST_F(PictureClipboard, ABoundClassTravelsUnderItsFormat)
{
    const TClipboardFormat Jfif = RegisterClipboardFormat("JFIF");
    RegisterClipboardGraphic(Jfif, [] { return std::make_unique<TJPEGImage>(); });
    TJPEGImage Jpeg;
    Jpeg.Assign(MakeRandomBitmap(8, 8, 24, 3));
    CopyGraphicToClipboard(Jpeg);
    EXPECT_EQ(ClipboardFormats(), std::vector<TClipboardFormat>{Jfif});
    std::vector<std::uint8_t> Saved;
    Jpeg.SaveToStream(Saved);
    const QByteArray Published = QGuiApplication::clipboard()->mimeData()->data("image/jpeg");
    EXPECT_EQ(std::vector<std::uint8_t>(Published.begin(), Published.end()), Saved);
    const auto Back = GraphicFromClipboard();
    ASSERT_NE(dynamic_cast<const TJPEGImage*>(Back.get()), nullptr);
    EXPECT_EQ(Back->Width(), 8);
}

TEST_F(PictureClipboard, RefusesIconsAndLeavesTheClipboardAsItWas)
{
    const TBitmap Source = MakeRandomBitmap(3, 3, 24, 1);
    CopyGraphicToClipboard(Source);
    TIcon Icon;
    try {
        CopyGraphicToClipboard(Icon);
        FAIL() << "an icon was accepted";
    } catch (const Exception& Error) {
        EXPECT_EQ(Error.Message(), Messages::SNoClipboardIcon);
    }
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(PictureClipboard, AnotherProgramsPictureArrivesAsABitmap)
{
    QImage Image(3, 1, QImage::Format_RGB32);
    Image.setPixel(0, 0, qRgb(255, 0, 0));
    Image.setPixel(1, 0, qRgb(0, 255, 0));
    Image.setPixel(2, 0, qRgb(0, 0, 255));
    QByteArray Png;
    QBuffer Buffer(&Png);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    auto Mime = std::make_unique<QMimeData>();
    Mime->setData("image/png", Png);
    QGuiApplication::clipboard()->setMimeData(Mime.release());

    ASSERT_TRUE(ClipboardHasGraphic());
    const auto Back = GraphicFromClipboard();
    const auto* Bitmap = dynamic_cast<const TBitmap*>(Back.get());
    ASSERT_NE(Bitmap, nullptr);
    ASSERT_EQ(Bitmap->Width(), 3);
    TBitmap Work(*Bitmap);
    Work.SetPixelFormat(pf24bit);
    const std::uint8_t* Row = Work.ScanLine(0);
    // Blue, green, red of each pixel.
    EXPECT_EQ(std::vector<int>(Row, Row + 9), (std::vector<int>{0, 0, 255, 0, 255, 0, 255, 0, 0}));
}

TEST_F(PictureClipboard, TextIsNoPicture)
{
    auto Mime = std::make_unique<QMimeData>();
    Mime->setText("words");
    QGuiApplication::clipboard()->setMimeData(Mime.release());
    EXPECT_FALSE(ClipboardHasGraphic());
    EXPECT_EQ(GraphicFromClipboard(), nullptr);
}

TEST_F(PictureClipboard, WebPTiffGifAndHeifFromOtherProgramsArriveAsBitmaps)
{
    // Files of each type made by this program's own writers, or by the format's tools where it has none.
    TBitmap Source = MakeRandomBitmap(16, 16, 24, 21);
    std::vector<std::pair<QString, std::vector<std::uint8_t>>> Offers;
    TWebPImage WebP;
    WebP.AssignFromBitmap(Source);
    TTiffImage Tiff;
    Tiff.AssignFromBitmap(Source);
    std::vector<std::uint8_t> Bytes;
    WebP.SaveToStream(Bytes);
    Offers.emplace_back("image/webp", Bytes);
    Bytes.clear();
    Tiff.SaveToStream(Bytes);
    Offers.emplace_back("image/tiff", Bytes);
    if (HaveTool("convert") && HaveTool("heif-enc")) {
        const auto Folder = MakeTestFolder("clipboard-formats");
        WritePam(Source, Folder / "source.pam");
        const std::string Pam = (Folder / "source.pam").string();
        ASSERT_TRUE(RunTool("convert " + Pam + " " + (Folder / "source.gif").string()));
        ASSERT_TRUE(RunTool("convert " + Pam + " " + (Folder / "source.png").string()));
        ASSERT_TRUE(
            RunTool("heif-enc -q 90 " + (Folder / "source.png").string() + " -o " + (Folder / "a.heic").string()));
        ASSERT_TRUE(
            RunTool("heif-enc -A -q 90 " + (Folder / "source.png").string() + " -o " + (Folder / "a.avif").string()));
        Offers.emplace_back("image/gif", ReadFileBytes(Folder / "source.gif"));
        Offers.emplace_back("image/heic", ReadFileBytes(Folder / "a.heic"));
        Offers.emplace_back("image/avif", ReadFileBytes(Folder / "a.avif"));
        std::filesystem::remove_all(Folder);
    }
    for (const auto& [MimeType, File] : Offers) {
        auto Mime = std::make_unique<QMimeData>();
        Mime->setData(MimeType, QByteArray(reinterpret_cast<const char*>(File.data()), qsizetype(File.size())));
        QGuiApplication::clipboard()->setMimeData(Mime.release());
        ASSERT_TRUE(ClipboardHasGraphic()) << MimeType.toStdString();
        const auto Back = GraphicFromClipboard();
        const auto* Bitmap = dynamic_cast<const TBitmap*>(Back.get());
        ASSERT_NE(Bitmap, nullptr) << MimeType.toStdString();
        EXPECT_EQ(Bitmap->Width(), 16);
        EXPECT_EQ(Bitmap->Height(), 16);
        TBitmap Upright;
        Upright.Assign(*Bitmap);
        Upright.SetPixelFormat(pf24bit);
        // Random pixels lose much in lossy formats and GIF's palette; the lossless TIFF keeps them all.
        if (MimeType == "image/tiff") {
            EXPECT_TRUE(SamePixels(Upright, Source));
        } else {
            EXPECT_LT(MeanDifference(Upright, Source), 64) << MimeType.toStdString();
        }
    }
}
