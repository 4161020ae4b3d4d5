#include "tests/engine/EngineTestSupport.h"
#include "tests/engine/reference/Reference.h"
#include "tests/support/TestPictures.h"

#include "platform/graphics/Metafile.h"
#include "platform/system/Exceptions.h"

#include <gtest/gtest.h>

namespace {

TBitmap Row24(std::initializer_list<int> Levels)
{
    TBitmap Bitmap;
    Bitmap.SetLayout(int(Levels.size()), 1, 24);
    int X = 0;
    for (const int L : Levels) {
        SetPixel(Bitmap, X, 0, std::uint8_t(L), std::uint8_t(L), std::uint8_t(L));
        ++X;
    }
    return Bitmap;
}

} // namespace

TEST(Shrink, HalvesFourPixelsAsWorkedOut)
{
    auto Image = ImageWith(Row24({0, 100, 200, 255}));
    TEventLog Log(*Image);
    Image->Shrink(2, 1);
    EXPECT_EQ(PixelAt(PictureOf(*Image), 0, 0), (std::array{50, 50, 50}));
    EXPECT_EQ(PixelAt(PictureOf(*Image), 1, 0), (std::array{227, 227, 227}));
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Shrink", "Amended Shrink"}));
}

TEST(Resize, OwnSizeIsTheSamePicture)
{
    const TBitmap Source = MakeRandomBitmap(13, 7, 24, 50);
    auto Image = ImageWith(Source);
    Image->Enlarge(13, 7);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Source));
    Image->Shrink(13, 7);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Source));
}

TEST(Resize, SizesOnTheWrongSideAreRefused)
{
    const TBitmap Source = MakeRandomBitmap(5, 4, 24, 51);
    auto Image = ImageWith(Source);
    TEventLog Log(*Image);
    Image->Enlarge(4, 9);
    Image->Enlarge(9, 3);
    Image->Shrink(6, 1);
    Image->Shrink(0, 1);
    Image->Shrink(5, 0);
    EXPECT_FALSE(Log.Amended());
    EXPECT_EQ(Log.Events.size(), 5u);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Source));
}

TEST(Resize, DepthsComeBackExceptFifteenAndSixteenBits)
{
    for (const auto& [Depth, Expected] : {std::pair{1, 1}, {4, 4}, {8, 8}, {16, 24}, {24, 24}, {32, 32}}) {
        auto Image = ImageWith(MakeRandomBitmap(5, 3, Depth, 52));
        Image->Enlarge(11, 6);
        EXPECT_EQ(PictureOf(*Image).BitCount(), Expected) << Depth;
        EXPECT_EQ(PictureOf(*Image).Width(), 11);
        Image->Shrink(3, 2);
        EXPECT_EQ(PictureOf(*Image).Height(), 2);
    }
}

TEST(Resize, EnlargeMatchesTheReference)
{
    const TBitmap Source = MakeRandomBitmap(9, 5, 24, 53);
    auto Image = ImageWith(Source);
    Image->Enlarge(31, 12);
    EXPECT_TRUE(SamePixels(PictureOf(*Image), ReferenceBilinear(Source, 31, 12)));
}

TEST(Resize, EmptySourcesRaiseTheAssertionFailure)
{
    TKelvoImage Image;
    Image.Picture().SetGraphic(std::make_unique<TBitmap>());
    TEventLog Log(Image);
    try {
        Image.Enlarge(3, 3);
        ADD_FAILURE() << "no assertion failure";
    } catch (const EAssertionFailed& Failure) {
        EXPECT_EQ(Failure.Unit(), "KelvoImg");
        EXPECT_EQ(Failure.Line(), 639);
    }
    EXPECT_EQ(Log.Events, std::vector<std::string>{"Amend Enlarge"});
    try {
        (void)TKelvoImage::AreaAverageResize(TBitmap(), 1, 1);
        ADD_FAILURE() << "no assertion failure";
    } catch (const EAssertionFailed& Failure) {
        EXPECT_EQ(Failure.Line(), 2180);
    }
}

TEST(Turn, QuarterTurnsAtEveryDepthRestoreThePicture)
{
    for (const int Depth : {1, 4, 8, 16, 24, 32}) {
        const TBitmap Source = MakeRandomBitmap(11, 5, Depth, 60 + std::uint32_t(Depth));
        auto Image = ImageWith(Source);
        Image->Turn(90);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), ReferenceTurn(Source, 90))) << Depth;
        Image->Turn(270);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Source)) << Depth;
        Image->Turn(-90);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), ReferenceTurn(Source, 270))) << Depth;
        Image->Turn(450);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Source)) << Depth;
        EXPECT_EQ(PictureOf(*Image).ColorTable(), Source.ColorTable());
    }
}

TEST(Turn, SwapsTheControlSizeAndKeepsItsScaling)
{
    auto Image = ImageWith(MakeRandomBitmap(7, 3, 24, 61));
    Image->SetBounds(0, 0, 70, 30);
    Image->SetStretch(true);
    Image->Turn(90);
    EXPECT_EQ(Image->Width(), 30);
    EXPECT_EQ(Image->Height(), 70);
    EXPECT_TRUE(Image->Stretch());
    EXPECT_FALSE(Image->AutoSize());
    Image->Turn(180);
    EXPECT_EQ(Image->Width(), 30);
}

TEST(Turn, AnglesThatAreNoQuarterTurnAreRefused)
{
    const TBitmap Source = MakeRandomBitmap(4, 3, 24, 62);
    auto Image = ImageWith(Source);
    TEventLog Log(*Image);
    for (const int Angle : {0, 360, -720, 45, 100}) Image->Turn(Angle);
    EXPECT_FALSE(Log.Amended());
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Source));
}

