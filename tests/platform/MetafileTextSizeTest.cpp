// The size and spacing of metafile text: glyphs of a stand-in face fitted to the advances the record
// gives, a logical font's width measured as fonts declare their average, and glyph size and advances that
// agree under every mapping of logical units to the device.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <QImage>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <numeric>
#include <string>
#include <uemf.h>
#include <uwmf.h>

namespace {

constexpr int Side = 400;

// Where the ink of a picture lies, and how many columns inside it hold none (the gaps between letters).
struct TInk
{
    QRect Bounds;
    int EmptyColumns = 0;
};

TInk InkOf(const QImage& Image)
{
    TInk Ink;
    std::vector<bool> Column(std::size_t(Image.width()), false);
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            if (qGray(Image.pixel(X, Y)) < 128) {
                Ink.Bounds |= QRect(X, Y, 1, 1);
                Column[std::size_t(X)] = true;
            }
    for (int X = Ink.Bounds.left(); X <= Ink.Bounds.right(); ++X) Ink.EmptyColumns += !Column[std::size_t(X)];
    return Ink;
}

// Text with its font: face, logical height and width; its reference point (top left) and advances in
// logical units (none: the font's own).
struct TText
{
    std::u16string Face = u"DejaVu Sans";
    int Height = -40, Width = 0;
    int X = 20, Y = 100;
    std::u16string String = u"HHHH";
    std::vector<int> Advances;
    std::int32_t GraphicsMode = U_GM_COMPATIBLE;
    std::uint8_t CharSet = U_ANSI_CHARSET;
};

// The text drawn after the mapping records onto a white square of Side pixels.
QImage Drawn(const TText& Text, const std::function<void(TEmfWriter&)>& Mapping = {})
{
    TEmfWriter Writer;
    if (Mapping) Mapping(Writer);
    std::vector<std::uint8_t> Font(300, 0);
    Font[3] = Text.CharSet; // after italic, underline and strike-out
    std::memcpy(Font.data() + 8, Text.Face.data(), Text.Face.size() * 2);
    Writer.Add(U_EMR_EXTCREATEFONTINDIRECTW, {1, Text.Height, Text.Width, 0, 0, 400}, Font);
    Writer.UseHandle(1);
    Writer.Add(U_EMR_SELECTOBJECT, {1});
    Writer.Add(U_EMR_SETBKMODE, {U_TRANSPARENT});
    // The string, padded to 4 bytes, then the advances; the fixed part is 76 bytes.
    const std::int32_t Count = std::int32_t(Text.String.size());
    std::vector<std::uint8_t> Tail((Text.String.size() * 2 + 3) / 4 * 4, 0);
    std::memcpy(Tail.data(), Text.String.data(), Text.String.size() * 2);
    const std::int32_t OffDx = Text.Advances.empty() ? 0 : 76 + std::int32_t(Tail.size());
    for (const int Advance : Text.Advances) Append32(Tail, std::uint32_t(Advance));
    const std::int32_t One = std::bit_cast<std::int32_t>(1.0f);
    Writer.Add(U_EMR_EXTTEXTOUTW,
               {0, 0, -1, -1, Text.GraphicsMode, One, One, Text.X, Text.Y, Count, 76, 0, 0, 0, -1, -1, OffDx}, Tail);
    return PlayOnWhiteSquare(Writer, Side);
}

// The advance of an H of the text's font in device pixels, and the width of its ink, as drawn.
std::pair<double, int> MeasuredH(TText Text)
{
    Text.String = u"H";
    const int Glyph = InkOf(Drawn(Text)).Bounds.width();
    Text.String = u"HHHH";
    return {(InkOf(Drawn(Text)).Bounds.width() - Glyph) / 3.0, Glyph};
}

} // namespace

