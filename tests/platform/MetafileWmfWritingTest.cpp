// EMF drawings saved as Windows metafiles: mapping modes, windows and viewports, world scaling, Béziers,
// poly-draws and paths stay vectors, and the WMF shows the same picture as the EMF.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "tests/support/ExternalTools.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include <uemf.h>
#include <uwmf.h>

namespace {

constexpr int FrameWidth = 400, FrameHeight = 300;

std::int32_t FloatBits(float Value)
{
    return std::bit_cast<std::int32_t>(Value);
}

// Where a drawing laid out on a 1000 × 750 design grid lands in the records' logical units, and the
// records that set up the page space first.
struct TMapping
{
    std::string Name;
    std::function<void(TEmfWriter&)> SetUp;
    double Scale = 1; // logical units per design unit
    bool YUp = false; // logical y grows upwards
    int OffsetX = 0, OffsetY = 0;
};

std::vector<TMapping> Mappings()
{
    return {
        {"anisotropic",
         [](TEmfWriter& W) {
             W.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
             W.Add(U_EMR_SETWINDOWORGEX, {-200, 100});
             W.Add(U_EMR_SETWINDOWEXTEX, {1000, 750});
             W.Add(U_EMR_SETVIEWPORTORGEX, {20, 10});
             W.Add(U_EMR_SETVIEWPORTEXTEX, {360, 280});
         },
         1, false, -200, 100},
        {"isotropic, y upwards",
         [](TEmfWriter& W) {
             W.Add(U_EMR_SETMAPMODE, {U_MM_ISOTROPIC});
             W.Add(U_EMR_SETWINDOWEXTEX, {1000, 1000});
             W.Add(U_EMR_SETVIEWPORTEXTEX, {380, -280});
             W.Add(U_EMR_SETVIEWPORTORGEX, {200, 150});
         },
         1, true, -500, 375},
        {"0.1 mm",
         [](TEmfWriter& W) {
             W.Add(U_EMR_SETMAPMODE, {U_MM_LOMETRIC});
             W.Add(U_EMR_SETWINDOWORGEX, {50, -20});
             W.Add(U_EMR_SETVIEWPORTORGEX, {10, 10});
         },
         1, true, 50, -20},
        {"twips, scaled window",
         [](TEmfWriter& W) {
             W.Add(U_EMR_SETMAPMODE, {U_MM_TWIPS});
             W.Add(U_EMR_SETVIEWPORTORGEX, {30, 20});
         },
         5, true, 0, 0},
        {"world scaling, scaled viewport",
         [](TEmfWriter& W) {
             W.Add(U_EMR_SETWORLDTRANSFORM, {FloatBits(0.7f), 0, 0, FloatBits(0.7f), FloatBits(40), FloatBits(20)});
             W.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
             W.Add(U_EMR_SCALEVIEWPORTEXTEX, {1, 2, 1, 2});
         },
         1, false, 0, 0},
    };
}

// Shapes, text, Béziers, a poly-draw and filled and stroked paths on the design grid. For another
// program's reader, Background (in design units) is first filled pale yellow without an outline, and the
// ellipse is left unfilled, as that reader's bitmap renderer leaves ellipses.
std::vector<std::uint8_t> Drawing(const TMapping& Mapping, std::optional<std::array<int, 4>> Background = {})
{
    const auto X = [&](double Design) { return std::int32_t(std::lround(Design * Mapping.Scale + Mapping.OffsetX)); };
    const auto Y = [&](double Design) {
        return std::int32_t(std::lround((Mapping.YUp ? -Design : Design) * Mapping.Scale + Mapping.OffsetY));
    };
    const auto Size = [&](double Design) { return std::int32_t(std::lround(Design * Mapping.Scale)); };
    TEmfWriter W;
    for (std::uint32_t Handle = 1; Handle <= 3; ++Handle) W.UseHandle(Handle);
    Mapping.SetUp(W);
    const auto UsePen = [&](std::int32_t Colour, double Width) {
        W.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_BLACK_PEN)});
        W.Add(U_EMR_DELETEOBJECT, {1});
        W.Add(U_EMR_CREATEPEN, {1, U_PS_SOLID, Size(Width), 0, Colour});
        W.Add(U_EMR_SELECTOBJECT, {1});
    };
    const auto UseBrush = [&](std::int32_t Colour) {
        W.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_WHITE_BRUSH)});
        W.Add(U_EMR_DELETEOBJECT, {2});
        W.Add(U_EMR_CREATEBRUSHINDIRECT, {2, U_BS_SOLID, Colour, 0});
        W.Add(U_EMR_SELECTOBJECT, {2});
    };
    if (Background) {
        UseBrush(0xE0FFFF);
        W.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_PEN)});
        const auto [Left, Top, Right, Bottom] = *Background;
        W.Add(U_EMR_RECTANGLE, {X(Left), Y(Top), X(Right), Y(Bottom)});
    }
    UsePen(0x000000, 8);
    UseBrush(0xFF0000);
    W.Add(U_EMR_RECTANGLE, {X(50), Y(50), X(450), Y(350)});
    if (Background)
        W.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_BRUSH)});
    else
        UseBrush(0x00FFFF);
    W.Add(U_EMR_ELLIPSE, {X(500), Y(60), X(950), Y(330)});
    UseBrush(0x0000FF);
    W.Add(U_EMR_POLYGON, {0, 0, -1, -1, 3, X(100), Y(720), X(300), Y(420), X(480), Y(720)});
    // A font of 70 design units and a caption.
    std::vector<std::uint8_t> Face(300, 0);
    const std::u16string Name = u"DejaVu Sans";
    std::memcpy(Face.data() + 8, Name.data(), Name.size() * 2);
    W.Add(U_EMR_EXTCREATEFONTINDIRECTW, {3, -Size(70), 0, 0, 0, 700}, Face);
    W.Add(U_EMR_SELECTOBJECT, {3});
    W.Add(U_EMR_SETBKMODE, {U_TRANSPARENT});
    W.Add(U_EMR_SETTEXTCOLOR, {0x800000});
    const std::u16string Text = u"Pixora";
    std::vector<std::uint8_t> Tail(Text.size() * 2 + 2, 0);
    std::memcpy(Tail.data(), Text.data(), Text.size() * 2);
    W.Add(U_EMR_EXTTEXTOUTW,
          {0, 0, -1, -1, U_GM_COMPATIBLE, FloatBits(1), FloatBits(1), X(560), Y(360), std::int32_t(Text.size()), 76, 0,
           0, 0, -1, -1, 0},
          Tail);
    // Béziers: a wave, and a hook drawn on from the current position.
    UsePen(0x008000, 14);
    W.Add(U_EMR_POLYBEZIER, {0, 0, -1, -1, 4, X(560), Y(700), X(650), Y(430), X(800), Y(800), X(950), Y(520)});
    UsePen(0x800080, 6);
    W.Add(U_EMR_MOVETOEX, {X(40), Y(400)});
    W.Add(U_EMR_POLYBEZIERTO, {0, 0, -1, -1, 3, X(40), Y(300), X(250), Y(300), X(250), Y(400)});
    W.Add(U_EMR_LINETO, {X(480), Y(400)});
    // A poly-draw: a line, a Bézier and the figure closed.
    std::vector<std::uint8_t> Kinds = {U_PT_LINETO, U_PT_BEZIERTO, U_PT_BEZIERTO, U_PT_BEZIERTO | U_PT_CLOSEFIGURE};
    W.Add(U_EMR_MOVETOEX, {X(600), Y(120)});
    W.Add(U_EMR_POLYDRAW, {0, 0, -1, -1, 4, X(900), Y(120), X(950), Y(200), X(700), Y(320), X(620), Y(200)}, Kinds);
    // A path of two figures, one of them curved, stroked and filled; then a filled path without outline.
    UsePen(0x404040, 4);
    UseBrush(0x00C000);
    W.Add(U_EMR_BEGINPATH, {});
    W.Add(U_EMR_MOVETOEX, {X(80), Y(80)});
    W.Add(U_EMR_POLYBEZIERTO, {0, 0, -1, -1, 3, X(200), Y(20), X(380), Y(200), X(300), Y(300)});
    W.Add(U_EMR_LINETO, {X(120), Y(260)});
    W.Add(U_EMR_CLOSEFIGURE, {});
    W.Add(U_EMR_RECTANGLE, {X(330), Y(60), X(430), Y(160)});
    W.Add(U_EMR_ENDPATH, {});
    W.Add(U_EMR_STROKEANDFILLPATH, {0, 0, -1, -1});
    UseBrush(0x0080FF);
    W.Add(U_EMR_BEGINPATH, {});
    W.Add(U_EMR_ELLIPSE, {X(700), Y(560), X(900), Y(700)});
    W.Add(U_EMR_ENDPATH, {});
    W.Add(U_EMR_FILLPATH, {0, 0, -1, -1});
    // Arcs drawn clockwise.
    W.Add(U_EMR_SETARCDIRECTION, {U_AD_CLOCKWISE});
    W.Add(U_EMR_PIE, {X(620), Y(380), X(1000), Y(740), X(1000), Y(380), X(620), Y(380)});
    W.Add(U_EMR_ARC, {X(600), Y(20), X(760), Y(120), X(600), Y(20), X(760), Y(120)});
    W.Add(U_EMR_SETARCDIRECTION, {U_AD_COUNTERCLOCKWISE});
    // A saved state moved by a world translation, and the state restored.
    W.Add(U_EMR_SAVEDC, {});
    W.Add(U_EMR_MODIFYWORLDTRANSFORM,
          {FloatBits(1), 0, 0, FloatBits(1), FloatBits(float(Size(300))), 0, U_MWT_LEFTMULTIPLY});
    W.Add(U_EMR_RECTANGLE, {X(30), Y(450), X(90), Y(500)});
    W.Add(U_EMR_RESTOREDC, {-1});
    W.Add(U_EMR_RECTANGLE, {X(30), Y(450), X(90), Y(500)});
    constexpr std::int32_t Right = FrameWidth * 2540 / 96 - 1, Bottom = FrameHeight * 2540 / 96 - 1;
    return W.Finish({0, 0, Right, Bottom}, {1920, 1080, 508000, 285750});
}

