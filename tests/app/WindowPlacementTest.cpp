// Where a stored window placement is shown on the screens at hand.
#include "app/WindowPlacement.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

const TWindowPlacement FirstStart{723, 520, 294, 209, WindowStateNormal};
const QMargins Frame{1, 20, 1, 1};

} // namespace

void PrintTo(const TWindowPlacement& Placement, std::ostream* Stream)
{
    *Stream << "(" << Placement.Left << ", " << Placement.Top << ", " << Placement.Width << " x " << Placement.Height
            << ", state " << Placement.WindowState << ")";
}

TEST(FitPlacement, KeepsAPlacementThatFits)
{
    const QList<QRect> Screen{QRect(0, 0, 1024, 740)};
    const TWindowPlacement Stored{1, 20, 1022, 719, WindowStateMaximised};
    EXPECT_EQ(FitPlacement(Stored, FirstStart, Frame, Screen), Stored);
}

TEST(FitPlacement, MovesAWindowBackInsideTheAvailableArea)
{
    const QList<QRect> Screen{QRect(0, 24, 1024, 744)};
    // Its frame runs past the right and bottom edges: a sliver of it would show.
    EXPECT_EQ(FitPlacement({900, 729, 286, 175, 0}, FirstStart, Frame, Screen),
              (TWindowPlacement{737, 592, 286, 175, 0}));
    // Past the left and top edges, the title bar under a panel.
    EXPECT_EQ(FitPlacement({-50, 10, 300, 200, 0}, FirstStart, Frame, Screen), (TWindowPlacement{1, 44, 300, 200, 0}));
}

TEST(FitPlacement, ShrinksAWindowToTheAreaAndTakesTheFirstStartSizeForOneNoScreenShows)
{
    const QList<QRect> Screen{QRect(0, 0, 1024, 768)};
    // 900 high fits no screen here: the first start's height, the width kept.
    EXPECT_EQ(FitPlacement({400, 300, 900, 900, 0}, FirstStart, Frame, Screen),
              (TWindowPlacement{123, 300, 900, 209, 0}));
    EXPECT_EQ(FitPlacement({10, 30, 100000, 0, 0}, FirstStart, Frame, Screen), (TWindowPlacement{10, 30, 294, 209, 0}));
    // A width the screen has, but not with the frame around it, is shrunk to fit.
    EXPECT_EQ(FitPlacement({0, 20, 1024, 500, 0}, FirstStart, Frame, Screen), (TWindowPlacement{1, 20, 1022, 500, 0}));
    // Positions at the ends of the integers come inside without overflowing.
    EXPECT_EQ(FitPlacement({INT_MAX, INT_MIN, 300, 200, 0}, FirstStart, Frame, Screen),
              (TWindowPlacement{723, 20, 300, 200, 0}));
}

TEST(FitPlacement, KeepsAWindowOnTheScreenItCoversMostAndBringsALostOneToThePrimary)
{
    const QList<QRect> Screens{QRect(0, 0, 1024, 768), QRect(1024, 0, 1280, 1024)};
    // A window wider than the primary screen, on the second.
    const TWindowPlacement OnSecond{1200, 500, 1100, 400, 0};
    EXPECT_EQ(FitPlacement(OnSecond, FirstStart, Frame, Screens), OnSecond);
    // Mostly on the second, running off its bottom.
    EXPECT_EQ(FitPlacement({1000, 900, 300, 200, 0}, FirstStart, Frame, Screens),
              (TWindowPlacement{1025, 823, 300, 200, 0}));
    // Where the second screen was before it went.
    EXPECT_EQ(FitPlacement({1200, 500, 300, 200, 0}, FirstStart, Frame, {QRect(0, 0, 1024, 768)}),
              (TWindowPlacement{723, 500, 300, 200, 0}));
}
