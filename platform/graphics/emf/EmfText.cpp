// The EMF player's text: the strings of the text records, the fonts they are drawn with, and their
// placement.
#include "platform/graphics/emf/EmfPlayerState.h"

#include "platform/graphics/emf/SymbolEncoding.h"
#include "platform/system/CodePage.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QRawFont>

#include <cmath>

namespace EmfPlayback {

namespace {

// The string of Chars characters: 16-bit units, or bytes in the code page of the font's character set.
// For bytes, Lengths receives the bytes of each character as Utf16FromCodePage gives them.
QString DecodeText(const char* Bytes, std::uint32_t Chars, bool Wide, int CharSet, std::vector<std::size_t>& Lengths)
{
    std::u16string Units;
    if (Wide) {
        Units.resize(Chars);
        std::memcpy(Units.data(), Bytes, std::size_t(Chars) * 2);
    } else {
        Units = Utf16FromCodePage(CharSetEncoding(CharSet), std::string_view(Bytes, Chars), &Lengths);
    }
    return QString::fromUtf16(Units.data(), qsizetype(Units.size()));
}

// Advances of a byte string given byte by byte, as characters: a character of two bytes advances by both.
std::vector<double> CharacterAdvances(const std::vector<double>& ByteAdvances, const std::vector<std::size_t>& Lengths)
{
    std::vector<double> Result;
    std::size_t Byte = 0;
    for (const std::size_t Length : Lengths) {
        double Advance = 0;
        for (std::size_t Index = 0; Index < Length && Byte < ByteAdvances.size(); ++Index)
            Advance += ByteAdvances[Byte++];
        Result.push_back(Advance);
    }
    return Result;
}

// The desktop's East Asian faces that documents name, the installed families that stand in for them, keyed
// in compatibility form and case-folded ("ＭＳ Ｐゴシック" is "ms pゴシック"), and the cell of each face,
// its ascent plus descent in ems, where it is known (0 where not).
// The cells are the faces' published vertical metrics: the gothic and mincho faces of the Japanese desktop
// and SimSun are 256 units to the em with an ascent of 220 and a descent of 36, a cell of one em; Meiryo's
// cell is one and a half ems. The stand-ins' cells are larger (IPAPGothic's 1.076 ems). The other
// older Chinese and the Korean faces are given the cell of the legacy East Asian faces drawn for
// character cells, one em; the newer faces' cells are not known here.
struct TSubstitute
{
    const char16_t* Face;
    const char* Family;
    double Cell;
};
constexpr TSubstitute Substitutes[] = {{u"ms pゴシック", "IPAPGothic", 1.0},
                                       {u"ms pgothic", "IPAPGothic", 1.0},
                                       {u"ms ui gothic", "IPAPGothic", 1.0},
                                       {u"メイリオ", "IPAPGothic", 1.5},
                                       {u"meiryo", "IPAPGothic", 1.5},
                                       {u"meiryo ui", "IPAPGothic", 0},
                                       {u"游ゴシック", "IPAPGothic", 0},
                                       {u"yu gothic", "IPAPGothic", 0},
                                       {u"ms ゴシック", "IPAGothic", 1.0},
                                       {u"ms gothic", "IPAGothic", 1.0},
                                       {u"ms 明朝", "IPAMincho", 1.0},
                                       {u"ms mincho", "IPAMincho", 1.0},
                                       {u"ms p明朝", "IPAPMincho", 1.0},
                                       {u"ms pmincho", "IPAPMincho", 1.0},
                                       {u"游明朝", "IPAMincho", 0},
                                       {u"yu mincho", "IPAMincho", 0},
                                       {u"宋体", "WenQuanYi Zen Hei", 1.0},
                                       {u"simsun", "WenQuanYi Zen Hei", 1.0},
                                       {u"新宋体", "WenQuanYi Zen Hei", 1.0},
                                       {u"nsimsun", "WenQuanYi Zen Hei", 1.0},
                                       {u"黑体", "WenQuanYi Zen Hei", 1.0},
                                       {u"simhei", "WenQuanYi Zen Hei", 1.0},
                                       {u"微软雅黑", "WenQuanYi Zen Hei", 0},
                                       {u"microsoft yahei", "WenQuanYi Zen Hei", 0},
                                       {u"楷体", "WenQuanYi Zen Hei", 1.0},
                                       {u"kaiti", "WenQuanYi Zen Hei", 1.0},
                                       {u"仿宋", "WenQuanYi Zen Hei", 1.0},
                                       {u"fangsong", "WenQuanYi Zen Hei", 1.0},
                                       {u"新細明體", "WenQuanYi Zen Hei", 1.0},
                                       {u"pmingliu", "WenQuanYi Zen Hei", 1.0},
                                       {u"細明體", "WenQuanYi Zen Hei", 1.0},
                                       {u"mingliu", "WenQuanYi Zen Hei", 1.0},
                                       {u"微軟正黑體", "WenQuanYi Zen Hei", 0},
                                       {u"microsoft jhenghei", "WenQuanYi Zen Hei", 0},
                                       {u"굴림", "WenQuanYi Zen Hei", 1.0},
                                       {u"gulim", "WenQuanYi Zen Hei", 1.0},
                                       {u"굴림체", "WenQuanYi Zen Hei", 1.0},
                                       {u"gulimche", "WenQuanYi Zen Hei", 1.0},
                                       {u"돋움", "WenQuanYi Zen Hei", 1.0},
                                       {u"dotum", "WenQuanYi Zen Hei", 1.0},
                                       {u"바탕", "WenQuanYi Zen Hei", 1.0},
                                       {u"batang", "WenQuanYi Zen Hei", 1.0},
                                       {u"맑은 고딕", "WenQuanYi Zen Hei", 0},
                                       {u"malgun gothic", "WenQuanYi Zen Hei", 0}};

// The stand-in for a face, or null.
const TSubstitute* SubstituteFor(const QString& Face)
{
    const QString Key = Face.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (const TSubstitute& Substitute : Substitutes)
        if (Key == QStringView(Substitute.Face)) return &Substitute;
    return nullptr;
}

// The installed family to draw a face with: its stand-in, the face itself when installed, else a family
// that holds the characters of the font's character set.
QString InstalledFamily(const QString& Face, int CharSet)
{
    if (const TSubstitute* Substitute = SubstituteFor(Face)) return QString::fromLatin1(Substitute->Family);
    if (Face.isEmpty() || !QFontDatabase::hasFamily(Face)) {
        switch (CharSet) {
        case U_SHIFTJIS_CHARSET:
            return QStringLiteral("IPAPGothic");
        case U_HANGUL_CHARSET:
        case U_JOHAB_CHARSET:
        case U_GB2312_CHARSET:
        case U_CHINESEBIG5_CHARSET:
            return QStringLiteral("WenQuanYi Zen Hei");
        default:
            break;
        }
    }
    return Face.isEmpty() ? QStringLiteral("DejaVu Sans") : Face;
}

// The average character width a logical font's width asks for: the advances of the small letters and the
// space weighted by how often they occur in text, as fonts long declared it. Many fonts now declare the
// average over all their glyphs, which is wider and would narrow the letters a width asks for.
double WeightedAverageWidth(const QFontMetricsF& Metrics)
{
    constexpr int Weights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6, 35, 20,
                                 56, 56, 17, 4,  49,  56, 71, 31, 10, 18, 3, 18, 2};
    double Sum = 166 * Metrics.horizontalAdvance(QLatin1Char(' '));
    for (int Letter = 0; Letter < 26; ++Letter)
        Sum += Weights[Letter] * Metrics.horizontalAdvance(QLatin1Char(char('a' + Letter)));
    return Sum / 1000;
}

// How much wider than its natural advances a stand-in font's glyphs are drawn to fit the advances (in
// pixels) of the face it stands in for: their ratio over the characters other than spaces (justified lines
// widen only those), or 1 where no advances are given.
double FitToAdvances(const QString& String, const std::vector<double>& Advances, const QFontMetricsF& Metrics)
{
    double Given = 0, Natural = 0;
    for (qsizetype Index = 0; Index < String.size() && std::size_t(Index) < Advances.size(); ++Index) {
        const QChar Char = String.at(Index);
        if (Char.isSpace() || Char.isSurrogate()) continue;
        Given += Advances[std::size_t(Index)];
        Natural += Metrics.horizontalAdvance(Char);
    }
    if (Given <= 0 || Natural <= 0) return 1;
    return std::clamp(Given / Natural, 0.25, 4.0);
}

// The advances of the Symbol font's characters in a face of its design where that face has them, else in
// the stand-in that draws them, in pixels; empty without such a face. The stand-in's own signs are wider.
std::vector<double> SymbolDesignAdvances(const QString& String, const QFont& StandIn, const QFontMetricsF& Metrics)
{
    QFont Design(QStringLiteral("Standard Symbols PS"));
    Design.setPixelSize(StandIn.pixelSize());
    Design.setStretch(StandIn.stretch());
    if (!QFontInfo(Design).family().startsWith(Design.family())) return {};
    const QRawFont Raw = QRawFont::fromFont(Design);
    const QFontMetricsF DesignMetrics(Design);
    std::vector<double> Result;
    for (const QChar Char : String)
        Result.push_back(Raw.supportsCharacter(Char) ? DesignMetrics.horizontalAdvance(Char)
                                                     : Metrics.horizontalAdvance(Char));
    return Result;
}

} // namespace

