// Text records of the EMF player: the short text record, and strings of the Symbol font.
#include "platform/graphics/emf/EmfWriter.h"
#include "platform/graphics/emf/SymbolEncoding.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <QImage>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <uemf.h>

namespace {

constexpr int Side = 60;

std::int32_t FloatBits(float Value)
{
    return std::bit_cast<std::int32_t>(Value);
}

// Selects, as object 1, a font of 40 pixels with the face and character set given.
void SelectFont(TEmfWriter& Writer, const std::u16string& Face, std::uint8_t CharSet)
{
    std::vector<std::uint8_t> Tail(300, 0);
    Tail[3] = CharSet; // italic, underline, strike-out, character set, then precisions, quality, family
    std::memcpy(Tail.data() + 8, Face.data(), Face.size() * 2);
    Writer.Add(U_EMR_EXTCREATEFONTINDIRECTW, {1, -40, 0, 0, 0, 400}, Tail);
    Writer.UseHandle(1);
    Writer.Add(U_EMR_SELECTOBJECT, {1});
}

// A wide-character string at (5, 5), aligned by its top left corner, without advances.
QImage WideText(const std::u16string& Face, std::uint8_t CharSet, const std::u16string& Text)
{
    TEmfWriter Writer;
    SelectFont(Writer, Face, CharSet);
    std::vector<std::uint8_t> Units(Text.size() * 2);
    std::memcpy(Units.data(), Text.data(), Units.size());
    // Bounds, graphics mode, scales; then the reference point, count, string offset, options, an unused
    // rectangle and no advances.
    Writer.Add(U_EMR_EXTTEXTOUTW,
               {0, 0, Side, Side, 1, FloatBits(1), FloatBits(1), 5, 5, std::int32_t(Text.size()), 76, 0, 0, 0, 0, 0, 0},
               Units);
    return PlayOnWhiteSquare(Writer, Side);
}

int InkIn(const QImage& Image, const QRect& Area)
{
    int Count = 0;
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        for (int X = Area.left(); X <= Area.right(); ++X)
            if (qGray(Image.pixel(X, Y)) < 128) ++Count;
    return Count;
}

} // namespace

TEST(SymbolEncoding, MapsLettersAndSignsToTheirUnicodeCharacters)
{
    EXPECT_EQ(SymbolToUnicode(u'D'), u'\u0394');      // capital delta
    EXPECT_EQ(SymbolToUnicode(u'r'), u'\u03C1');      // rho
    EXPECT_EQ(SymbolToUnicode(u'W'), u'\u03A9');      // capital omega
    EXPECT_EQ(SymbolToUnicode(u'\u00D6'), u'\u221A'); // radical sign
    EXPECT_EQ(SymbolToUnicode(u'\u00E5'), u'\u2211'); // summation
    EXPECT_EQ(SymbolToUnicode(u'\uF044'), u'\u0394'); // the same byte as Unicode strings store it
    // Digits, brackets and operators are themselves; characters outside the encoding stay.
    EXPECT_EQ(SymbolToUnicode(u'2'), u'2');
    EXPECT_EQ(SymbolToUnicode(u'('), u'(');
    EXPECT_EQ(SymbolToUnicode(u'+'), u'+');
    EXPECT_EQ(SymbolToUnicode(u'\u0394'), u'\u0394');
}

TEST(EmfText, SymbolFontStringsShowTheirGreekLetters)
{
    EnsureApplication();
    const QImage Symbol = WideText(u"Symbol", U_SYMBOL_CHARSET, u"D");
    EXPECT_GT(InkIn(Symbol, QRect(0, 0, Side, Side)), 20);
    EXPECT_EQ(Symbol, WideText(u"Symbol", U_SYMBOL_CHARSET, u"\u0394"));
    EXPECT_NE(Symbol, WideText(u"Symbol", U_SYMBOL_CHARSET, u"E"));
    // Another face keeps its letters.
    EXPECT_NE(WideText(u"DejaVu Serif", U_ANSI_CHARSET, u"D"), WideText(u"DejaVu Serif", U_ANSI_CHARSET, u"\u0394"));
}

