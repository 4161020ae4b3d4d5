// Where a metafile's drawing lands: frames off the origin, and the window and viewport mapping set in
// every order the records may set them.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "platform/system/Screen.h"
#include "tests/support/MetafileCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include <uemf.h>

namespace {

// The share of the bitmap's pixels (24 or 32 bits) that are red.
double RedShare(const TBitmap& Shown)
{
    const int Step = Shown.BitCount() / 8;
    int Red = 0;
    for (int Y = 0; Y < Shown.Height(); ++Y)
        for (int X = 0; X < Shown.Width(); ++X) {
            const std::uint8_t* Pixel = Shown.ScanLine(Y) + Step * X;
            Red += Pixel[2] > 200 && Pixel[1] < 60 && Pixel[0] < 60;
        }
    return double(Red) / (Shown.Width() * Shown.Height());
}

// The metafile drawn at its own size over white.
TBitmap Shown(const TMetafile& Metafile)
{
    TBitmap Result;
    Result.SetLayout(Metafile.Width(), Metafile.Height(), 24);
    for (int Y = 0; Y < Result.Height(); ++Y) std::fill_n(Result.ScanLine(Y), 3 * std::size_t(Result.Width()), 0xFF);
    Metafile.Draw(Result.Canvas(), Rect(0, 0, Result.Width(), Result.Height()));
    return Result;
}

// Selects a red brush and no pen.
void RedBrush(TEmfWriter& Writer)
{
    Writer.Add(U_EMR_CREATEBRUSHINDIRECT, {1, U_BS_SOLID, 0x0000FF, 0});
    Writer.UseHandle(1);
    Writer.Add(U_EMR_SELECTOBJECT, {1});
    Writer.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_PEN)});
}

// A POLYGON16 of the rectangle (Left, Top)–(Right, Bottom) in logical units.
void Rectangle16(TEmfWriter& Writer, int Left, int Top, int Right, int Bottom)
{
    std::vector<std::uint8_t> Points;
    for (const auto& [X, Y] :
         {std::pair{Left, Top}, std::pair{Right, Top}, std::pair{Right, Bottom}, std::pair{Left, Bottom}})
        for (const int Value : {X, Y}) {
            Points.push_back(std::uint8_t(Value));
            Points.push_back(std::uint8_t(Value >> 8));
        }
    Writer.Add(U_EMR_POLYGON16, {Left, Top, Right, Bottom, 4}, Points);
}

} // namespace

TEST(MetafileMapping, AFrameOffTheOriginIsWhatTheTargetShows)
{
    // A wrench's frame far from the origin and above it, in 0.01 mm, on a device of 1024 × 768 pixels over
    // 320 × 240 mm (3.2 pixels a millimetre): the drawing at (300, −616)–(490, −501) fills the picture.
    TEmfWriter Writer;
    RedBrush(Writer);
    Writer.Add(U_EMR_RECTANGLE, {300, -616, 490, -501});
    TMetafile Metafile;
    Metafile.LoadFromStream(Writer.Finish({9375, -19250, 15313, -15656}, {1024, 768, 320000, 240000}));
    EXPECT_EQ(Metafile.Width(), 190);
    EXPECT_EQ(Metafile.Height(), 115);
    EXPECT_GT(RedShare(Shown(Metafile)), 0.95);
    Metafile.SetInch(1);
    EXPECT_GT(RedShare(Shown(Metafile)), 0.95) << "in physical measure";
}