void TEmfPlayer::TextOut(const char* Record, std::uint32_t Size, const U_EMRTEXT& Text, bool Wide)
{
    const std::uint32_t Chars = Text.nChars;
    if (Chars == 0 || Chars > 65536 || !Inside(Text.offString, Chars, Wide ? 2 : 1, Size)) return;
    TTextRun Run;
    Run.Reference = QPointF(Text.ptlReference.x, Text.ptlReference.y);
    std::vector<std::size_t> Lengths;
    Run.String = DecodeText(Record + Text.offString, Chars, Wide, FState.Font.CharSet, Lengths);
    Run.Options = Text.fOptions;
    Run.Advanced = RecordAs<U_EMREXTTEXTOUTW>(Record).iGraphicsMode == U_GM_ADVANCED;
    // The optional rectangle and the offset of the advances follow the fixed part of the text record.
    const char* After = reinterpret_cast<const char*>(&Text) + sizeof(U_EMRTEXT);
    if (!(Text.fOptions & U_ETO_NO_RECT)) {
        U_RECTL Rect;
        std::memcpy(&Rect, After, sizeof Rect);
        Run.Box = RectOf(Rect);
        After += sizeof Rect;
    }
    std::uint32_t OffDx;
    std::memcpy(&OffDx, After, 4);
    const bool PairedDx = (Text.fOptions & U_ETO_PDY) != 0;
    if (OffDx != 0 && Inside(OffDx, std::uint64_t(Chars) * (PairedDx ? 2 : 1), 4, Size)) {
        for (std::uint32_t Index = 0; Index < Chars; ++Index) {
            std::int32_t Advance;
            std::memcpy(&Advance, Record + OffDx + Index * (PairedDx ? 8 : 4), 4);
            Run.Advances.push_back(Advance);
        }
        if (!Wide) Run.Advances = CharacterAdvances(Run.Advances, Lengths);
    }
    DrawTextRun(Run);
}

