// A metafile drawn onto a large 24-bit bitmap is played band by band on several threads; its fills, hatches,
// text and raster operations come out as when the whole picture is played at once through one 32-bit copy.
// Strokes crossing a border between bands may differ a little: the toolkit steps a one-pixel line from
// where the device's edge cuts it, and counts its dots and dashes from there.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BitmapPainter.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfPlayer.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <uemf.h>

namespace {

// The picture's frame in reference-device pixels (96 dpi) and the bitmap it is drawn onto: more than
// 2^22 pixels, so that drawing it plays it in bands, and a scale that is not whole.
constexpr int FrameSide = 1500;
constexpr int BitmapWidth = 2100, BitmapHeight = 2110;

std::int32_t FloatBits(float Value)
{
    return std::bit_cast<std::int32_t>(Value);
}

// Shapes, hatches, text, clipping and raster operations at random places over the frame, so that many
// cross the borders between bands; their outlines are stroked with random pens when Stroked is set.
std::vector<std::uint8_t> RandomDrawing(unsigned Seed, bool Stroked)
{
    std::mt19937 Random(Seed);
    const auto Coordinate = [&] { return std::int32_t(Random() % (FrameSide + 200)) - 100; };
    const auto Colour = [&] { return std::int32_t(Random() & 0xFFFFFF); };
    TEmfWriter Writer;
    for (std::uint32_t Handle = 1; Handle <= 3; ++Handle) Writer.UseHandle(Handle);
    Writer.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_PEN)});
    Writer.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_WHITE_BRUSH)});
    Writer.Add(U_EMR_RECTANGLE, {100, 100, FrameSide - 100, FrameSide - 100});
    std::vector<std::uint8_t> Face(300, 0);
    const std::u16string Name = u"DejaVu Sans";
    std::memcpy(Face.data() + 8, Name.data(), Name.size() * 2);
    Writer.Add(U_EMR_EXTCREATEFONTINDIRECTW, {3, -70, 0, 0, 0, 700}, Face);
    Writer.Add(U_EMR_SELECTOBJECT, {3});
    for (int Shape = 0; Shape < 60; ++Shape) {
        const std::int32_t PenStyles[] = {U_PS_SOLID, U_PS_DOT, U_PS_DASH, U_PS_NULL};
        Writer.Add(U_EMR_CREATEPEN,
                   {1, Stroked ? PenStyles[Random() % 4] : U_PS_NULL, std::int32_t(Random() % 6), 0, Colour()});
        Writer.Add(U_EMR_SELECTOBJECT, {1});
        const bool Hatched = Random() % 3 == 0;
        Writer.Add(U_EMR_CREATEBRUSHINDIRECT,
                   {2, Hatched ? U_BS_HATCHED : U_BS_SOLID, Colour(), std::int32_t(Random() % 6)});
        Writer.Add(U_EMR_SELECTOBJECT, {2});
        Writer.Add(U_EMR_SETBKMODE, {Random() % 2 ? U_OPAQUE : U_TRANSPARENT});
        Writer.Add(U_EMR_SETBKCOLOR, {Colour()});
        Writer.Add(U_EMR_SETBRUSHORGEX, {Coordinate() % 8, Coordinate() % 8});
        Writer.Add(U_EMR_SETROP2, {Random() % 5 == 0 ? U_R2_XORPEN : U_R2_COPYPEN});
        const bool Clipped = Random() % 4 == 0;
        if (Clipped) {
            Writer.Add(U_EMR_SAVEDC, {});
            Writer.Add(U_EMR_INTERSECTCLIPRECT, {Coordinate(), Coordinate(), Coordinate(), Coordinate()});
        }
        const std::int32_t Left = Coordinate(), Top = Coordinate(), Right = Coordinate(), Bottom = Coordinate();
        switch (Random() % 6) {
        case 0:
            Writer.Add(U_EMR_RECTANGLE, {Left, Top, Right, Bottom});
            break;
        case 1:
            Writer.Add(U_EMR_ELLIPSE, {Left, Top, Right, Bottom});
            break;
        case 2:
            Writer.Add(U_EMR_PIE, {Left, Top, Right, Bottom, Coordinate(), Coordinate(), Coordinate(), Coordinate()});
            break;
        case 3:
            Writer.Add(U_EMR_POLYGON, {0, 0, 0, 0, 3, Left, Top, Right, Bottom, Coordinate(), Coordinate()});
            break;
        case 4:
            Writer.Add(U_EMR_MOVETOEX, {Left, Top});
            Writer.Add(U_EMR_LINETO, {Right, Bottom});
            break;
        default: {
            // A string with its opaque rectangle; advances given or the font's own.
            const std::u16string Text = u"Band " + std::u16string(1, char16_t(u'A' + Shape % 26)) + u"gjÅ";
            const bool Advances = Random() % 2 == 0;
            std::vector<std::uint8_t> Tail(Text.size() * (Advances ? 6 : 2));
            std::memcpy(Tail.data(), Text.data(), Text.size() * 2);
            for (std::size_t Index = 0; Advances && Index < Text.size(); ++Index) {
                const std::int32_t Advance = 20 + std::int32_t(Random() % 40);
                std::memcpy(Tail.data() + Text.size() * 2 + Index * 4, &Advance, 4);
            }
            const std::int32_t Dx = Advances ? 76 + std::int32_t(Text.size()) * 2 : 0;
            Writer.Add(U_EMR_SETTEXTCOLOR, {Colour()});
            Writer.Add(U_EMR_EXTTEXTOUTW,
                       {0, 0, 0, 0, 1, FloatBits(1), FloatBits(1), Left, Top, std::int32_t(Text.size()), 76,
                        Random() % 2 ? U_ETO_OPAQUE : 0, Left, Top, Left + 200, Top + 60, Dx},
                       Tail);
            break;
        }
        }
        if (Clipped) Writer.Add(U_EMR_RESTOREDC, {-1});
    }
    constexpr std::int32_t Extent = FrameSide * 2540 / 96 - 1;
    return Writer.Finish({0, 0, Extent, Extent}, {1920, 1080, 508000, 285750});
}

