// The scan conversion of very large shapes against a plain reference, and such shapes played.
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/emf/EmfWriter.h"
#include "platform/graphics/emf/ScanFill.h"
#include "tests/support/TestApplication.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <uemf.h>

namespace {

// The winding number of Point by each polygon, from the edges that cross the horizontal ray to its right.
int WindingAt(const QList<QPolygonF>& Polygons, QPointF Point)
{
    int Winding = 0;
    for (const QPolygonF& Polygon : Polygons)
        for (qsizetype Index = 0; Index < Polygon.size(); ++Index) {
            const QPointF A = Polygon[Index], B = Polygon[(Index + 1) % Polygon.size()];
            const bool Down = A.y() <= Point.y() && B.y() > Point.y();
            const bool Up = B.y() <= Point.y() && A.y() > Point.y();
            if (!Down && !Up) continue;
            const double X = A.x() + (Point.y() - A.y()) * (B.x() - A.x()) / (B.y() - A.y());
            if (X < Point.x()) Winding += Down ? 1 : -1;
        }
    return Winding;
}

QList<QPolygonF> RandomPolygons(std::mt19937& Random, int Polygons, int Points, double Span)
{
    std::uniform_real_distribution<double> Coordinate(-Span / 4, Span * 1.25);
    QList<QPolygonF> Result;
    for (int Index = 0; Index < Polygons; ++Index) {
        QPolygonF Polygon;
        for (int Point = 0; Point < Points; ++Point) Polygon << QPointF(Coordinate(Random), Coordinate(Random));
        Result << Polygon;
    }
    return Result;
}

} // namespace

TEST(ScanFill, CoversThePixelsWhoseCentresAreInsideByEitherRule)
{
    std::mt19937 Random(7);
    for (int Round = 0; Round < 6; ++Round) {
        const QList<QPolygonF> Polygons = RandomPolygons(Random, 1 + Round % 3, 5 + 7 * Round, 40);
        const QRect Area(3 + Round, -2 + Round, 37, 29); // offset from the origin, partly outside the shapes
        for (const Qt::FillRule Rule : {Qt::OddEvenFill, Qt::WindingFill}) {
            const QImage Mask = ScanFillMask(Polygons, Rule, Area);
            ASSERT_EQ(Mask.size(), Area.size());
            for (int Y = 0; Y < Area.height(); ++Y)
                for (int X = 0; X < Area.width(); ++X) {
                    const int Winding = WindingAt(Polygons, QPointF(Area.left() + X + 0.5, Area.top() + Y + 0.5));
                    const bool Inside = Rule == Qt::OddEvenFill ? (Winding & 1) != 0 : Winding != 0;
                    ASSERT_EQ(Mask.constScanLine(Y)[X] != 0, Inside) << "round " << Round << " at " << X << "," << Y;
                }
        }
    }
}

TEST(ScanFill, ThinLinesSetOnePixelPerStepNextToTheLineAndNothingElse)
{
    std::mt19937 Random(3);
    const QList<QPolygonF> Lines = RandomPolygons(Random, 3, 6, 30);
    const QRect Area(-2, 4, 31, 23);
    QImage Mask(Area.size(), QImage::Format_Alpha8);
    Mask.fill(0);
    StrokeThinLines(Lines, Mask, Area);
    int Set = 0;
    for (int Y = 0; Y < Area.height(); ++Y)
        for (int X = 0; X < Area.width(); ++X) {
            if (Mask.constScanLine(Y)[X] == 0) continue;
            ++Set;
            // The pixel's centre lies within a pixel of one of the lines.
            const QPointF Centre(Area.left() + X + 0.5, Area.top() + Y + 0.5);
            double Nearest = 1e9;
            for (const QPolygonF& Line : Lines)
                for (qsizetype Index = 0; Index + 1 < Line.size(); ++Index) {
                    const QPointF A = Line[Index], B = Line[Index + 1], D = B - A;
                    const double T =
                        std::clamp(QPointF::dotProduct(Centre - A, D) / QPointF::dotProduct(D, D), 0.0, 1.0);
                    const QPointF Foot = A + T * D;
                    Nearest = std::min(Nearest, std::hypot(Centre.x() - Foot.x(), Centre.y() - Foot.y()));
                }
            EXPECT_LE(Nearest, 1.0) << X << "," << Y;
        }
    EXPECT_GT(Set, 50);
}

TEST(ScanFill, AHugeSelfCrossingPolygonPlaysLikeTheToolkitsAliasedFill)
{
    // A random walk of six thousand short steps across a 200-pixel square, filled white by the default
    // brush over black, without a pen and then outlined by the default one-pixel black pen: compared
    // with the toolkit's own fill and outline without antialiasing.
    EnsureApplication();
    constexpr int Side = 200, Points = 6000, Size = 211;
    std::mt19937 Random(11);
    std::vector<std::uint8_t> Tail;
    QPolygonF Polygon;
    int WalkX = Side / 2, WalkY = Side / 2;
    for (int Index = 0; Index < Points; ++Index) {
        WalkX = std::clamp(WalkX + int(Random() % 13) - 6, 0, Side - 1);
        WalkY = std::clamp(WalkY + int(Random() % 13) - 6, 0, Side - 1);
        Polygon << QPointF(WalkX, WalkY);
        for (const int Value : {WalkX, WalkY}) {
            Tail.push_back(std::uint8_t(Value));
            Tail.push_back(std::uint8_t(Value >> 8));
        }
    }
    for (const bool Outlined : {false, true}) {
        SCOPED_TRACE(Outlined ? "outlined" : "filled only");
        TEmfWriter Writer;
        if (!Outlined) Writer.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_PEN)});
        Writer.Add(U_EMR_POLYGON16, {0, 0, Side, Side, Points}, Tail);
        TMetafile Metafile;
        Metafile.SetEmfBytes(Writer.Finish({0, 0, Side * 2540 / 96, Side * 2540 / 96}, {1920, 1080, 508000, 285750}));
        // Drawn a little larger, so that no edge passes exactly through a pixel's centre, where the two
        // may decide either way.
        TBitmap Shown;
        Shown.SetLayout(Size, Size, 32);
        Metafile.Draw(Shown.Canvas(), Rect(0, 0, Size, Size));

        QImage Expected(Size, Size, QImage::Format_RGB32);
        Expected.fill(Qt::black);
        QPainter Painter(&Expected);
        const double Frame = (Side * 2540 / 96) * 1920 / 50800.0; // the frame in reference pixels
        Painter.scale(Size / Frame, Size / Frame);
        Painter.setPen(Outlined ? QPen(Qt::black, 0) : QPen(Qt::NoPen));
        Painter.setBrush(Qt::white);
        Painter.drawPolygon(Polygon, Qt::OddEvenFill);
        Painter.end();
        int Differing = 0, White = 0;
        for (int Y = 0; Y < Size; ++Y)
            for (int X = 0; X < Size; ++X) {
                const bool Light = Shown.ScanLine(Y)[4 * X] > 127;
                White += Light;
                Differing += Light != (qBlue(Expected.pixel(X, Y)) > 127);
            }
        // The fill samples pixel centres as the toolkit does, which rounds edges to its fixed point; one-pixel
        // lines may step differently from the toolkit's by a pixel here and there.
        EXPECT_LE(Differing, Outlined ? Size * Size / 20 : Size * Size / 100);
        EXPECT_GT(White, Size * Size / 20) << "the fill shows between the lines";
    }
}
