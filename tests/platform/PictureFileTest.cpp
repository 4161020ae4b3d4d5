// TPicture's files: the class by extension, the messages of failures, and saves that fail without
// touching the file they would replace.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/graphics/Picture.h"
#include "platform/graphics/PngImage.h"
#include "platform/graphics/TiffImage.h"
#include "platform/graphics/WebPImage.h"
#include "platform/system/Exceptions.h"
#include "platform/system/Messages.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

namespace {

class PictureFile : public TFolderTest
{
protected:
    void WriteText(const std::string& Name, const std::string& Text) const
    {
        std::ofstream(PathOf(Name), std::ios::binary) << Text;
    }
};

template <class TException> std::string MessageOf(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const TException& Error) {
        return Error.Message();
    }
    return "no exception";
}

} // namespace

TEST_F(PictureFile, SavesAndLoadsBitmapsWhateverTheExtensionsCase)
{
    const TBitmap Source = MakeRandomBitmap(5, 4, 24, 11);
    TPicture Picture;
    Picture.SetGraphic(&Source);
    for (const std::string Name : {"lower.bmp", "upper.BMP", "mixed.Bmp"}) {
        Picture.SaveToFile(PathOf(Name));
        TPicture Loaded;
        Loaded.LoadFromFile(PathOf(Name));
        ASSERT_NE(dynamic_cast<TBitmap*>(Loaded.Graphic()), nullptr) << Name;
        EXPECT_TRUE(SamePixels(Loaded.Bitmap(), Source)) << Name;
    }
    EXPECT_EQ(TPicture::ExtensionOf("/a.b/Picture.JPeG"), "jpeg");
    EXPECT_EQ(TPicture::ExtensionOf("/a.b/Picture"), "");
    EXPECT_NE(TPicture::MakeGraphicFor("bmp"), nullptr);
}

TEST_F(PictureFile, SavedBitmapFileHoldsWhatItsStreamHolds)
{
    // More rows than one gathered write takes, at every depth, so the file goes out in several calls.
    for (const int Depth : {1, 8, 24, 32}) {
        const TBitmap Source = MakeRandomBitmap(7, 2500, Depth, 12);
        TPicture Picture;
        Picture.SetGraphic(&Source);
        Picture.SaveToFile(PathOf("tall.bmp"));
        std::vector<std::uint8_t> Expected;
        Source.SaveToStream(Expected);
        std::ifstream File(PathOf("tall.bmp"), std::ios::binary);
        const std::vector<std::uint8_t> Written((std::istreambuf_iterator<char>(File)),
                                                std::istreambuf_iterator<char>());
        EXPECT_EQ(Written, Expected) << Depth;
        TPicture Loaded;
        Loaded.LoadFromFile(PathOf("tall.bmp"));
        EXPECT_TRUE(SamePixels(Loaded.Bitmap(), Source)) << Depth;
    }
}

TEST_F(PictureFile, UnknownExtensionIsNamedInTheMessage)
{
    WriteText("picture.pcx", "\x0A\x05\x01\x08");
    TPicture Picture;
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Picture.LoadFromFile(PathOf("picture.pcx")); }),
              "拡張子 .pcx の画像形式は処理できません");
    WriteText("picture", "");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Picture.LoadFromFile(PathOf("picture")); }),
              "拡張子 . の画像形式は処理できません");
    EXPECT_EQ(Picture.Graphic(), nullptr);
}

TEST_F(PictureFile, MissingFileCannotBeOpened)
{
    TPicture Picture;
    const std::string Missing = PathOf("missing.bmp");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { Picture.LoadFromFile(Missing); }), "ファイル " + Missing + " は開けません");
    // A folder is no file either.
    std::filesystem::create_directory(PathOf("folder.bmp"));
    EXPECT_EQ(MessageOf<EFOpenError>([&] { Picture.LoadFromFile(PathOf("folder.bmp")); }),
              "ファイル " + PathOf("folder.bmp") + " は開けません");
}