// A bitmap of the test's size with a pattern of rows under the picture, which its clipped parts leave.
TBitmap PatternedBitmap()
{
    TBitmap Bitmap;
    Bitmap.SetLayout(BitmapWidth, BitmapHeight, 24);
    for (int Y = 0; Y < BitmapHeight; ++Y)
        for (std::size_t Byte = 0; Byte < std::size_t(BitmapWidth) * 3; ++Byte)
            Bitmap.ScanLine(Y)[Byte] = std::uint8_t(Y * 7 + Byte);
    return Bitmap;
}

struct TBitmaps
{
    TBitmap Banded, Whole;
};

// The stream drawn by the metafile onto the large bitmap, and played onto it whole, as a smaller bitmap is.
TBitmaps DrawBothWays(std::vector<std::uint8_t> Stream)
{
    TMetafile Metafile;
    Metafile.SetEmfBytes(std::move(Stream));
    const std::span<const std::uint8_t> Emf = Metafile.EmfBytes();
    TBitmaps Result{PatternedBitmap(), PatternedBitmap()};
    Metafile.Draw(Result.Banded.Canvas(), Rect(0, 0, BitmapWidth, BitmapHeight));
    const QRectF Into(0, 0, BitmapWidth, BitmapHeight);
    PaintOnBitmap(Result.Whole, [&](QPainter& Painter) { PlayEmf(Emf, Painter, Into, EmfFrameInDevicePixels(Emf)); });
    return Result;
}

int DifferingPixels(const TBitmap& A, const TBitmap& B)
{
    int Count = 0;
    for (int Y = 0; Y < A.Height(); ++Y)
        for (int X = 0; X < A.Width(); ++X) Count += std::memcmp(A.ScanLine(Y) + 3 * X, B.ScanLine(Y) + 3 * X, 3) != 0;
    return Count;
}

// Mean absolute difference per channel, in levels.
double MeanDifference(const TBitmap& A, const TBitmap& B)
{
    double Sum = 0;
    for (int Y = 0; Y < A.Height(); ++Y)
        for (int Byte = 0; Byte < A.Width() * 3; ++Byte) Sum += std::abs(A.ScanLine(Y)[Byte] - B.ScanLine(Y)[Byte]);
    return Sum / (3.0 * A.Width() * A.Height());
}

} // namespace

TEST(MetafileBands, FillsHatchesAndTextComeOutAsInAWholePlayback)
{
    EnsureApplication();
    for (unsigned Seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(Seed);
        const TBitmaps Drawn = DrawBothWays(RandomDrawing(Seed, false));
        EXPECT_EQ(DifferingPixels(Drawn.Banded, Drawn.Whole), 0);
    }
}

TEST(MetafileBands, StrokesDifferOnlyWhereBandBordersCutThem)
{
    // Solid strokes differ by a level here and there, dotted ones by where their dots fall after a border:
    // a few pixels in a thousand, far below what the eye or the likeness to a reference rendering tells.
    EnsureApplication();
    for (unsigned Seed : {4u, 5u, 6u}) {
        SCOPED_TRACE(Seed);
        const TBitmaps Drawn = DrawBothWays(RandomDrawing(Seed, true));
        EXPECT_LT(double(DifferingPixels(Drawn.Banded, Drawn.Whole)) / (BitmapWidth * BitmapHeight), 0.006);
        EXPECT_LT(MeanDifference(Drawn.Banded, Drawn.Whole), 0.25);
    }
}

TEST(MetafileBands, EveryBandIsPaintedOnceAndAFailureIsRaisedAfterwards)
{
    TBitmap Target;
    Target.SetLayout(BitmapWidth, BitmapHeight, 24);
    std::mutex Lock;
    std::vector<int> Tops;
    PaintOnBitmapInBands(Target, [&](QPainter& Painter, int Top) {
        Painter.fillRect(0, 0, BitmapWidth, BitmapHeight, QColor(Top % 250 + 1, 0, 0));
        const std::lock_guard Guard(Lock);
        Tops.push_back(Top);
    });
    std::sort(Tops.begin(), Tops.end());
    ASSERT_GT(Tops.size(), 1u);
    EXPECT_EQ(Tops.front(), 0);
    EXPECT_EQ(std::adjacent_find(Tops.begin(), Tops.end()), Tops.end()) << "a band painted twice";
    // Each row shows the band it lies in: the bands follow each other without a gap or an overlap.
    Tops.push_back(BitmapHeight);
    for (std::size_t Band = 0; Band + 1 < Tops.size(); ++Band)
        for (int Y = Tops[Band]; Y < Tops[Band + 1]; ++Y)
            ASSERT_EQ(Target.ScanLine(Y)[2], Tops[Band] % 250 + 1) << "row " << Y;

    EXPECT_THROW(PaintOnBitmapInBands(Target,
                                      [](QPainter&, int Top) {
                                          if (Top > 0) throw std::runtime_error("damaged");
                                      }),
                 std::runtime_error);
}