// The record types of a placeable WMF.
std::multiset<std::uint16_t> WmfFunctions(const std::vector<std::uint8_t>& Wmf)
{
    std::multiset<std::uint16_t> Functions;
    for (std::size_t At = 22 + 18; At + 6 <= Wmf.size();) {
        std::uint32_t Words;
        std::uint16_t Function;
        std::memcpy(&Words, Wmf.data() + At, 4);
        std::memcpy(&Function, Wmf.data() + At + 4, 2);
        Functions.insert(std::uint16_t(Function & 0xFF)); // the record type, as libUEMF numbers them
        if (Words < 3) break;
        At += std::size_t(Words) * 2;
    }
    return Functions;
}

TBitmap Shown(const TMetafile& Metafile)
{
    TBitmap Result;
    Result.SetLayout(FrameWidth, FrameHeight, 24);
    for (int Y = 0; Y < FrameHeight; ++Y) std::fill_n(Result.ScanLine(Y), 3 * std::size_t(FrameWidth), 0xFF);
    Metafile.Draw(Result.Canvas(), Rect(0, 0, FrameWidth, FrameHeight));
    return Result;
}

// The share of pixels whose colour differs by more than Tolerance in a channel.
double DifferingShare(const TBitmap& A, const TBitmap& B, int Tolerance)
{
    int Differing = 0;
    for (int Y = 0; Y < A.Height(); ++Y)
        for (int X = 0; X < 3 * A.Width(); X += 3)
            for (int Channel = 0; Channel < 3; ++Channel)
                if (std::abs(A.ScanLine(Y)[X + Channel] - B.ScanLine(Y)[X + Channel]) > Tolerance) {
                    ++Differing;
                    break;
                }
    return double(Differing) / (A.Width() * A.Height());
}