TEST(MetafileMapping, AnisotropicClipArtFillsItsPictureInEveryOrderOfItsMappingRecords)
{
    // Clip art of 55 × 59 pixels: window 1455 × 1552 onto viewport 55 × 59, the drawing up to 1450 units.
    struct TOrder
    {
        const char* Name;
        std::vector<std::uint32_t> Records;
    };
    const std::vector<TOrder> Orders = {
        {"mode, window origin and extent, viewport origin and extent",
         {U_EMR_SETMAPMODE, U_EMR_SETWINDOWORGEX, U_EMR_SETWINDOWEXTEX, U_EMR_SETVIEWPORTORGEX,
          U_EMR_SETVIEWPORTEXTEX}},
        {"viewport first", {U_EMR_SETMAPMODE, U_EMR_SETVIEWPORTEXTEX, U_EMR_SETVIEWPORTORGEX, U_EMR_SETWINDOWEXTEX}},
        {"mode set twice", {U_EMR_SETMAPMODE, U_EMR_SETWINDOWEXTEX, U_EMR_SETMAPMODE, U_EMR_SETVIEWPORTEXTEX}},
    };
    for (const TOrder& Order : Orders) {
        SCOPED_TRACE(Order.Name);
        TEmfWriter Writer;
        for (const std::uint32_t Type : Order.Records) {
            if (Type == U_EMR_SETMAPMODE) Writer.Add(Type, {U_MM_ANISOTROPIC});
            if (Type == U_EMR_SETWINDOWORGEX || Type == U_EMR_SETVIEWPORTORGEX) Writer.Add(Type, {0, 0});
            if (Type == U_EMR_SETWINDOWEXTEX) Writer.Add(Type, {1455, 1552});
            if (Type == U_EMR_SETVIEWPORTEXTEX) Writer.Add(Type, {55, 59});
        }
        RedBrush(Writer);
        Rectangle16(Writer, 0, 0, 1455, 1552);
        TMetafile Metafile;
        Metafile.LoadFromStream(Writer.Finish({0, 0, 1455, 1552}, {1024, 768, 270000, 203000}));
        EXPECT_EQ(Metafile.Width(), 55);
        EXPECT_EQ(Metafile.Height(), 58);
        EXPECT_GT(RedShare(Shown(Metafile)), 0.9);
    }
}

TEST(MetafileMapping, ExtentsCountOnlyInTheScalingModesAndScaleWithTheirRecords)
{
    // The device keeps window and viewport extents only while a scaling mode is set: extents given under
    // the default mode are forgotten, and a scaling mode set after them starts from one unit a pixel.
    // A 100 × 100 picture at 96 pixels an inch; the red square is 50 units wide.
    const auto Play = [](const std::function<void(TEmfWriter&)>& Mapping) {
        TEmfWriter Writer;
        Mapping(Writer);
        RedBrush(Writer);
        Rectangle16(Writer, 0, 0, 50, 50);
        TMetafile Metafile;
        Metafile.LoadFromStream(Writer.Finish({0, 0, 2645, 2645}, {1920, 1080, 508000, 285750}));
        return RedShare(Shown(Metafile));
    };
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_SETWINDOWEXTEX, {100, 100});
                    Writer.Add(U_EMR_SETVIEWPORTEXTEX, {200, 200});
                    Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
                }),
                0.25, 0.03)
        << "extents before the mode";
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
                    Writer.Add(U_EMR_SETWINDOWEXTEX, {100, 100});
                    Writer.Add(U_EMR_SETVIEWPORTEXTEX, {200, 200});
                }),
                1.0, 0.03)
        << "extents after the mode: twice the size";
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
                    Writer.Add(U_EMR_SETWINDOWEXTEX, {100, 100});
                    Writer.Add(U_EMR_SETVIEWPORTEXTEX, {100, -100});
                    Writer.Add(U_EMR_SCALEVIEWPORTEXTEX, {3, 2, 3, 2});
                    Writer.Add(U_EMR_SETVIEWPORTORGEX, {0, 100});
                }),
                0.5625, 0.03)
        << "a negative extent flips the drawing upwards from the viewport origin, scaled by one and a half";
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_SETMAPMODE, {U_MM_ISOTROPIC});
                    Writer.Add(U_EMR_SETWINDOWEXTEX, {100, 50});
                    Writer.Add(U_EMR_SETVIEWPORTEXTEX, {100, 100});
                }),
                0.25, 0.03)
        << "the isotropic mode keeps the smaller scale on both axes";
}

