#include "jobs/status_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

struct RecordingSink : StatusSink {
    void showStateLine(std::string_view line) override { lines.emplace_back(line); }
    void showBusy(bool busy) override { busyStates.push_back(busy); }
    std::vector<std::string> lines;
    std::vector<bool> busyStates;
};

TEST(StatusLog, StartsIdleWithNoStatusAndPrefixesEveryMessage)
{
    RecordingSink sink;
    StatusLog log(&sink);
    EXPECT_EQ(log.stateLine(), "Status: N/A");
    EXPECT_FALSE(log.busy());

    log.postStatus("Scan completed");
    log.postStatus("Generating HTML - Dir:%s (%d files)", "/home/u/Photos", 12);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{
                              "State: Scan completed",
                              "State: Generating HTML - Dir:/home/u/Photos (12 files)"}));
    EXPECT_EQ(log.stateLine(), sink.lines.back());

    log.setBusy(true);
    log.setBusy(false);
    EXPECT_EQ(sink.busyStates, (std::vector<bool>{true, false}));
}

TEST(StatusLog, LongMessagesAreCutAt255BytesWithoutSplittingACharacter)
{
    StatusLog log;
    log.postText(std::string(400, 'x'));
    EXPECT_EQ(log.stateLine().size(), 255u);
    EXPECT_EQ(log.stateLine().substr(0, 9), "State: xx");

    // After "State: x" every "é" starts at an even offset, so the cut at
    // 255 would fall between the two bytes of the 124th one.
    std::string accents = "x";
    for (int i = 0; i < 125; ++i)
        accents += "\xC3\xA9";
    log.postText(accents);
    EXPECT_EQ(log.stateLine().size(), 254u);  // 8 + 123 * 2

    log.postText("100% done");
    EXPECT_EQ(log.stateLine(), "State: 100% done");
}

TEST(StatusLog, PostsFromAnotherThreadReachTheSink)
{
    RecordingSink sink;
    StatusLog log(&sink);
    std::thread worker([&] {
        log.postStatus("Processing %s", "/p/a.jpg");
        log.jobDone = true;
    });
    worker.join();
    EXPECT_TRUE(log.jobDone.load());
    ASSERT_EQ(sink.lines.size(), 1u);
    EXPECT_EQ(sink.lines[0], "State: Processing /p/a.jpg");
}

// A window sink hands each line to the window thread and waits for it; that
// thread may be posting at the same moment, so the log must not hold its lock
// while the sink waits.
TEST(StatusLog, SinkThatWaitsForAnotherPostingThreadDoesNotBlockIt)
{
    struct WaitingSink : StatusSink {
        void showStateLine(std::string_view) override
        {
            std::unique_lock lock(mutex);
            windowPosted = changed.wait_for(lock, std::chrono::seconds(5), [this] { return idleShown; });
        }
        void showBusy(bool) override
        {
            std::lock_guard lock(mutex);
            idleShown = true;
            changed.notify_all();
        }
        std::mutex mutex;
        std::condition_variable changed;
        bool idleShown = false;
        bool windowPosted = false;
    } sink;
    StatusLog log(&sink);

    std::thread worker([&] { log.postStatus("Scan completed"); });
    while (log.stateLine() != "State: Scan completed")
        std::this_thread::yield();
    log.setBusy(false);
    worker.join();
    EXPECT_TRUE(sink.windowPosted);
}

}  // namespace
}  // namespace quorvane