// The share of pixels that are not white.
double PaintedShare(const TBitmap& Shown)
{
    int Painted = 0;
    for (int Y = 0; Y < Shown.Height(); ++Y)
        for (int X = 0; X < 3 * Shown.Width(); X += 3)
            Painted +=
                Shown.ScanLine(Y)[X] != 0xFF || Shown.ScanLine(Y)[X + 1] != 0xFF || Shown.ScanLine(Y)[X + 2] != 0xFF;
    return double(Painted) / (Shown.Width() * Shown.Height());
}

std::vector<std::uint8_t> AsWmf(const std::vector<std::uint8_t>& Emf)
{
    TMetafile Metafile;
    Metafile.LoadFromStream(Emf);
    Metafile.SetEnhanced(false);
    std::vector<std::uint8_t> Wmf;
    Metafile.SaveToStream(Wmf);
    return Wmf;
}

} // namespace

TEST(MetafileWmfWriting, MappedCurvedAndPathDrawingsStayVectorsAndLookTheSame)
{
    EnsureApplication();
    for (const TMapping& Mapping : Mappings()) {
        const std::vector<std::uint8_t> Emf = Drawing(Mapping);
        const std::vector<std::uint8_t> Wmf = AsWmf(Emf);
        const auto Functions = WmfFunctions(Wmf);
        EXPECT_EQ(Functions.count(U_WMR_STRETCHDIB), 0u) << Mapping.Name;
        for (const std::uint16_t Kept : {U_WMR_RECTANGLE, U_WMR_ELLIPSE, U_WMR_POLYGON, U_WMR_EXTTEXTOUT,
                                         U_WMR_POLYPOLYGON, U_WMR_SETWINDOWEXT, U_WMR_SETWINDOWORG})
            EXPECT_GE(Functions.count(Kept), 1u) << Mapping.Name << " " << Kept;
        // Two Béziers, the closed poly-draw and the line from the current position as polylines.
        EXPECT_GE(Functions.count(U_WMR_POLYLINE), 3u) << Mapping.Name;
        TMetafile FromEmf, FromWmf;
        FromEmf.LoadFromStream(Emf);
        FromWmf.LoadFromStream(Wmf);
        const TBitmap Expected = Shown(FromEmf), Got = Shown(FromWmf);
        // The drawing covers much of the frame; the WMF's window, rounded to whole units, moves its
        // edges by a fraction of a pixel at most, which antialiasing shows as small differences.
        EXPECT_GE(PaintedShare(Expected), 0.2) << Mapping.Name;
        EXPECT_LE(DifferingShare(Expected, Got, 64), 0.015) << Mapping.Name;
        EXPECT_LE(DifferingShare(Expected, Got, 8), 0.08) << Mapping.Name;
    }
}