TEST(MetafileMapping, APlaceableBoxOrAFirstWindowOffTheOriginIsWhatTheTargetShows)
{
    // A red rectangle filling the box (1000, −2000)–(1100, −1900) but for a unit all round: a placeable
    // header with that box, and a plain file whose first window is that box.
    std::vector<std::uint8_t> Brush, Rectangle, Origin, Extent, Records;
    Append32(Brush, 7);
    Append16(Brush, 0x02FC); // CREATEBRUSHINDIRECT: solid red
    for (const std::uint16_t Word : {0, 0x00FF, 0, 0}) Append16(Brush, Word);
    Append32(Brush, 4);
    Append16(Brush, 0x012D); // SELECTOBJECT 0
    Append16(Brush, 0);
    Append32(Rectangle, 7);
    Append16(Rectangle, 0x041B); // RECTANGLE: bottom, right, top, left
    for (const int Word : {-1901, 1099, -1999, 1001}) Append16(Rectangle, std::uint16_t(Word));
    Append32(Origin, 5);
    Append16(Origin, 0x020B); // SETWINDOWORG: y, x
    Append16(Origin, std::uint16_t(-2000));
    Append16(Origin, 1000);
    Append32(Extent, 5);
    Append16(Extent, 0x020C); // SETWINDOWEXT: y, x
    Append16(Extent, 100);
    Append16(Extent, 100);

    std::vector<std::uint8_t> Placeable = Brush;
    Placeable.insert(Placeable.end(), Rectangle.begin(), Rectangle.end());
    std::vector<std::uint8_t> File = PlaceableWmf(Placeable, 1100, -1900, 96);
    const std::int16_t Box[4] = {1000, -2000, 1100, -1900};
    std::memcpy(File.data() + 6, Box, sizeof Box);
    std::uint16_t Sum = 0;
    for (std::size_t Index = 0; Index < 20; Index += 2) Sum ^= std::uint16_t(File[Index] | File[Index + 1] << 8);
    std::memcpy(File.data() + 20, &Sum, 2);
    TMetafile FromPlaceable;
    FromPlaceable.LoadFromStream(File);
    EXPECT_NEAR(FromPlaceable.Width(), 100, 1);
    EXPECT_GT(RedShare(Shown(FromPlaceable)), 0.9);

    // The plain file: its header, then the records.
    std::vector<std::uint8_t> Plain(File.begin() + 22, File.begin() + 40);
    for (const auto* Part : {&Origin, &Extent, &Brush, &Rectangle})
        Plain.insert(Plain.end(), Part->begin(), Part->end());
    Append32(Plain, 3);
    Append16(Plain, 0);
    TMetafile FromPlain;
    FromPlain.LoadFromStream(Plain);
    EXPECT_GT(RedShare(Shown(FromPlain)), 0.9);
}

TEST(MetafileMapping, AWmfBoxIsMeasuredBackWholeInPixels)
{
    // A placeable box of N units at Inch units an inch is N ÷ Inch inches, to the nearest pixel at 96
    // dots an inch, however its extent rounds in 0.01 mm; and a red rectangle over it fills the picture.
    const int Dpi = ScreenPixelsPerInch();
    std::vector<std::uint8_t> Records;
    Append32(Records, 7);
    Append16(Records, 0x02FC); // CREATEBRUSHINDIRECT: solid red
    for (const std::uint16_t Word : {0, 0x00FF, 0, 0}) Append16(Records, Word);
    Append32(Records, 8);
    Append16(Records, 0x02FA); // CREATEPENINDIRECT: no pen
    for (const std::uint16_t Word : {5, 0, 0, 0, 0}) Append16(Records, Word);
    for (const std::uint16_t Object : {0, 1}) {
        Append32(Records, 4);
        Append16(Records, 0x012D); // SELECTOBJECT
        Append16(Records, Object);
    }
    for (const auto& [Units, Inch] :
         {std::pair{1, 96}, std::pair{7, 96}, std::pair{99, 96}, std::pair{100, 96}, std::pair{101, 96},
          std::pair{555, 96}, std::pair{1440, 1440}, std::pair{2000, 1440}, std::pair{2881, 1440}, std::pair{576, 576},
          std::pair{1000, 576}}) {
        SCOPED_TRACE(testing::Message() << Units << " units at " << Inch << " an inch");
        std::vector<std::uint8_t> Filled = Records;
        Append32(Filled, 7);
        Append16(Filled, 0x041B); // RECTANGLE: bottom, right, top, left
        for (const int Word : {Units + 1, Units + 1, -1, -1}) Append16(Filled, std::uint16_t(Word));
        TMetafile Metafile;
        Metafile.LoadFromStream(PlaceableWmf(Filled, std::int16_t(Units), std::int16_t(Units), std::uint16_t(Inch)));
        const int Pixels = int(std::lround(Units * 96.0 / Inch)) * Dpi / 96;
        EXPECT_EQ(Metafile.Width(), Pixels);
        EXPECT_EQ(Metafile.Height(), Pixels);
        EXPECT_GT(RedShare(Shown(Metafile)), 0.99);
    }
}

