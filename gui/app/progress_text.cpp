#include "gui/app/progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvane::gui {

namespace {

// An estimate from the first item or the first second is mostly noise.
constexpr int kMinItemsForEstimate = 2;
constexpr double kMinSecondsForEstimate = 1.0;

}  // namespace

void ProgressEstimate::report(int done, int total, Clock::time_point now)
{
    if (total != total_ || done == 0 || done < done_) {
        total_ = total;
        startDone_ = done;
        start_ = now;
    }
    done_ = done;
    last_ = now;
}

std::string ProgressEstimate::text() const
{
    if (total_ <= 0)
        return {};
    const long long percent = static_cast<long long>(done_) * 100 / total_;
    char line[96];
    std::snprintf(line, sizeof line, "%d of %d (%lld%%)", done_, total_, percent);
    std::string result = line;
    const int measured = done_ - startDone_;
    const double elapsed = std::chrono::duration<double>(last_ - start_).count();
    if (done_ < total_ && measured >= kMinItemsForEstimate && elapsed >= kMinSecondsForEstimate)
        result += ", " + timeLeftText(elapsed / measured * (total_ - done_));
    return result;
}

std::string timeLeftText(double seconds)
{
    const long long whole = std::llround(std::max(seconds, 1.0));
    char text[64];
    if (whole < 60)
        std::snprintf(text, sizeof text, "about %lld s left", whole);
    else if (const long long minutes = (whole + 30) / 60; minutes < 60)
        std::snprintf(text, sizeof text, "about %lld min left", minutes);
    else
        std::snprintf(text, sizeof text, "about %lld h %lld min left", minutes / 60, minutes % 60);
    return text;
}

}  // namespace quorvane::gui