TEST(MetafileWmfWriting, WhatTheFileCannotHoldIsStillWrittenAsABitmap)
{
    EnsureApplication();
    // A rotated world, and a window whose drawing lies beyond the file's 16-bit coordinates.
    TMapping Rotated = Mappings().back();
    Rotated.SetUp = [](TEmfWriter& W) {
        W.Add(U_EMR_SETWORLDTRANSFORM,
              {FloatBits(0.3f), FloatBits(0.1f), FloatBits(-0.1f), FloatBits(0.3f), FloatBits(100), FloatBits(20)});
    };
    const TMapping Far{"far",
                       [](TEmfWriter& W) {
                           W.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
                           W.Add(U_EMR_SETWINDOWORGEX, {20000, 0});
                           W.Add(U_EMR_SETWINDOWEXTEX, {20000, 15000});
                           W.Add(U_EMR_SETVIEWPORTEXTEX, {FrameWidth, FrameHeight});
                       },
                       20,
                       false,
                       20000,
                       0};
    for (const TMapping& Mapping : {Rotated, Far}) {
        const std::vector<std::uint8_t> Emf = Drawing(Mapping);
        const std::vector<std::uint8_t> Wmf = AsWmf(Emf);
        const auto Functions = WmfFunctions(Wmf);
        EXPECT_EQ(Functions.count(U_WMR_STRETCHDIB), 1u) << Mapping.Name;
        EXPECT_EQ(Functions.count(U_WMR_POLYGON), 0u) << Mapping.Name;
        TMetafile FromEmf, FromWmf;
        FromEmf.LoadFromStream(Emf);
        FromWmf.LoadFromStream(Wmf);
        const TBitmap Expected = Shown(FromEmf);
        EXPECT_GE(PaintedShare(Expected), 0.2) << Mapping.Name;
        EXPECT_LE(DifferingShare(Expected, Shown(FromWmf), 64), 0.005) << Mapping.Name;
    }
}

