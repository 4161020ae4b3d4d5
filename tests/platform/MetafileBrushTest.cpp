// Hatched brushes of the EMF player start at the brush origin.
#include "platform/graphics/emf/EmfWriter.h"
#include "tests/support/MetafileCompare.h"

#include <QImage>

#include <gtest/gtest.h>

#include <optional>
#include <uemf.h>

namespace {

constexpr int Side = 40;

// A square of black vertical hatching over transparent background, without a pen, drawn one to one
// onto white; with a brush origin set first when one is given.
QImage VerticalHatch(std::optional<QPoint> Origin)
{
    TEmfWriter Writer;
    Writer.Add(U_EMR_CREATEBRUSHINDIRECT, {1, U_BS_HATCHED, 0, U_HS_VERTICAL});
    Writer.UseHandle(1);
    Writer.Add(U_EMR_SELECTOBJECT, {1});
    Writer.Add(U_EMR_SELECTOBJECT, {std::int32_t(U_NULL_PEN)});
    Writer.Add(U_EMR_SETBKMODE, {U_TRANSPARENT});
    if (Origin) Writer.Add(U_EMR_SETBRUSHORGEX, {Origin->x(), Origin->y()});
    Writer.Add(U_EMR_RECTANGLE, {0, 0, Side, Side});
    return PlayOnWhiteSquare(Writer, Side);
}

// The columns of row 20 that are black.
std::vector<int> BlackColumns(const QImage& Image)
{
    std::vector<int> Columns;
    for (int X = 0; X < Image.width(); ++X)
        if (qGray(Image.pixel(X, 20)) < 128) Columns.push_back(X);
    return Columns;
}

} // namespace

TEST(EmfBrush, HatchesStartAtTheBrushOrigin)
{
    // The 8-pixel hatch has its line in its last column: columns 7, 15, ... from the origin.
    EXPECT_EQ(BlackColumns(VerticalHatch(std::nullopt)), (std::vector<int>{7, 15, 23, 31, 39}));
    EXPECT_EQ(BlackColumns(VerticalHatch(QPoint(3, 0))), (std::vector<int>{2, 10, 18, 26, 34}));
}
