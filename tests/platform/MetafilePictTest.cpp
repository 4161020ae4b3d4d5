// Metafile-picture blocks: an enhanced metafile there and back, the record's extent, and the errors of
// the conversion.
#include "platform/graphics/MetafilePict.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/system/LastError.h"
#include "platform/system/Messages.h"

#include "tests/support/MetafileCompare.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TColor PixelOf(const TMetafile& Metafile, int X, int Y)
{
    TBitmap Target;
    Target.SetLayout(40, 30, 24);
    Metafile.Draw(Target.Canvas(), Rect(0, 0, 40, 30));
    const std::uint8_t* Pixel = Target.ScanLine(Y) + 3 * X;
    return RGB(Pixel[2], Pixel[1], Pixel[0]);
}

METAFILEPICT ReadRecord(HGLOBAL Block)
{
    METAFILEPICT Picture{};
    EXPECT_EQ(GlobalSize(Block), sizeof Picture);
    const void* Bytes = GlobalLock(Block);
    EXPECT_NE(Bytes, nullptr);
    if (Bytes != nullptr) std::memcpy(&Picture, Bytes, sizeof Picture);
    GlobalUnlock(Block);
    return Picture;
}

// The message of the EOSError that MetafileFromMetafilePict raises for Picture, or "" when it raises none.
std::string ConversionError(const METAFILEPICT& Picture)
{
    try {
        MetafileFromMetafilePict(Picture);
    } catch (const EOSError& Error) {
        return Error.Message();
    }
    return "";
}

} // namespace

TEST(MetafilePict, EnhancedMetafileGoesThereAndBack)
{
    const TMetafile Recording = MakeRecording();
    HGLOBAL Block = NewMetafilePictBlock(Recording);
    ASSERT_NE(Block, nullptr);
    const METAFILEPICT Picture = ReadRecord(Block);
    EXPECT_EQ(Picture.mm, MM_ANISOTROPIC);
    EXPECT_EQ(Picture.xExt, Recording.MMWidth());
    EXPECT_EQ(Picture.yExt, Recording.MMHeight());
    // The bits begin with a Windows metafile's header: in memory (1), nine words long, version 3.
    const std::uint32_t Size = GetMetaFileBitsEx(Picture.hMF, 0, nullptr);
    ASSERT_GE(Size, 18u);
    std::uint8_t Header[6];
    EXPECT_EQ(GetMetaFileBitsEx(Picture.hMF, 6, Header), 6u);
    EXPECT_EQ(Header[0] | Header[1] << 8, 1);
    EXPECT_EQ(Header[2] | Header[3] << 8, 9);
    EXPECT_EQ(Header[4] | Header[5] << 8, 0x300);

    const TMetafile Back = MetafileFromMetafilePict(Picture);
    EXPECT_TRUE(Back.Enhanced());
    EXPECT_EQ(Back.MMWidth(), Recording.MMWidth());
    EXPECT_EQ(Back.MMHeight(), Recording.MMHeight());
    EXPECT_EQ(PixelOf(Back, 5, 5), clRed);
    EXPECT_EQ(PixelOf(Back, 35, 25), clRed);
    EXPECT_EQ(PixelOf(Back, 20, 15), clBlue);
    FreeMetafilePictBlock(Block);
    EXPECT_EQ(GlobalSize(Block), 0u);
    EXPECT_EQ(GlobalSize(Picture.hMF), 0u);
}

TEST(MetafilePict, TheRecordsExtentBecomesTheFrame)
{
    HGLOBAL Block = NewMetafilePictBlock(MakeRecording());
    ASSERT_NE(Block, nullptr);
    METAFILEPICT Picture = ReadRecord(Block);
    Picture.xExt = 5000, Picture.yExt = 2500; // 50 mm × 25 mm
    const TMetafile Scaled = MetafileFromMetafilePict(Picture);
    EXPECT_EQ(Scaled.MMWidth(), 5000);
    EXPECT_EQ(Scaled.MMHeight(), 2500);
    // An extent that only suggests a ratio leaves the metafile's own frame.
    Picture.xExt = -1, Picture.yExt = -1;
    const TMetafile Own = MetafileFromMetafilePict(Picture);
    EXPECT_GT(Own.MMWidth(), 0);
    EXPECT_NE(Own.MMWidth(), 5000);
    FreeMetafilePictBlock(Block);
}

TEST(MetafilePict, AnEmptyMetafileGivesNoBlock)
{
    EXPECT_EQ(NewMetafilePictBlock(TMetafile()), nullptr);
}

TEST(MetafilePict, ConversionErrorsCarryTheLastErrorText)
{
    const std::string InvalidHandle = FormatMessage(Messages::SOSError, 6, Messages::SErrorInvalidHandle);
    const std::string InvalidData = FormatMessage(Messages::SOSError, 13, Messages::SErrorInvalidData);
    // No metafile, or one already freed.
    EXPECT_EQ(ConversionError({MM_ANISOTROPIC, 100, 100, nullptr}), InvalidHandle);
    HGLOBAL Block = NewMetafilePictBlock(MakeRecording());
    ASSERT_NE(Block, nullptr);
    const METAFILEPICT Freed = ReadRecord(Block);
    FreeMetafilePictBlock(Block);
    EXPECT_EQ(ConversionError(Freed), InvalidHandle);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    // Bits that are no Windows metafile: text, and a header of a wrong size.
    const char Text[] = "not a metafile at all";
    HGLOBAL Garbage = GlobalAlloc(sizeof Text);
    std::memcpy(GlobalLock(Garbage), Text, sizeof Text);
    GlobalUnlock(Garbage);
    EXPECT_EQ(ConversionError({MM_ANISOTROPIC, 100, 100, Garbage}), InvalidData);
    EXPECT_TRUE(DeleteMetaFile(Garbage));
    EXPECT_FALSE(DeleteMetaFile(Garbage));
    const std::uint8_t WrongHeader[] = {1, 0, 5, 0, 0, 3, 0x40, 0, 0, 0, 0, 0, 0x20, 0, 0, 0, 0, 0, 0x10, 0, 0, 0};
    HGLOBAL Short = GlobalAlloc(sizeof WrongHeader);
    std::memcpy(GlobalLock(Short), WrongHeader, sizeof WrongHeader);
    GlobalUnlock(Short);
    EXPECT_EQ(ConversionError({MM_ANISOTROPIC, 100, 100, Short}), InvalidData);
    DeleteMetaFile(Short);
}

TEST(LastError, MessagesNameTheCodeAndItsText)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    try {
        RaiseLastOSError();
        ADD_FAILURE() << "nothing raised";
    } catch (const EOSError& Error) {
        EXPECT_EQ(Error.ErrorCode(), ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(Error.Message(),
                  std::string("システム エラー。コード: 8。\nこのコマンドを実行するのに十分な記憶域がありません。"));
    }
    EXPECT_EQ(SysErrorMessage(99999), "");
}