namespace {

// The stream with its header cut to the oldest layout, 88 bytes, and the description stored right after
// it inside the header record, as clip-art writers store it: its characters then lie where newer headers
// keep the pixel format and the device's size in micrometres.
std::vector<std::uint8_t> WithDescriptionInHeader(const std::vector<std::uint8_t>& Emf, const std::u16string& Text)
{
    std::uint32_t OldSize;
    std::memcpy(&OldSize, Emf.data() + 4, 4);
    std::vector<std::uint8_t> Result(Emf.begin(), Emf.begin() + 88);
    const std::size_t DescriptionBytes = (Text.size() * 2 + 3) / 4 * 4;
    Result.resize(88 + DescriptionBytes, 0);
    std::memcpy(Result.data() + 88, Text.data(), Text.size() * 2);
    const std::uint32_t Fields[] = {std::uint32_t(Result.size()), std::uint32_t(Text.size()), 88};
    std::memcpy(Result.data() + 4, &Fields[0], 4);
    std::memcpy(Result.data() + 60, &Fields[1], 8);
    Result.insert(Result.end(), Emf.begin() + OldSize, Emf.end());
    const std::uint32_t Bytes = std::uint32_t(Result.size());
    std::memcpy(Result.data() + 48, &Bytes, 4);
    return Result;
}

} // namespace

TEST(MetafileMapping, ClipArtWithItsDescriptionInsideTheOldestHeaderFillsItsPicture)
{
    // 55 × 54 clip art on a device of 1024 × 768 pixels over 270 × 203 mm, its description in the header
    // record: read as micrometres, the description's characters made the device 6.6 m wide, the picture
    // a few pixels of a corner magnified or nothing at all.
    // A header of the newest layout whose micrometres disagree with its millimetres is read by these.
    const auto WithStrayMicrometres = [](std::vector<std::uint8_t> Emf) {
        const std::int32_t Stray[2] = {1049600, 4390944};
        std::memcpy(Emf.data() + 100, Stray, sizeof Stray);
        return Emf;
    };
    const std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> Variants[] = {
        [](const std::vector<std::uint8_t>& Emf) {
            return WithDescriptionInHeader(Emf, std::u16string(u"Metafile Companion\0Meteo1.emf\0\0", 31));
        },
        [](const std::vector<std::uint8_t>& Emf) {
            return WithDescriptionInHeader(Emf, std::u16string(u"\u0400\u0010Clip", 6));
        },
        WithStrayMicrometres};
    for (const auto& Variant : Variants) {
        TEmfWriter Writer;
        Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
        Writer.Add(U_EMR_SETWINDOWORGEX, {0, 0});
        Writer.Add(U_EMR_SETWINDOWEXTEX, {1446, 1429});
        Writer.Add(U_EMR_SETVIEWPORTORGEX, {0, 0});
        Writer.Add(U_EMR_SETVIEWPORTEXTEX, {55, 54});
        RedBrush(Writer);
        Rectangle16(Writer, 0, 0, 1446, 1429);
        TMetafile Metafile;
        Metafile.LoadFromStream(Variant(Writer.Finish({0, 0, 1446, 1429}, {1024, 768, 270000, 203000})));
        EXPECT_EQ(Metafile.Width(), 54);
        EXPECT_EQ(Metafile.Height(), 54);
        EXPECT_GT(RedShare(Shown(Metafile)), 0.9);
        Metafile.SetInch(1);
        EXPECT_GT(RedShare(Shown(Metafile)), 0.9) << "in physical measure, as the editor shows it";
    }
}