void TEmfPlayer::SmallTextOut(const char* Record, std::uint32_t Size)
{
    // The fixed part, the rectangle unless the options leave it out, then the characters: bytes with
    // U_ETO_SMALL_CHARS, else 16-bit units. There are no advances.
    const auto& Text = RecordAs<U_EMRSMALLTEXTOUT>(Record);
    const std::uint32_t Chars = Text.cChars;
    std::uint64_t At = sizeof(U_EMRSMALLTEXTOUT);
    TTextRun Run;
    if (!(Text.fuOptions & U_ETO_NO_RECT)) {
        if (!Inside(At, 1, sizeof(U_RECTL), Size)) return;
        U_RECTL Rect;
        std::memcpy(&Rect, Record + At, sizeof Rect);
        Run.Box = RectOf(Rect);
        At += sizeof Rect;
    }
    const bool Wide = !(Text.fuOptions & U_ETO_SMALL_CHARS);
    if (Chars == 0 || Chars > 65536 || !Inside(At, Chars, Wide ? 2 : 1, Size)) return;
    Run.Reference = QPointF(Text.Dest.x, Text.Dest.y);
    std::vector<std::size_t> Lengths;
    Run.String = DecodeText(Record + At, Chars, Wide, FState.Font.CharSet, Lengths);
    Run.Options = Text.fuOptions;
    Run.Advanced = Text.iGraphicsMode == U_GM_ADVANCED;
    DrawTextRun(Run);
}

