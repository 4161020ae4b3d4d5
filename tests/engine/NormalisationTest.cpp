#include "platform/graphics/HalftonePalette.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TKelvoImage> ImageAtFormat(TPixelFormat Format)
{
    TBitmap Bitmap = MakeRandomBitmap(5, 3, 24, 11);
    Bitmap.SetPixelFormat(Format);
    return ImageWith(Bitmap);
}

} // namespace

TEST(Normalisation, AnEightBitPictureComesBackEightBitOnTheHalftonePalette)
{
    TBitmap Bitmap = MakeRandomBitmap(5, 3, 8, 4);
    ASSERT_NE(Bitmap.Palette(), HalftonePalette());
    auto Image = ImageWith(Bitmap);
    Image->GrayScale();
    EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf8bit);
    EXPECT_EQ(PictureOf(*Image).Palette(), HalftonePalette());
}

TEST(Normalisation, SixteenAndFifteenBitPicturesEndAtTwentyFour)
{
    for (TPixelFormat Format : {pf15bit, pf16bit}) {
        auto Image = ImageAtFormat(Format);
        ASSERT_EQ(Image->BitsPerPixel(), 16);
        Image->Negative();
        EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf24bit);
    }
}

TEST(Normalisation, ThirtyTwoBitPicturesStayThirtyTwo)
{
    auto Image = ImageAtFormat(pf32bit);
    Image->Sepia();
    EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf32bit);
}

TEST(Normalisation, ADeviceBitmapEndsAsAThirtyTwoBitSection)
{
    auto Image = ImageAtFormat(pfDevice);
    Image->Bright(50);
    EXPECT_EQ(PictureOf(*Image).HandleType(), bmDIB);
    EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf32bit);
}

TEST(Normalisation, LowDepthPicturesAreRefusedUntouched)
{
    for (int BitCount : {1, 4}) {
        const TBitmap Original = MakeRandomBitmap(7, 2, BitCount, 9);
        auto Image = ImageWith(Original);
        TEventLog Log(*Image);
        Image->Negative();
        EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Negative"}));
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Original));
    }
}

TEST(Normalisation, TheLevelRangeQueryRestoresTheFormat)
{
    auto Image = ImageAtFormat(pf16bit);
    int Low = 0;
    int High = 0;
    Image->GetLevelRange(Low, High, 1, 10);
    EXPECT_LE(Low, High);
    // 16 bits are not restored by the rule: the query leaves them at 24 as the operations do.
    EXPECT_EQ(PictureOf(*Image).PixelFormat(), pf24bit);
    auto Eight = ImageWith(MakeRandomBitmap(5, 3, 8, 2));
    Eight->GetLevelRange(Low, High, 1, 10);
    EXPECT_EQ(PictureOf(*Eight).PixelFormat(), pf8bit);
}