TEST(EmfTextSize, StandInGlyphsFitTheAdvancesOfTheFaceTheRecordWasMadeWith)
{
    EnsureApplication();
    // A face not installed is drawn with a stand-in whose letters may be wider than the face's: placed at
    // the record's advances they would overlap. They are narrowed to the advances.
    TText Absent;
    Absent.Face = u"Pixora Absent Face";
    const auto [Natural, Glyph] = MeasuredH(Absent);
    ASSERT_GT(Natural, 20);
    const int Narrow = int(std::lround(Natural * 0.6));
    Absent.Advances.assign(4, Narrow);
    const TInk Fitted = InkOf(Drawn(Absent));
    EXPECT_NEAR(Fitted.Bounds.width(), 3 * Narrow + Glyph * Narrow / Natural, 3);
    EXPECT_GE(Fitted.EmptyColumns, 3) << "the letters stand apart";
    // The stand-in's own advances leave it as it is.
    Absent.Advances.assign(4, int(std::lround(Natural)));
    EXPECT_NEAR(InkOf(Drawn(Absent)).Bounds.width(), 3 * std::lround(Natural) + Glyph, 2);
    // An installed face keeps its glyphs whatever the advances, as the records' own renderer draws them.
    TText Installed = Absent;
    Installed.Face = u"DejaVu Sans";
    Installed.Advances.assign(4, Narrow);
    EXPECT_NEAR(InkOf(Drawn(Installed)).Bounds.width(), 3 * Narrow + Glyph, 2);
    // Spaces, which justified lines widen, do not widen the letters.
    TText Justified = Absent;
    Justified.String = u"H H";
    Justified.Advances = {int(std::lround(Natural)), 3 * int(std::lround(Natural)), int(std::lround(Natural))};
    const TInk Spaced = InkOf(Drawn(Justified));
    EXPECT_NEAR(Spaced.Bounds.width(), 4 * std::lround(Natural) + Glyph, 2);
}

TEST(EmfTextSize, AFontWidthIsTheAverageOfTheSmallLettersAndTheSpace)
{
    EnsureApplication();
    // The serif face's small letters and space average 0.401 of its height, as the face it is made to
    // measure does; its declared average (0.55, over all its glyphs) would narrow the letters by a quarter.
    TText Serif;
    Serif.Face = u"Liberation Serif";
    Serif.Height = -50;
    const int Own = InkOf(Drawn(Serif)).Bounds.width();
    Serif.Width = 20;
    EXPECT_NEAR(InkOf(Drawn(Serif)).Bounds.width(), Own, Own * 0.03);
    Serif.Width = 40;
    EXPECT_NEAR(InkOf(Drawn(Serif)).Bounds.width(), 2 * Own, Own * 0.1);
}

TEST(EmfTextSize, GlyphsAndAdvancesAgreeUnderEveryMapping)
{
    EnsureApplication();
    // Text of 40 pixels and advances of 28 pixels at device point (20, 100), given in the logical units of
    // each mapping, lands where the same text in device units does.
    TText Device;
    Device.Advances.assign(4, 28);
    const QRect Expected = InkOf(Drawn(Device)).Bounds;
    ASSERT_GT(Expected.height(), 20);
    struct TMapping
    {
        const char* Name;
        double ScaleX, ScaleY; // device pixels a logical unit
        std::function<void(TEmfWriter&)> Records;
    };
    const auto Anisotropic = [](int WindowX, int WindowY, int ViewportX, int ViewportY) {
        return [=](TEmfWriter& Writer) {
            Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
            Writer.Add(U_EMR_SETWINDOWEXTEX, {WindowX, WindowY});
            Writer.Add(U_EMR_SETVIEWPORTEXTEX, {ViewportX, ViewportY});
        };
    };
    const TMapping Mappings[] = {
        {"window ten times the viewport", 0.1, 0.1, Anisotropic(4000, 4000, 400, 400)},
        {"window a quarter of the viewport", 4, 4, Anisotropic(100, 100, 400, 400)},
        {"y upwards", 0.5, -0.5, Anisotropic(800, 800, 400, -400)},
        {"twips", 96.0 / 1440, -96.0 / 1440, [](TEmfWriter& Writer) { Writer.Add(U_EMR_SETMAPMODE, {U_MM_TWIPS}); }},
        {"0.1 mm", 96 / 254.0, -96 / 254.0, [](TEmfWriter& Writer) { Writer.Add(U_EMR_SETMAPMODE, {U_MM_LOMETRIC}); }},
    };
    for (const TMapping& Mapping : Mappings) {
        SCOPED_TRACE(Mapping.Name);
        TText Logical = Device;
        Logical.Height = int(std::lround(-40 / std::abs(Mapping.ScaleY)));
        Logical.X = int(std::lround(20 / Mapping.ScaleX));
        Logical.Y = int(std::lround(100 / Mapping.ScaleY));
        Logical.Advances.assign(4, int(std::lround(28 / Mapping.ScaleX)));
        const QRect Bounds = InkOf(Drawn(Logical, Mapping.Records)).Bounds;
        EXPECT_NEAR(Bounds.left(), Expected.left(), 1);
        EXPECT_NEAR(Bounds.top(), Expected.top(), 1);
        EXPECT_NEAR(Bounds.width(), Expected.width(), 2);
        EXPECT_NEAR(Bounds.height(), Expected.height(), 1);
    }
    // Where the two axes scale differently, the height follows the vertical scale and the advances the
    // horizontal one; the glyphs keep their shape unless the font gives a width.
    TText Stretched = Device;
    Stretched.Height = -160;
    Stretched.X = 80;
    Stretched.Y = 400;
    Stretched.Advances.assign(4, 112);
    EXPECT_EQ(InkOf(Drawn(Stretched, Anisotropic(1600, 1600, 400, 400))).Bounds, Expected);
    Stretched.Advances.assign(4, 56);
    Stretched.X = 40;
    const QRect Uneven = InkOf(Drawn(Stretched, Anisotropic(800, 1600, 400, 400))).Bounds;
    EXPECT_NEAR(Uneven.width(), Expected.width(), 2);
    EXPECT_NEAR(Uneven.height(), Expected.height(), 1);
}