TEST(EmfText, ShortTextRecordsDrawTheirCharacters)
{
    EnsureApplication();
    // Text colour, then "II" in bytes at (5, 5) without a rectangle: destination, count, options, graphics
    // mode and scales, then the characters.
    const auto ShortText = [](std::int32_t Options, std::span<const std::uint8_t> Characters) {
        TEmfWriter Writer;
        SelectFont(Writer, u"DejaVu Sans", U_ANSI_CHARSET);
        Writer.Add(U_EMR_SETTEXTCOLOR, {0});
        Writer.Add(U_EMR_SMALLTEXTOUT, {5, 5, 2, Options, 1, FloatBits(1), FloatBits(1)}, Characters);
        return PlayOnWhiteSquare(Writer, Side);
    };
    const std::uint8_t Bytes[] = {'I', 'I'};
    const QImage Small = ShortText(U_ETO_NO_RECT | U_ETO_SMALL_CHARS, Bytes);
    // Two vertical strokes below and right of the reference point, nothing above or left of it.
    EXPECT_GT(InkIn(Small, QRect(5, 5, Side - 5, Side - 5)), 40);
    EXPECT_EQ(InkIn(Small, QRect(0, 0, Side, 4)), 0);
    EXPECT_EQ(InkIn(Small, QRect(0, 0, 4, Side)), 0);
    // The same characters as 16-bit units draw the same.
    const std::uint8_t Units[] = {'I', 0, 'I', 0};
    EXPECT_EQ(ShortText(U_ETO_NO_RECT, Units), Small);
    // With a rectangle (here 0, 0, 10, 10, unused) ahead of the characters.
    const std::uint8_t Boxed[] = {0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0, 'I', 'I'};
    EXPECT_EQ(ShortText(U_ETO_SMALL_CHARS, Boxed), Small);
    // A count running past the record draws nothing.
    const std::uint8_t One[] = {'I'};
    TEmfWriter Writer;
    SelectFont(Writer, u"DejaVu Sans", U_ANSI_CHARSET);
    Writer.Add(U_EMR_SMALLTEXTOUT, {5, 5, 1000, U_ETO_NO_RECT | U_ETO_SMALL_CHARS, 1, FloatBits(1), FloatBits(1)}, One);
    EXPECT_EQ(InkIn(PlayOnWhiteSquare(Writer, Side), QRect(0, 0, Side, Side)), 0);
}

namespace {

// "HHHH" at (5, 5) on a 200-pixel square, in DejaVu Sans of the logical font height and width given.
QRect InkBoundsOfSizedText(std::int32_t Height, std::int32_t Width)
{
    TEmfWriter Writer;
    std::vector<std::uint8_t> Tail(300, 0);
    const std::u16string Face = u"DejaVu Sans";
    std::memcpy(Tail.data() + 8, Face.data(), Face.size() * 2);
    Writer.Add(U_EMR_EXTCREATEFONTINDIRECTW, {1, Height, Width, 0, 0, 400}, Tail);
    Writer.UseHandle(1);
    Writer.Add(U_EMR_SELECTOBJECT, {1});
    const std::u16string Text = u"HHHH";
    std::vector<std::uint8_t> Units(Text.size() * 2);
    std::memcpy(Units.data(), Text.data(), Units.size());
    Writer.Add(U_EMR_EXTTEXTOUTW,
               {0, 0, 200, 200, 1, FloatBits(1), FloatBits(1), 5, 5, std::int32_t(Text.size()), 76, 0, 0, 0, 0, 0, 0},
               Units);
    const QImage Image = PlayOnWhiteSquare(Writer, 200);
    QRect Bounds;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            if (qGray(Image.pixel(X, Y)) < 128) Bounds |= QRect(X, Y, 1, 1);
    return Bounds;
}

} // namespace

TEST(EmfText, FontHeightsAndWidthsSizeTheGlyphs)
{
    EnsureApplication();
    // A negative height is the characters' height, a positive one the cell's, which holds the characters
    // and the space above and below them: the same number makes smaller letters.
    const QRect Character = InkBoundsOfSizedText(-40, 0), Cell = InkBoundsOfSizedText(40, 0);
    EXPECT_LT(Cell.height(), Character.height() * 0.95);
    EXPECT_GT(Cell.height(), Character.height() * 0.6);
    // A width asks for characters of that average width, the height unchanged: twice the width, a string
    // twice as wide; the font's own is wider than both.
    const QRect Narrow = InkBoundsOfSizedText(-40, 8), Wide = InkBoundsOfSizedText(-40, 16);
    EXPECT_NEAR(double(Wide.width()) / Narrow.width(), 2.0, 0.25);
    EXPECT_GT(Character.width(), Wide.width());
    EXPECT_NEAR(Narrow.height(), Character.height(), 2);
    EXPECT_NEAR(Wide.height(), Character.height(), 2);
}
