#include "transfer_progress.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(TransferProgress, PerCentRoundsDownAndStopsAtTheTotal) {
    k5::TransferProgress progress;
    const auto t = k5::TransferProgress::Clock::now();
    progress.MoveTo(16, t);
    EXPECT_EQ(progress.Percent(), 0u) << "no total yet";
    progress.Start(1000);
    progress.MoveTo(999, t);
    EXPECT_EQ(progress.Percent(), 99u);
    progress.MoveTo(1008, t);  // the last chunk's padding
    EXPECT_EQ(progress.Percent(), 100u);
    EXPECT_EQ(progress.Done(), 1000u);
}

TEST(TransferProgress, RateCountsFromTheFirstBytesOnceHalfASecondHasPassed) {
    k5::TransferProgress progress;
    progress.Start(10000);
    const auto t = k5::TransferProgress::Clock::now();
    progress.MoveTo(0, t);  // the header's wait is not part of the rate
    progress.MoveTo(100, t + 3s);
    progress.MoveTo(400, t + 3s + 400ms);
    EXPECT_EQ(progress.BytesPerSecond(), 0) << "too soon to say";
    progress.MoveTo(1100, t + 4s);
    EXPECT_DOUBLE_EQ(progress.BytesPerSecond(), 1000);
    progress.Start(10000);
    EXPECT_EQ(progress.BytesPerSecond(), 0) << "a new transfer starts over";
}

}  // namespace