TEST(EmfTextSize, TheAdvancedGraphicsModeShapesGlyphsInLogicalUnits)
{
    EnsureApplication();
    // A page twice as wide as high a unit: in the compatible mode the glyphs keep their shape, in the
    // advanced mode they are shaped in logical units and come out twice as wide, their side bearing too
    // (the string starts at device x 20); their height is the same.
    const auto Page = [](TEmfWriter& Writer) {
        Writer.Add(U_EMR_SETMAPMODE, {U_MM_ANISOTROPIC});
        Writer.Add(U_EMR_SETWINDOWEXTEX, {800, 1600});
        Writer.Add(U_EMR_SETVIEWPORTEXTEX, {400, 400});
    };
    TText Text;
    Text.Height = -160;
    Text.X = 40;
    Text.Y = 400;
    Text.String = u"H";
    const QRect Compatible = InkOf(Drawn(Text, Page)).Bounds;
    Text.GraphicsMode = U_GM_ADVANCED;
    const QRect Advanced = InkOf(Drawn(Text, Page)).Bounds;
    EXPECT_NEAR(Advanced.width(), 2 * Compatible.width(), 2);
    EXPECT_NEAR(Advanced.height(), Compatible.height(), 1);
    EXPECT_NEAR(Advanced.left() - 20, 2 * (Compatible.left() - 20), 2);
    // A font of a width of its own has it in either mode.
    Text.Width = 40;
    const QRect OwnWidth = InkOf(Drawn(Text, Page)).Bounds;
    Text.GraphicsMode = U_GM_COMPATIBLE;
    EXPECT_EQ(InkOf(Drawn(Text, Page)).Bounds, OwnWidth);
}

TEST(EmfTextSize, TheSymbolFontsSignsKeepTheWidthsOfItsDesign)
{
    EnsureApplication();
    // Formula editors place each sign of the Symbol font by itself, at the advances of its design: a plus
    // and an equals sign 0.549 of the height wide, brackets 0.333. The stand-in's own signs are far wider
    // and would run into their neighbours; they are narrowed to the design's advances.
    TText Symbol;
    Symbol.Face = u"Symbol";
    Symbol.CharSet = U_SYMBOL_CHARSET;
    Symbol.Height = -100;
    for (const auto& [Sign, Advance] : {std::pair{u'+', 54.9}, std::pair{u'=', 54.9}, std::pair{u'(', 33.3}}) {
        SCOPED_TRACE(char(Sign));
        Symbol.String = std::u16string(1, Sign);
        const QRect Ink = InkOf(Drawn(Symbol)).Bounds;
        EXPECT_LE(Ink.width(), Advance);
        EXPECT_GT(Ink.width(), Advance * 0.4);
    }
}