TEST(Reverse, TwiceRestoresAtEveryDepth)
{
    for (const int Depth : {1, 4, 8, 16, 24, 32}) {
        const TBitmap Source = MakeRandomBitmap(9, 4, Depth, 70 + std::uint32_t(Depth));
        auto Image = ImageWith(Source);
        TEventLog Log(*Image);
        Image->Reverse();
        EXPECT_TRUE(SamePixels(PictureOf(*Image), ReferenceReverse(Source))) << Depth;
        Image->Reverse();
        EXPECT_TRUE(SamePixels(PictureOf(*Image), Source)) << Depth;
        EXPECT_EQ(Log.Events.size(), 4u);
    }
}

TEST(Trimming, WholeAreaKeepsThePictureAndOneColumnTooManyIsRefused)
{
    const TBitmap Source = MakeRandomBitmap(9, 6, 24, 80);
    auto Image = ImageWith(Source);
    TEventLog Log(*Image);
    Image->Trimming(Rect(0, 0, 9, 5), true);
    EXPECT_FALSE(Log.Amended());
    Image->Trimming(Rect(0, 0, 8, 5), true);
    EXPECT_TRUE(Log.Amended());
    EXPECT_TRUE(SamePixels(PictureOf(*Image), Source));
}

TEST(Trimming, CutsThePartAtEveryDepth)
{
    for (const int Depth : {1, 4, 8, 16, 24, 32}) {
        const TBitmap Source = MakeRandomBitmap(12, 7, Depth, 81);
        auto Image = ImageWith(Source);
        Image->Trimming(Rect(3, 2, 9, 5), true);
        const TBitmap& Part = PictureOf(*Image);
        ASSERT_EQ(Part.Width(), 7);
        ASSERT_EQ(Part.Height(), 4);
        // The part turned half round is the turned picture's matching part.
        auto Turned = ImageWith(Source);
        Turned->Turn(180);
        Turned->Trimming(Rect(12 - 1 - 9, 7 - 1 - 5, 12 - 1 - 3, 7 - 1 - 2), true);
        Image->Turn(180);
        EXPECT_TRUE(SamePixels(PictureOf(*Image), PictureOf(*Turned))) << Depth;
    }
}

TEST(Trimming, AMetafileBecomesAMetafileOfThePart)
{
    const TBitmap Source = MakeRandomBitmap(12, 7, 24, 82);
    auto Image = ImageWith(Source);
    Image->SetPictureType(picMetafile);
    TEventLog Log(*Image);
    Image->Trimming(Rect(3, 2, 9, 5), true);
    EXPECT_EQ(Log.Events, (std::vector<std::string>{"Amend Trimming", "Amended Trimming"}));
    ASSERT_EQ(Image->PictureType(), picMetafile);
    const auto& Metafile = dynamic_cast<const TMetafile&>(*Image->Picture().Graphic());
    EXPECT_EQ(Metafile.Width(), 7);
    EXPECT_EQ(Metafile.Height(), 4);
    EXPECT_EQ(Metafile.Inch(), 1);
    // Played back, it shows the part of the original: pixel (3, 2) at its corner.
    Image->SetPictureType(picBitmap);
    TBitmap Part = PictureOf(*Image);
    Part.SetPixelFormat(pf24bit);
    auto Expected = ImageWith(Source);
    Expected->Trimming(Rect(3, 2, 9, 5), true);
    EXPECT_TRUE(SamePixels(Part, PictureOf(*Expected)));
    EXPECT_EQ(PixelAt(Part, 0, 0), PixelAt(Source, 3, 2));
}

TEST(Trimming, ControlUnitsOfAStretchedPictureAreScaled)
{
    TBitmap Source;
    Source.SetLayout(100, 50, 24);
    for (int Y = 0; Y < 50; ++Y)
        for (int X = 0; X < 100; ++X) SetPixel(Source, X, Y, std::uint8_t(X), std::uint8_t(Y), 0);
    auto Image = ImageWith(Source);
    Image->SetBounds(0, 0, 200, 100);
    Image->SetStretch(true);
    // Control (21, 11)..(60, 30) is picture (10, 5)..(30, 15): 21 × 11 pixels; the control becomes
    // 40 × 20, the marked area.
    Image->Trimming(Rect(21, 11, 60, 30), false);
    const TBitmap& Part = PictureOf(*Image);
    EXPECT_EQ(Part.Width(), 21);
    EXPECT_EQ(Part.Height(), 11);
    EXPECT_EQ(PixelAt(Part, 0, 0), (std::array{10, 5, 0}));
    EXPECT_EQ(Image->Width(), 40);
    EXPECT_EQ(Image->Height(), 20);
    EXPECT_TRUE(Image->Stretch());
    // A coordinate just left of the control's edge stays negative after scaling.
    TEventLog Log(*Image);
    Image->Trimming(Rect(-1, 0, 10, 10), false);
    EXPECT_FALSE(Log.Amended());
    // In picture units the control's area is scaled the other way: picture (2, 1)..(11, 5) of the
    // 21 × 11 picture in the 40 × 20 control is control (3, 1)..(20, 9).
    Image->Trimming(Rect(2, 1, 11, 5), true);
    EXPECT_EQ(PictureOf(*Image).Width(), 10);
    EXPECT_EQ(Image->Width(), 18);
    EXPECT_EQ(Image->Height(), 9);
}