namespace {

class MetafileWmfReader : public TToolTest
{
protected:
    MetafileWmfReader() : TToolTest({"wmf2gd"}) {}
};

} // namespace

TEST_F(MetafileWmfReader, ReadsTheMappedFileWeWriteAsWeShowIt)
{
    // The 0.1 mm page with its window and viewport off zero, on a background over the whole frame: the
    // reader fits what the records draw to its picture, and the frame is then all of it.
    EnsureApplication();
    const TMapping Metric = Mappings()[2];
    const std::vector<std::uint8_t> Wmf = AsWmf(Drawing(Metric, std::array{-27, -27, 1032, 768}));
    std::ofstream(FFolder / "mapped.wmf", std::ios::binary)
        .write(reinterpret_cast<const char*>(Wmf.data()), std::streamsize(Wmf.size()));
    ASSERT_TRUE(RunTool("cd '" + FFolder.string() + "' && wmf2gd -t png -o mapped.png mapped.wmf"));
    const QImage Reference(QString::fromStdString(PathOf("mapped.png")));
    ASSERT_FALSE(Reference.isNull());
    TMetafile Written;
    Written.LoadFromStream(Wmf);
    const double Difference = MeanAbsoluteDifference(RenderLikeReference(Written, Reference.size()), Reference);
    std::printf("WMF %dx%d: %.2f\n", Reference.width(), Reference.height(), Difference);
    EXPECT_LE(Difference, ReferenceTolerance);
}

TEST(MetafileWmfWriting, APolygonSetCountingMorePointsThanItHoldsIsLeftOut)
{
    // Two polygons said to have 3 and 300 points, with 6 points in the record.
    TEmfWriter W;
    W.Add(U_EMR_POLYPOLYGON16, {0, 0, -1, -1, 2, 6, 3, 300, 10 | 10 << 16, 50 | 10 << 16, 30 | 40 << 16, 60 | 60 << 16,
                                90 | 60 << 16, 70 | 90 << 16});
    W.Add(U_EMR_RECTANGLE, {5, 5, 95, 95});
    constexpr std::int32_t Side = 100 * 2540 / 96 - 1;
    const std::vector<std::uint8_t> Wmf = AsWmf(W.Finish({0, 0, Side, Side}, {1920, 1080, 508000, 285750}));
    const auto Functions = WmfFunctions(Wmf);
    EXPECT_EQ(Functions.count(U_WMR_POLYPOLYGON), 0u);
    EXPECT_EQ(Functions.count(U_WMR_RECTANGLE), 1u);
}

