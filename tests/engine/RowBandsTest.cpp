#include "engine/RowBands.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>

TEST(RowBands, CoverEveryRowOnceInConsecutiveOrderedBands)
{
    for (auto [Height, Bands] : {std::pair{1, 1}, {1, 3}, {2, 2}, {7, 3}, {1025, 2}, {3000, 8}}) {
        std::vector<std::pair<int, int>> Ranges(std::size_t(Bands), {-1, -1});
        std::mutex Guard;
        ForEachRowBand(Height, Bands, [&](int Band, int First, int End) {
            const std::scoped_lock Lock(Guard);
            Ranges[std::size_t(Band)] = {First, End};
        });
        int Next = 0;
        for (int Band = 0; Band < Bands; ++Band) {
            const auto [First, End] = Ranges[std::size_t(Band)];
            EXPECT_EQ(First, Next) << Height << " rows in " << Bands << " bands, band " << Band;
            EXPECT_LE(End - First, Height / Bands + 1);
            Next = End;
        }
        EXPECT_EQ(Next, Height) << Height << " rows in " << Bands << " bands";
    }
}

TEST(RowBands, SmallPicturesStayOnOneThread)
{
    EXPECT_EQ(RowBandCount(0), 1);
    EXPECT_EQ(RowBandCount(640 * 480), 1);
    EXPECT_GE(RowBandCount(std::int64_t(4000) * 3000), std::min(2u, std::max(1u, std::thread::hardware_concurrency())));
    EXPECT_LE(RowBandCount(std::int64_t(1) << 40), 8);
}