TEST_F(PictureFile, FailedLoadKeepsTheGraphic)
{
    const TBitmap Source = MakeRandomBitmap(3, 3, 8, 12);
    TPicture Picture;
    Picture.SetGraphic(&Source);
    WriteText("damaged.bmp", "BM this is no bitmap");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Picture.LoadFromFile(PathOf("damaged.bmp")); }),
              Messages::SInvalidBitmap);
    EXPECT_TRUE(SamePixels(Picture.Bitmap(), Source));
}

TEST_F(PictureFile, SaveIntoMissingFolderOrOverAFolderFails)
{
    const TBitmap Source = MakeRandomBitmap(3, 3, 24, 13);
    TPicture Picture;
    Picture.SetGraphic(&Source);
    const std::string NoFolder = PathOf("absent/out.bmp");
    EXPECT_EQ(MessageOf<EFCreateError>([&] { Picture.SaveToFile(NoFolder); }),
              "ファイル " + NoFolder + " を作成できません");
    std::filesystem::create_directory(PathOf("taken.bmp"));
    EXPECT_EQ(MessageOf<EFCreateError>([&] { Picture.SaveToFile(PathOf("taken.bmp")); }),
              "ファイル " + PathOf("taken.bmp") + " を作成できません");
    EXPECT_TRUE(std::filesystem::is_directory(PathOf("taken.bmp")));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"taken.bmp"});
}

// A write that runs out of room (here the file-size limit, which binds root too) fails the save and
// leaves the previous file exactly as it was.
TEST_F(PictureFile, FailedWriteLeavesThePreviousFile)
{
    WriteText("keep.bmp", "previous contents");
    const TBitmap Source = MakeRandomBitmap(64, 64, 24, 14);
    TPicture Picture;
    Picture.SetGraphic(&Source);

    rlimit Old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Old), 0);
    const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit Small = Old;
    Small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
    const std::string Message = MessageOf<EFCreateError>([&] { Picture.SaveToFile(PathOf("keep.bmp")); });
    setrlimit(RLIMIT_FSIZE, &Old);
    std::signal(SIGXFSZ, OldHandler);

    EXPECT_EQ(Message, "ファイル " + PathOf("keep.bmp") + " を作成できません");
    std::ifstream Kept(PathOf("keep.bmp"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Kept), {}), "previous contents");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"keep.bmp"});
}

namespace {

std::vector<std::uint8_t> BytesOf(const TGraphic& Graphic)
{
    std::vector<std::uint8_t> Bytes;
    Graphic.SaveToStream(Bytes);
    return Bytes;
}

// A one-entry icon of one 32-bit pixel: directory, entry, BITMAPINFOHEADER of double height, the pixel
// and a row of the AND mask.
std::vector<std::uint8_t> OnePixelIcon()
{
    std::vector<std::uint8_t> Bytes = {0, 0, 1, 0,  1, 0, 1, 1, 0, 0, 1, 0, 32, 0, 48, 0, 0, 0,  22,
                                       0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 2, 0,  0, 0,  1, 0, 32, 0};
    Bytes.resize(Bytes.size() + 24, 0);
    Bytes.insert(Bytes.end(), {0x10, 0x20, 0x30, 0xFF, 0, 0, 0, 0});
    return Bytes;
}

std::vector<std::uint8_t> Recording(bool Enhanced)
{
    TMetafile Metafile;
    Metafile.SetWidth(20);
    Metafile.SetHeight(10);
    {
        TMetafileCanvas Canvas(Metafile);
        Canvas.Rectangle(2, 2, 18, 8);
    }
    Metafile.SetEnhanced(Enhanced);
    return BytesOf(Metafile);
}

} // namespace