TEST(MetafileWmfWriting, DibPatternBrushesStayPatternBrushes)
{
    // An 8 × 8 pattern of 24 bits, blue and yellow checks of 2 pixels, filling a rectangle and a polygon.
    std::vector<std::uint8_t> Dib(40 + 8 * 24, 0);
    const std::int32_t Header[10] = {40, 8, 8, 1 | 24 << 16, U_BI_RGB, 8 * 24, 0, 0, 0, 0};
    std::memcpy(Dib.data(), Header, sizeof Header);
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 8; ++X) {
            const bool Blue = (X / 2 + Y / 2) % 2 == 0;
            std::uint8_t* Pixel = Dib.data() + 40 + Y * 24 + X * 3;
            Pixel[0] = Blue ? 255 : 0, Pixel[1] = Blue ? 0 : 255, Pixel[2] = Blue ? 0 : 255;
        }
    TEmfWriter W;
    W.UseHandle(1);
    W.Add(U_EMR_CREATEDIBPATTERNBRUSHPT, {1, U_DIB_RGB_COLORS, 32, 40, 72, 8 * 24}, Dib);
    W.Add(U_EMR_SELECTOBJECT, {1});
    W.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_PEN)});
    W.Add(U_EMR_RECTANGLE, {10, 10, 60, 50});
    W.Add(U_EMR_POLYGON, {0, 0, -1, -1, 3, 50, 90, 90, 20, 95, 95});
    constexpr std::int32_t Side = 100 * 2540 / 96 - 1;
    const std::vector<std::uint8_t> Emf = W.Finish({0, 0, Side, Side}, {1920, 1080, 508000, 285750});
    const std::vector<std::uint8_t> Wmf = AsWmf(Emf);
    const auto Functions = WmfFunctions(Wmf);
    EXPECT_EQ(Functions.count(U_WMR_STRETCHDIB), 0u);
    EXPECT_EQ(Functions.count(U_WMR_DIBCREATEPATTERNBRUSH), 1u);
    TMetafile FromEmf, FromWmf;
    FromEmf.LoadFromStream(Emf);
    FromWmf.LoadFromStream(Wmf);
    const auto Show = [](const TMetafile& Metafile) {
        TBitmap Result;
        Result.SetLayout(100, 100, 24);
        for (int Y = 0; Y < 100; ++Y) std::fill_n(Result.ScanLine(Y), 300, 0xFF);
        Metafile.Draw(Result.Canvas(), Rect(0, 0, 100, 100));
        return Result;
    };
    const TBitmap Expected = Show(FromEmf);
    EXPECT_GE(PaintedShare(Expected), 0.2);
    EXPECT_LE(DifferingShare(Expected, Show(FromWmf), 64), 0.01);
}

TEST(MetafileWmfWriting, SinglePixelsStayPixels)
{
    TEmfWriter W;
    for (int X = 10; X < 90; X += 2) W.Add(U_EMR_SETPIXELV, {X, 50, 0x0000FF});
    constexpr std::int32_t Side = 100 * 2540 / 96 - 1;
    const std::vector<std::uint8_t> Wmf = AsWmf(W.Finish({0, 0, Side, Side}, {1920, 1080, 508000, 285750}));
    const auto Functions = WmfFunctions(Wmf);
    EXPECT_EQ(Functions.count(U_WMR_STRETCHDIB), 0u);
    EXPECT_EQ(Functions.count(U_WMR_SETPIXEL), 40u);
    TMetafile FromWmf;
    FromWmf.LoadFromStream(Wmf);
    TBitmap Shown;
    Shown.SetLayout(100, 100, 24);
    for (int Y = 0; Y < 100; ++Y) std::fill_n(Shown.ScanLine(Y), 300, 0xFF);
    FromWmf.Draw(Shown.Canvas(), Rect(0, 0, 100, 100));
    for (int X = 10; X < 90; ++X) {
        const std::uint8_t* Pixel = Shown.ScanLine(50) + 3 * X;
        EXPECT_EQ(Pixel[1], X % 2 == 0 ? 0 : 255) << X; // red pixels on every second column, white between
    }
}
