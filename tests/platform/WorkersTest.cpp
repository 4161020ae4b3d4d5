#include "platform/system/Workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

TEST(Workers, EveryWorkerRunsOnceAndTheFirstFailureComesBackAfterAllHaveEnded)
{
    for (const unsigned Workers : {1u, 2u, 5u}) {
        std::vector<std::atomic<int>> Calls(Workers);
        RunOnWorkers(Workers, [&](unsigned Worker) { ++Calls[Worker]; });
        for (unsigned Worker = 0; Worker < Workers; ++Worker)
            EXPECT_EQ(Calls[Worker], 1) << Worker << " of " << Workers;
    }
    std::atomic<int> Finished{0};
    EXPECT_THROW(RunOnWorkers(3,
                              [&](unsigned Worker) {
                                  if (Worker == 1) throw std::runtime_error("band failed");
                                  ++Finished;
                              }),
                 std::runtime_error);
    EXPECT_EQ(Finished, 2);
}