const TTextFont& TEmfPlayer::TextFont(bool Symbol, double Height, double Width)
{
    if (FTextFont && FTextFont->State == FState.Font && FTextFont->Symbol == Symbol && FTextFont->Height == Height &&
        FTextFont->Width == Width)
        return *FTextFont;
    QFont Font(Symbol ? QStringLiteral("DejaVu Serif") : InstalledFamily(FState.Font.Face, FState.Font.CharSet));
    Font.setWeight(QFont::Weight(std::clamp(FState.Font.Weight == 0 ? 400 : FState.Font.Weight, 1, 1000)));
    Font.setItalic(FState.Font.Italic);
    Font.setUnderline(FState.Font.Underline);
    Font.setStrikeOut(FState.Font.StrikeOut);
    double Pixels = Height;
    if (FState.Font.Height > 0) {
        // A positive height is the cell height, ascent plus descent: of the face the font names where its
        // stand-in's cell is not the same, else of the face drawn. The metric-compatible stand-ins of the
        // office faces have their cells.
        const TSubstitute* Substitute = SubstituteFor(FState.Font.Face);
        double Cell = Substitute ? Substitute->Cell : 0;
        if (Cell <= 0) {
            Font.setPixelSize(100);
            const QFontMetricsF Probe(Font);
            Cell = std::max(1.0, Probe.ascent() + Probe.descent()) / 100;
        }
        Pixels /= Cell;
    }
    Font.setPixelSize(std::max(1, int(std::lround(Pixels))));
    // A width asks for glyphs of that average width: the font is stretched or narrowed to it.
    if (Width > 0) {
        const double Average = WeightedAverageWidth(QFontMetricsF(Font));
        if (Average > 0) Font.setStretch(std::clamp(int(std::lround(100 * Width / Average)), 1, 4000));
    }
    const bool StandIn = Symbol || QFontInfo(Font).family().compare(FState.Font.Face, Qt::CaseInsensitive) != 0;
    FTextFont.emplace(TTextFont{FState.Font, Symbol, Height, Width, Font, QFontMetricsF(Font), StandIn});
    return *FTextFont;
}

