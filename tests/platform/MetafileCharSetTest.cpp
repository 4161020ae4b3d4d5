// Text of fonts in national character sets: decoded by the code page of the font's character set, drawn
// in a font that holds its characters, and kept byte for byte when saved as WMF again.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/system/CodePage.h"
#include "tests/support/MetafileCompare.h"
#include "tests/support/TestApplication.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <uwmf.h>

namespace {

// A WMF record: its size in words, its function, its parameters.
void AddRecord(std::vector<std::uint8_t>& Records, int Function, const std::vector<std::uint8_t>& Parameters)
{
    Append32(Records, std::uint32_t(3 + Parameters.size() / 2));
    Append16(Records, std::uint16_t(U_wmr_values(Function)));
    Records.insert(Records.end(), Parameters.begin(), Parameters.end());
}

// A 400 × 80 placeable WMF at 96 units per inch drawing Text (bytes) at (10, 10) by its top left, in a
// font of Height (negative: character height, positive: cell height) made with CharSet and the face Face
// (bytes).
std::vector<std::uint8_t> TextWmf(const std::string& Face, std::uint8_t CharSet, const std::string& Text,
                                  std::int16_t Height = -40)
{
    std::vector<std::uint8_t> Records;
    std::vector<std::uint8_t> Font;
    for (const std::int16_t Value : {Height, std::int16_t(0), std::int16_t(0), std::int16_t(0), std::int16_t(400)})
        Append16(Font, std::uint16_t(Value));
    for (const std::uint8_t Byte : {0, 0, 0, int(CharSet), 0, 0, 0, 0}) Font.push_back(Byte);
    Font.insert(Font.end(), Face.begin(), Face.end());
    Font.resize((Font.size() + 2) / 2 * 2, 0); // a terminator, padded to a word
    AddRecord(Records, U_WMR_CREATEFONTINDIRECT, Font);
    AddRecord(Records, U_WMR_SELECTOBJECT, {0, 0});
    AddRecord(Records, U_WMR_SETBKMODE, {1, 0}); // transparent
    std::vector<std::uint8_t> Out;
    Append16(Out, std::uint16_t(Text.size()));
    Out.insert(Out.end(), Text.begin(), Text.end());
    if (Out.size() % 2) Out.push_back(0);
    Append16(Out, 10); // y, x
    Append16(Out, 10);
    AddRecord(Records, U_WMR_TEXTOUT, Out);
    return PlaceableWmf(Records, 400, 80, 96);
}

// Which pixels are ink (darker than mid grey).
std::vector<bool> Ink(const QImage& Image)
{
    std::vector<bool> Result;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X) Result.push_back(qGray(Image.pixel(X, Y)) < 128);
    return Result;
}

// The share of the ink of either picture that both have.
double Overlap(const std::vector<bool>& A, const std::vector<bool>& B)
{
    int Both = 0, Either = 0;
    for (std::size_t Index = 0; Index < A.size(); ++Index) {
        Both += A[Index] && B[Index];
        Either += A[Index] || B[Index];
    }
    return Either == 0 ? 0 : double(Both) / Either;
}

// The 400 × 80 metafile drawn at its size over white.
QImage Drawn(const std::vector<std::uint8_t>& Wmf)
{
    TMetafile Metafile;
    Metafile.LoadFromStream(Wmf);
    TBitmap Shown;
    Shown.SetLayout(400, 80, 32);
    for (int Y = 0; Y < 80; ++Y) std::fill_n(Shown.ScanLine(Y), 400 * 4, 0xFF);
    Metafile.Draw(Shown.Canvas(), Rect(0, 0, 400, 80));
    return QImage(Shown.ScanLine(0), 400, 80, qsizetype(Shown.RowBytes()), QImage::Format_RGB32).copy();
}

// The rows from the first with ink to the last.
int InkHeight(const QImage& Image)
{
    int First = -1, Last = -1;
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            if (qGray(Image.pixel(X, Y)) < 128) {
                if (First < 0) First = Y;
                Last = Y;
                break;
            }
    return First < 0 ? 0 : Last - First + 1;
}

// The metafile drawn at its size over white, and the string drawn through Qt in Family at 40 pixels, its
// top left at (10, 10), beside it: their glyph coverage.
double CoverageOverlap(const std::vector<std::uint8_t>& Wmf, const QString& Family, const QString& Expected)
{
    const QImage Ours = Drawn(Wmf);

    QImage Theirs(400, 80, QImage::Format_RGB32);
    Theirs.fill(Qt::white);
    QPainter Painter(&Theirs);
    QFont Font(Family);
    Font.setPixelSize(40);
    Painter.setFont(Font);
    Painter.setPen(Qt::black);
    Painter.drawText(QPointF(10, 10 + QFontMetricsF(Font).ascent()), Expected);
    Painter.end();
    const std::vector<bool> A = Ink(Ours), B = Ink(Theirs);
    EXPECT_GT(std::count(B.begin(), B.end(), true), 500) << "the reference shows its glyphs";
    return Overlap(A, B);
}

} // namespace

