#pragma once

#include <chrono>
#include <string>

namespace quorvane::gui {

// Turns a job's "done of total" reports into the text the Processing window
// and the status bar show: the count, the percentage and, once enough of the
// job has run to tell, about how long is left.
class ProgressEstimate {
public:
    using Clock = std::chrono::steady_clock;

    // A report of 0 done, or of another total, starts a new count.
    void report(int done, int total, Clock::time_point now = Clock::now());
    void reset() { total_ = -1; done_ = 0; }

    int done() const { return done_; }
    int total() const { return total_ < 0 ? 0 : total_; }
    // "12 of 340 (3%), about 2 min left"; "12 of 340 (3%)" while the rate is
    // not yet known; "" before any report or when the total is unknown.
    std::string text() const;

private:
    int total_ = -1;
    int done_ = 0;
    int startDone_ = 0;
    Clock::time_point start_{};
    Clock::time_point last_{};
};

// "about 40 s left", "about 3 min left", "about 1 h 20 min left".
std::string timeLeftText(double seconds);

}  // namespace quorvane::gui