void TEmfPlayer::DrawTextRun(const TTextRun& Run)
{
    const QRectF& Box = Run.Box;
    QString String = Run.String;
    // The Symbol font's strings are in its own encoding; once translated they are drawn with a face that
    // has the characters under their Unicode values, which the symbol faces installed here do not.
    const bool Symbol =
        FState.Font.CharSet == U_SYMBOL_CHARSET && FState.Font.Face.compare(u"Symbol", Qt::CaseInsensitive) == 0;
    if (Symbol)
        for (QChar& Char : String) Char = QChar(SymbolToUnicode(Char.unicode()));
    const QTransform Transform = Total();
    if ((Run.Options & U_ETO_OPAQUE) && !Box.isEmpty()) {
        FPainter.setTransform(Transform);
        FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        FPainter.fillRect(Box, FState.BkColor);
    }
    if (Run.Options & U_ETO_GLYPH_INDEX) return; // glyph numbers of a font we do not have
    // Fonts live in the application object's font database; without one there is no text to draw.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return;
    const bool UpdatePosition = FState.TextAlign & U_TA_UPDATECP;
    const QPointF Reference = UpdatePosition ? FState.Position : Run.Reference;

    // Text stays upright and unmirrored: only the direction of the logical x axis and the scale are taken
    // from the transform.
    const QPointF Origin = Transform.map(Reference);
    const QPointF AxisX = Transform.map(Reference + QPointF(1, 0)) - Origin;
    const QPointF AxisY = Transform.map(Reference + QPointF(0, 1)) - Origin;
    const double ScaleX = std::hypot(AxisX.x(), AxisX.y());
    const double ScaleY = std::hypot(AxisY.x(), AxisY.y());
    if (ScaleX <= 0 || ScaleY <= 0) return;
    const double Direction = std::atan2(AxisX.y(), AxisX.x()) * 180 / M_PI;
    const double Mirror = Transform.determinant() < 0 ? -1 : 1;

    const double Height = (FState.Font.Height == 0 ? 12 : std::abs(FState.Font.Height)) * ScaleY;
    if (Height < 0.5 || Height > 20000) return;
    const TTextFont& Chosen = TextFont(Symbol, Height, std::abs(FState.Font.Width) * ScaleX);
    const QFont& Font = Chosen.Font;
    const QFontMetricsF& Metrics = Chosen.Metrics;

    // In the advanced graphics mode a font of no width of its own is shaped in logical units, so the
    // page's aspect widens or narrows its glyphs. A stand-in's glyphs are narrowed or widened to the
    // advances of the face the record was made with.
    // The Symbol font's stand-in takes the advances of the Symbol design where the record gives none.
    const double Aspect = Run.Advanced && FState.Font.Width == 0 ? ScaleX / ScaleY : 1;
    std::vector<double> Advances;
    for (const double Advance : Run.Advances) Advances.push_back(Advance * ScaleX);
    if (Advances.empty() && Symbol) Advances = SymbolDesignAdvances(String, Font, Metrics);
    const double Fit = Chosen.StandIn && !Advances.empty() ? FitToAdvances(String, Advances, Metrics) : Aspect;
    std::vector<double> Offsets(std::size_t(String.size()) + 1, 0);
    for (qsizetype Index = 0; Index < String.size(); ++Index)
        Offsets[std::size_t(Index) + 1] =
            Offsets[std::size_t(Index)] +
            (Advances.empty() ? Metrics.horizontalAdvance(String.at(Index)) * Aspect : Advances[std::size_t(Index)]);
    const double Width = Offsets.back();
    double Shift = 0;
    switch (FState.TextAlign & (U_TA_CENTER | U_TA_RIGHT)) {
    case U_TA_CENTER:
        Shift = -Width / 2;
        break;
    case U_TA_RIGHT:
        Shift = -Width;
        break;
    default:
        break;
    }
    double Baseline = Metrics.ascent();
    if ((FState.TextAlign & U_TA_BASELINE) == U_TA_BASELINE)
        Baseline = 0;
    else if (FState.TextAlign & U_TA_BOTTOM)
        Baseline = -Metrics.descent();

    QTransform Placement;
    Placement.translate(Origin.x(), Origin.y());
    Placement.rotate(Direction - Mirror * FState.Font.Escapement / 10.0);
    if (Mirror < 0) Placement.scale(1, 1); // text is never drawn mirrored
    if (UpdatePosition) FState.Position = Reference + QPointF(Width / ScaleX, 0);
    // A band of a large surface meets most strings of the picture only in passing; a string wholly off the
    // device is not drawn. Its box spans its advances and its line, widened all round by two of the
    // font's widest glyphs or lines for ink beyond them, and sideways by a quarter of its width for the
    // kerning of a string drawn whole.
    const auto [Leftmost, Rightmost] = std::minmax_element(Offsets.begin(), Offsets.end());
    const double Margin = 2 * std::max(Metrics.height(), Metrics.maxWidth());
    const double Side = Margin + (*Rightmost - *Leftmost) / 4;
    const QRectF Ink(Shift + *Leftmost - Side, Baseline - Metrics.ascent() - Margin, *Rightmost - *Leftmost + 2 * Side,
                     Metrics.height() + 2 * Margin);
    const QRectF Device(0, 0, FPainter.device()->width(), FPainter.device()->height());
    if (!Placement.mapRect(Ink).intersects(Device)) return;
    FPainter.setTransform(Placement);
    FPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FPainter.setRenderHint(QPainter::Antialiasing, true);
    FPainter.save();
    if (Run.Options & U_ETO_CLIPPED && !Box.isEmpty()) {
        QPainterPath ClipBox;
        ClipBox.addRect(Box);
        FPainter.setClipPath(Placement.inverted().map(Transform.map(ClipBox)), Qt::IntersectClip);
    }
    if (FState.BkMode == BkOpaque && !(Run.Options & U_ETO_OPAQUE))
        FPainter.fillRect(QRectF(Shift, Baseline - Metrics.ascent(), Width, Metrics.height()), FState.BkColor);
    FPainter.setFont(Font);
    FPainter.setPen(FState.TextColor);
    FPainter.setTransform(QTransform::fromScale(Fit, 1) * Placement);
    if (Advances.empty()) {
        FPainter.drawText(QPointF(Shift / Fit, Baseline), String);
    } else {
        for (qsizetype Index = 0; Index < String.size(); ++Index) {
            const QChar Char = String.at(Index);
            const QPointF At((Shift + Offsets[std::size_t(Index)]) / Fit, Baseline);
            if (Char.isHighSurrogate() && Index + 1 < String.size()) {
                FPainter.drawText(At, String.mid(Index, 2));
                ++Index;
            } else if (!Char.isSpace() && !Char.isLowSurrogate()) {
                FPainter.drawText(At, QString(Char));
            }
        }
    }
    FPainter.restore();
}

} // namespace EmfPlayback