TEST_F(PictureFile, OpensAFileByItsContentWhateverItsName)
{
    const TBitmap Source = MakeRandomBitmap(6, 4, 24, 3);
    TJPEGImage Jpeg;
    Jpeg.Assign(Source);
    TPngImage Png;
    Png.Assign(Source);
    TWebPImage WebP;
    WebP.AssignFromBitmap(Source);
    TTiffImage Tiff;
    Tiff.AssignFromBitmap(Source);
    const auto Placeable = Recording(false);
    const auto Plain = std::vector<std::uint8_t>(Placeable.begin() + 22, Placeable.end());
    const struct
    {
        std::vector<std::uint8_t> Bytes;
        std::function<bool(const TGraphic*)> IsRightClass;
    } Cases[] = {
        {BytesOf(Jpeg), [](const TGraphic* G) { return dynamic_cast<const TJPEGImage*>(G) != nullptr; }},
        {BytesOf(Source), [](const TGraphic* G) { return dynamic_cast<const TBitmap*>(G) != nullptr; }},
        {BytesOf(Png), [](const TGraphic* G) { return dynamic_cast<const TPngImage*>(G) != nullptr; }},
        {BytesOf(WebP), [](const TGraphic* G) { return dynamic_cast<const TWebPImage*>(G) != nullptr; }},
        {BytesOf(Tiff), [](const TGraphic* G) { return dynamic_cast<const TTiffImage*>(G) != nullptr; }},
        {OnePixelIcon(), [](const TGraphic* G) { return dynamic_cast<const TIcon*>(G) != nullptr; }},
        {Recording(true),
         [](const TGraphic* G) {
             const auto* Metafile = dynamic_cast<const TMetafile*>(G);
             return Metafile && Metafile->Enhanced();
         }},
        {Placeable,
         [](const TGraphic* G) {
             const auto* Metafile = dynamic_cast<const TMetafile*>(G);
             return Metafile && !Metafile->Enhanced();
         }},
        {Plain,
         [](const TGraphic* G) {
             const auto* Metafile = dynamic_cast<const TMetafile*>(G);
             return Metafile && !Metafile->Enhanced();
         }},
    };
    int Index = 0;
    for (const auto& Case : Cases) {
        for (const std::string Name : {"saved.ico", "saved.gif", "saved.dat", "saved", "saved.JPG", "saved.bmp"}) {
            const std::string File = PathOf(std::to_string(Index) + Name);
            std::ofstream(File, std::ios::binary)
                .write(reinterpret_cast<const char*>(Case.Bytes.data()), std::streamsize(Case.Bytes.size()));
            TPicture Picture;
            Picture.LoadFromFile(File);
            EXPECT_TRUE(Case.IsRightClass(Picture.Graphic())) << "case " << Index << " as " << Name;
        }
        ++Index;
    }
}

TEST_F(PictureFile, BytesOfNoFormatKeepTheExtensionsRule)
{
    TPicture Picture;
    WriteText("notes.txt", "plain text, no picture");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Picture.LoadFromFile(PathOf("notes.txt")); }),
              "拡張子 .txt の画像形式は処理できません");
    // A named format whose bytes are no picture fails with that format's message.
    WriteText("noise.jpg", "plain text, no picture");
    EXPECT_EQ(MessageOf<EJPEG>([&] { Picture.LoadFromFile(PathOf("noise.jpg")); }).rfind("JPEG エラー #", 0), 0u);
    WriteText("noise.webp", "plain text, no picture");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Picture.LoadFromFile(PathOf("noise.webp")); }), Messages::SInvalidWebP);
    WriteText("noise.tiff", "plain text, no picture");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { Picture.LoadFromFile(PathOf("noise.tiff")); }), Messages::SInvalidTiff);
    EXPECT_EQ(Picture.Graphic(), nullptr);
}

// A released graphic is the picture's own object; the picture is then empty and no longer hears of the
// graphic's changes.
TEST(Picture, ReleasedGraphicLeavesThePictureAndItsNotifications)
{
    TPicture Picture;
    int Changes = 0;
    Picture.OnChange = [&] { ++Changes; };
    Picture.SetGraphic(std::make_unique<TBitmap>(MakeRandomBitmap(3, 2, 24, 1)));
    const TGraphic* Held = Picture.Graphic();
    Changes = 0;
    std::unique_ptr<TGraphic> Released = Picture.ReleaseGraphic();
    EXPECT_EQ(Released.get(), Held);
    EXPECT_EQ(Picture.Graphic(), nullptr);
    EXPECT_EQ(Changes, 1);
    static_cast<TBitmap&>(*Released).Modified();
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Picture.ReleaseGraphic(), nullptr);
}