TEST(MetafileMapping, AFrameOffTheOriginOnAnyDeviceAndInAnyHeaderIsWhatTheTargetShows)
{
    // The wrench's drawing at device pixels (300, −616)–(490, −501), its frame the same place in 0.01 mm
    // on devices of several resolutions; drawn at those coordinates, or at the origin moved there by the
    // window or the viewport origin; with the newest header and with the oldest and its description.
    const TEmfReference Devices[] = {{1024, 768, 320000, 240000},
                                     {1600, 1200, 410000, 307000},
                                     {1920, 1080, 508000, 285750},
                                     {1280, 1024, 338667, 270933}};
    const std::function<void(TEmfWriter&)> Drawings[] = {
        [](TEmfWriter& Writer) {
            Writer.Add(U_EMR_RECTANGLE, {300, -616, 490, -501});
        },
        [](TEmfWriter& Writer) {
            Writer.Add(U_EMR_SETWINDOWORGEX, {-300, 616});
            Writer.Add(U_EMR_RECTANGLE, {0, 0, 190, 115});
        },
        [](TEmfWriter& Writer) {
            Writer.Add(U_EMR_SETVIEWPORTORGEX, {300, -616});
            Writer.Add(U_EMR_RECTANGLE, {0, 0, 190, 115});
        },
    };
    for (const TEmfReference& Device : Devices)
        for (std::size_t Drawing = 0; Drawing < std::size(Drawings); ++Drawing)
            for (const bool OldestHeader : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << Device.PixelsX << " pixels over " << Device.MicronsX << " µm, drawing " << Drawing
                             << (OldestHeader ? ", oldest header" : ""));
                const auto Extent = [](int Pixels, int AllPixels, int Microns) {
                    return std::int32_t(std::lround(Pixels * (Microns / 10.0) / AllPixels));
                };
                const std::int32_t Frame[4] = {
                    Extent(300, Device.PixelsX, Device.MicronsX), Extent(-616, Device.PixelsY, Device.MicronsY),
                    Extent(490, Device.PixelsX, Device.MicronsX), Extent(-501, Device.PixelsY, Device.MicronsY)};
                TEmfWriter Writer;
                RedBrush(Writer);
                Drawings[Drawing](Writer);
                std::vector<std::uint8_t> Emf = Writer.Finish(Frame, Device);
                if (OldestHeader) Emf = WithDescriptionInHeader(Emf, std::u16string(u"Wrench\0Tools\0\0", 14));
                TMetafile Metafile;
                Metafile.LoadFromStream(Emf);
                EXPECT_NEAR(Metafile.Width(), 190, 1);
                EXPECT_NEAR(Metafile.Height(), 115, 1);
                EXPECT_GT(RedShare(Shown(Metafile)), 0.95);
                Metafile.SetInch(1);
                EXPECT_GT(RedShare(Shown(Metafile)), 0.95) << "in physical measure";
            }
}

namespace {

// The metafile drawn over white into a rectangle of the scale given, its red share.
double RedShareAtZoom(const TMetafile& Metafile, double Zoom)
{
    TBitmap Result;
    const int Width = std::max(1, int(Metafile.Width() * Zoom)), Height = std::max(1, int(Metafile.Height() * Zoom));
    Result.SetLayout(Width, Height, 24);
    for (int Y = 0; Y < Height; ++Y) std::fill_n(Result.ScanLine(Y), 3 * std::size_t(Width), 0xFF);
    Metafile.Draw(Result.Canvas(), Rect(0, 0, Width, Height));
    return RedShare(Result);
}

} // namespace

