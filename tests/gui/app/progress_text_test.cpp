#include "gui/app/progress_text.h"

#include <gtest/gtest.h>

namespace quorvane::gui {
namespace {

using namespace std::chrono_literals;

TEST(ProgressEstimate, CountsThenEstimatesFromTheRateSoFar)
{
    ProgressEstimate progress;
    EXPECT_EQ(progress.text(), "");
    const ProgressEstimate::Clock::time_point start{};
    progress.report(0, 340, start);
    EXPECT_EQ(progress.text(), "0 of 340 (0%)");
    progress.report(1, 340, start + 5s);
    // One item is too few to judge the rate by.
    EXPECT_EQ(progress.text(), "1 of 340 (0%)");
    // 0.5 s an item, 328 to go: 164 s.
    progress.report(12, 340, start + 6s);
    EXPECT_EQ(progress.text(), "12 of 340 (3%), about 3 min left");
    progress.report(340, 340, start + 170s);
    EXPECT_EQ(progress.text(), "340 of 340 (100%)");
    // A new job's first report starts the count again.
    progress.report(0, 10, start + 200s);
    progress.report(5, 10, start + 210s);
    EXPECT_EQ(progress.text(), "5 of 10 (50%), about 10 s left");
    progress.report(0, 0, start + 220s);
    EXPECT_EQ(progress.text(), "");
}

TEST(ProgressEstimate, TimeLeftReadsInSecondsMinutesOrHours)
{
    EXPECT_EQ(timeLeftText(0.2), "about 1 s left");
    EXPECT_EQ(timeLeftText(59), "about 59 s left");
    EXPECT_EQ(timeLeftText(89), "about 1 min left");
    EXPECT_EQ(timeLeftText(90), "about 2 min left");
    EXPECT_EQ(timeLeftText(3589), "about 1 h 0 min left");
    EXPECT_EQ(timeLeftText(5000), "about 1 h 23 min left");
}

}  // namespace
}  // namespace quorvane::gui