namespace {

// A WMF record: its size in words, its function, its parameters.
void AddWmfRecord(std::vector<std::uint8_t>& Records, int Function, const std::vector<std::int16_t>& Parameters)
{
    Append32(Records, std::uint32_t(3 + Parameters.size()));
    Append16(Records, std::uint16_t(U_wmr_values(Function)));
    for (const std::int16_t Value : Parameters) Append16(Records, std::uint16_t(Value));
}

// A text record of a WMF: its font (face, logical height and width), where it starts (top left), its
// bytes and their advances.
struct TWmfText
{
    std::string Face = "DejaVu Sans";
    std::int16_t Height = -40, Width = 0;
    std::int16_t X = 20, Y = 100;
    std::string String = "HHHH";
    std::vector<std::int16_t> Advances;
};

// The ink of a placeable WMF of Inch units an inch over a box of Width × Height units with the text,
// drawn at its own size.
TInk WmfTextInk(std::uint16_t Inch, std::int16_t Width, std::int16_t Height, const TWmfText& Text)
{
    const auto Words = [](const std::string& Bytes, std::size_t Count) {
        std::vector<std::int16_t> Result;
        for (std::size_t Index = 0; Index < Count; Index += 2)
            Result.push_back(std::int16_t(std::uint8_t(Index < Bytes.size() ? Bytes[Index] : 0) |
                                          std::uint8_t(Index + 1 < Bytes.size() ? Bytes[Index + 1] : 0) << 8));
        return Result;
    };
    std::vector<std::uint8_t> Records;
    std::vector<std::int16_t> Font = {Text.Height, Text.Width, 0, 0, 400, 0, 0, 0, 0};
    for (const std::int16_t Word : Words(Text.Face, 32)) Font.push_back(Word);
    AddWmfRecord(Records, U_WMR_CREATEFONTINDIRECT, Font);
    AddWmfRecord(Records, U_WMR_SELECTOBJECT, {0});
    AddWmfRecord(Records, U_WMR_SETBKMODE, {U_TRANSPARENT});
    std::vector<std::int16_t> Out = {Text.Y, Text.X, std::int16_t(Text.String.size()), 0};
    for (const std::int16_t Word : Words(Text.String, Text.String.size())) Out.push_back(Word);
    Out.insert(Out.end(), Text.Advances.begin(), Text.Advances.end());
    AddWmfRecord(Records, U_WMR_EXTTEXTOUT, Out);
    TMetafile Metafile;
    Metafile.LoadFromStream(PlaceableWmf(Records, Width, Height, Inch));
    TBitmap Shown;
    Shown.SetLayout(Metafile.Width(), Metafile.Height(), 32);
    Shown.Canvas().Brush.Color = clWhite;
    Shown.Canvas().FillRect(Rect(0, 0, Shown.Width(), Shown.Height()));
    Metafile.Draw(Shown.Canvas(), Rect(0, 0, Shown.Width(), Shown.Height()));
    QImage Image(Shown.Width(), Shown.Height(), QImage::Format_RGB32);
    for (int Row = 0; Row < Shown.Height(); ++Row)
        std::memcpy(Image.scanLine(Row), Shown.ScanLine(Row), 4 * std::size_t(Shown.Width()));
    return InkOf(Image);
}

} // namespace

TEST(EmfTextSize, PlaceableWmfTextScalesWithItsBox)
{
    EnsureApplication();
    // 400 pixels at 96 dpi over a box of 400 units; the same box measured in twips and in 576ths of an
    // inch: the text of 40 pixels with advances of 28 pixels lands alike.
    const auto Ink = [](std::uint16_t Inch, double Units) {
        TWmfText Text;
        Text.Height = std::int16_t(-40 * Units);
        Text.X = std::int16_t(20 * Units);
        Text.Y = std::int16_t(100 * Units);
        Text.Advances.assign(4, std::int16_t(28 * Units));
        return WmfTextInk(Inch, std::int16_t(400 * Units), std::int16_t(400 * Units), Text).Bounds;
    };
    const QRect Pixels = Ink(96, 1);
    ASSERT_GT(Pixels.height(), 20);
    const QRect Twips = Ink(1440, 15), Fine = Ink(576, 6);
    for (const QRect& Bounds : {Twips, Fine}) {
        EXPECT_NEAR(Bounds.left(), Pixels.left(), 1);
        EXPECT_NEAR(Bounds.top(), Pixels.top(), 1);
        EXPECT_NEAR(Bounds.width(), Pixels.width(), 2);
        EXPECT_NEAR(Bounds.height(), Pixels.height(), 1);
    }
}

TEST(EmfTextSize, AWmfBannerInATimesFontOfCellHeightAndWidthShowsItsLettersAtTheirSize)
{
    EnsureApplication();
    // A banner of 4 × 1 inches in twips: "BANNER" in Times New Roman of a 600-twip cell (an em of 542
    // twips, 36 pixels), its width 0.4 em as the face declares its average, advanced by the face's own
    // advances. Its capitals stand 0.66 em high and each fills its advance but for a sliver.
    TWmfText Banner;
    Banner.Face = "Times New Roman";
    Banner.Height = 600;
    Banner.Width = 217;
    Banner.X = 300;
    Banner.Y = 300;
    Banner.String = "BANNER";
    for (const double Advance : {0.667, 0.722, 0.722, 0.722, 0.611, 0.667})
        Banner.Advances.push_back(std::int16_t(std::lround(Advance * 542)));
    const TInk Ink = WmfTextInk(1440, 5760, 1440, Banner);
    EXPECT_NEAR(Ink.Bounds.height(), 0.662 * 542 / 15, 1.5);
    const double Advances = std::accumulate(Banner.Advances.begin(), Banner.Advances.end(), 0) / 15.0;
    EXPECT_NEAR(Ink.Bounds.width(), Advances, Advances * 0.04);
    EXPECT_LT(Ink.EmptyColumns, 16) << "the letters stand close";
}