TEST(MetafileCharSet, CodePagesDecodeCharacterByCharacterAndKeepWhatFollowsACutOne)
{
    EXPECT_STREQ(CharSetEncoding(128), "CP932");
    EXPECT_STREQ(CharSetEncoding(1), "CP932");
    EXPECT_STREQ(CharSetEncoding(134), "CP936");
    EXPECT_STREQ(CharSetEncoding(204), "CP1251");
    EXPECT_STREQ(CharSetEncoding(0), "CP1252");
    // "日本" in Shift-JIS, a lone lead byte, then "A", then a byte that starts nothing and a lead byte cut
    // off by the end.
    std::vector<std::size_t> Lengths;
    const std::u16string Text = Utf16FromCodePage("CP932",
                                                  "\x93\xFA\x96\x7B\x82"
                                                  "A\xFD\x93",
                                                  &Lengths);
    EXPECT_EQ(Text, u"日本\uFFFDA\uFFFD\uFFFD");
    EXPECT_EQ(Lengths, (std::vector<std::size_t>{2, 2, 1, 1, 1, 1}));
    EXPECT_EQ(Utf16FromCodePage("CP1251", "\xCF\xF0\xE8"), u"При");
    EXPECT_EQ(CodePageFromUtf16("CP936", u"中文"), "\xD6\xD0\xCE\xC4");
}

TEST(MetafileCharSet, ShiftJisTextIsDrawnAsTheSameStringThroughQtInTheSubstituteFont)
{
    EnsureApplication();
    // "ＭＳ Ｐゴシック" and "日本語の表" in Shift-JIS.
    const std::string Face = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    const std::string Text = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\x5C";
    EXPECT_GT(CoverageOverlap(TextWmf(Face, 128, Text), "IPAPGothic", QString::fromUtf8("日本語の表")), 0.8);
}

TEST(MetafileCharSet, Gb2312TextIsDrawnAsTheSameStringThroughQtInTheSubstituteFont)
{
    EnsureApplication();
    // "宋体" and "中文字体" in GB2312.
    const std::string Face = "\xCB\xCE\xCC\xE5";
    const std::string Text = "\xD6\xD0\xCE\xC4\xD7\xD6\xCC\xE5";
    EXPECT_GT(CoverageOverlap(TextWmf(Face, 134, Text), "WenQuanYi Zen Hei", QString::fromUtf8("中文字体")), 0.8);
}

TEST(MetafileCharSet, SavedAsWmfTheTextAndFaceKeepTheirBytes)
{
    EnsureApplication();
    const std::string Face = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    const std::string Text = "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\x5C";
    TMetafile Metafile;
    Metafile.LoadFromStream(TextWmf(Face, 128, Text));
    ASSERT_FALSE(Metafile.Enhanced());
    std::vector<std::uint8_t> Saved;
    Metafile.SaveToStream(Saved);
    const std::string Bytes(Saved.begin(), Saved.end());
    EXPECT_NE(Bytes.find(Text), std::string::npos) << "the string";
    EXPECT_NE(Bytes.find(Face), std::string::npos) << "the face";
    // Read again, it draws the same.
    EXPECT_GT(CoverageOverlap(Saved, "IPAPGothic", QString::fromUtf8("日本語の表")), 0.8);
}

TEST(MetafileCharSet, ACellHeightDrawsTheEmOfTheNamedFaceNotOfItsStandIn)
{
    EnsureApplication();
    // A cell height H is the em H / C for a face of cell C (ascent plus descent in ems): one em for the
    // Japanese gothic faces and SimSun, whose stand-ins have taller cells, and the office faces' own
    // cells, which their metric-compatible stand-ins share. Both heights draw glyphs of one size.
    struct TCase
    {
        std::string Face;
        std::uint8_t CharSet;
        std::string Text;
        double Cell;
    };
    const TCase Cases[] = {
        // "ＭＳ Ｐゴシック" with "日本語の表", and "ＭＳ ゴシック", in Shift-JIS.
        {"\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E", 128,
         "\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x95\x5C", 1.0},
        {"\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E", 128, "\x93\xFA\x96\x7B\x8C\xEA", 1.0},
        // "宋体" with "中文字体" in GB2312.
        {"\xCB\xCE\xCC\xE5", 134, "\xD6\xD0\xCE\xC4\xD7\xD6\xCC\xE5", 1.0},
        {"Arial", 0, "Hdpx", 2288.0 / 2048},
        {"Times New Roman", 0, "Hdpx", 2268.0 / 2048},
        {"Courier New", 0, "Hdpx", 2320.0 / 2048},
        {"Calibri", 0, "Hdpx", 2500.0 / 2048}};
    for (const TCase& Case : Cases) {
        const std::int16_t Cell = 60;
        const auto Em = std::int16_t(std::lround(Cell / Case.Cell));
        const int ByCell = InkHeight(Drawn(TextWmf(Case.Face, Case.CharSet, Case.Text, Cell)));
        const int ByEm = InkHeight(Drawn(TextWmf(Case.Face, Case.CharSet, Case.Text, std::int16_t(-Em))));
        EXPECT_GT(ByEm, Em / 2) << Case.Face;
        EXPECT_NEAR(ByCell, ByEm, 1) << Case.Face << ": cell " << Cell << ", em " << Em;
    }
}