TEST(MetafileMapping, ClipArtWithTheRecordsWritersPutAroundTheDrawingFillsItsPictureAtEveryZoom)
{
    // The 55 × 59 clip art as writers record it: a private comment, the device state saved, colour
    // management, font mapping and stretching modes, the brush origin, the meta region, the clip set to no
    // region and to the device's rectangle, the world transform reset, then the mapping, a clip rectangle
    // in logical units, an inner saved state that changes the mapping and is restored, the drawing, and
    // the state restored.
    TEmfWriter Writer;
    Writer.Add(U_EMR_COMMENT, {8, 0x41525850, 0x00010001});
    Writer.Add(U_EMR_SAVEDC, {});
    Writer.Add(U_EMR_SETICMMODE, {1});
    Writer.Add(U_EMR_SETMAPPERFLAGS, {1});
    Writer.Add(U_EMR_SETSTRETCHBLTMODE, {U_STRETCH_HALFTONE});
    Writer.Add(U_EMR_SETBRUSHORGEX, {0, 0});
    Writer.Add(U_EMR_SETMETARGN, {});
    Writer.Add(U_EMR_EXTSELECTCLIPRGN, {0, U_RGN_COPY});
    // A region of one rectangle: its header (size, type, count, bytes, bounds), then the rectangle.
    Writer.Add(U_EMR_EXTSELECTCLIPRGN, {48, U_RGN_COPY, 32, 1, 1, 16, 0, 0, 55, 59, 0, 0, 55, 59});
    Writer.Add(U_EMR_MODIFYWORLDTRANSFORM, {0x3F800000, 0, 0, 0x3F800000, 0, 0, U_MWT_IDENTITY});
    Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
    Writer.Add(U_EMR_SETWINDOWORGEX, {0, 0});
    Writer.Add(U_EMR_SETWINDOWEXTEX, {1455, 1552});
    Writer.Add(U_EMR_SETVIEWPORTORGEX, {0, 0});
    Writer.Add(U_EMR_SETVIEWPORTEXTEX, {55, 59});
    Writer.Add(U_EMR_INTERSECTCLIPRECT, {0, 0, 1455, 1552});
    Writer.Add(U_EMR_SAVEDC, {});
    Writer.Add(U_EMR_SETMAPMODE, {U_MM_TEXT});
    Writer.Add(U_EMR_INTERSECTCLIPRECT, {0, 0, 10, 10});
    Writer.Add(U_EMR_RESTOREDC, {-1});
    RedBrush(Writer);
    Rectangle16(Writer, 0, 0, 1455, 1552);
    Writer.Add(U_EMR_RESTOREDC, {-1});
    const std::vector<std::uint8_t> Emf = Writer.Finish({0, 0, 1455, 1552}, {1024, 768, 270000, 203000});
    for (const bool OldestHeader : {false, true}) {
        SCOPED_TRACE(OldestHeader ? "oldest header with its description" : "newest header");
        TMetafile Metafile;
        Metafile.LoadFromStream(
            OldestHeader ? WithDescriptionInHeader(Emf, std::u16string(u"Clip Art Gallery\0Sun.emf\0\0", 26)) : Emf);
        EXPECT_EQ(Metafile.Width(), 55);
        EXPECT_EQ(Metafile.Height(), 58);
        for (const int Inch : {0, 1}) {
            Metafile.SetInch(Inch);
            for (const double Zoom : {0.1, 0.25, 0.5, 1.0, 1.5, 2.0}) {
                SCOPED_TRACE(testing::Message() << "zoom " << Zoom << (Inch ? ", physical measure" : ""));
                EXPECT_GT(RedShareAtZoom(Metafile, Zoom), 0.9);
            }
        }
    }
}

TEST(MetafileMapping, TheMetaRegionBoundsEveryLaterClip)
{
    // The left half clipped and fixed as the meta region: selecting no clip, or a clip of the whole
    // picture, or moving the clip, leaves the right half unpainted, and a restored state keeps it.
    const auto Play = [](const std::function<void(TEmfWriter&)>& AfterMetaRegion) {
        TEmfWriter Writer;
        RedBrush(Writer);
        Writer.Add(U_EMR_INTERSECTCLIPRECT, {0, 0, 50, 100});
        Writer.Add(U_EMR_SETMETARGN, {});
        AfterMetaRegion(Writer);
        Writer.Add(U_EMR_RECTANGLE, {-1, -1, 101, 101});
        TMetafile Metafile;
        Metafile.LoadFromStream(Writer.Finish({0, 0, 2646, 2646}, {1920, 1080, 508000, 285750}));
        return RedShare(Shown(Metafile));
    };
    EXPECT_NEAR(Play([](TEmfWriter&) {}), 0.5, 0.02);
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_EXTSELECTCLIPRGN, {0, U_RGN_COPY});
                }),
                0.5, 0.02)
        << "no clip";
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_EXTSELECTCLIPRGN, {48, U_RGN_COPY, 32, 1, 1, 16, 0, 0, 100, 100, 0, 0, 100, 100});
                }),
                0.5, 0.02)
        << "a clip of the whole picture";
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_SAVEDC, {});
                    Writer.Add(U_EMR_EXTSELECTCLIPRGN, {0, U_RGN_COPY});
                    Writer.Add(U_EMR_RESTOREDC, {-1});
                    Writer.Add(U_EMR_OFFSETCLIPRGN, {50, 0});
                }),
                0.5, 0.02)
        << "a restored state, the clip moved";
    EXPECT_NEAR(Play([](TEmfWriter& Writer) {
                    Writer.Add(U_EMR_INTERSECTCLIPRECT, {0, 0, 25, 100});
                    Writer.Add(U_EMR_OFFSETCLIPRGN, {50, 0});
                }),
                0.0, 0.02)
        << "a clip of its own moved out of the meta region";
}
