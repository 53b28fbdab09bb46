#include <QLabel>
#include <QMenuBar>

#include <atomic>
#include <thread>

#include "gui/app/processing_window.h"
#include "gui/app/status_bar.h"
#include "main_window_test_support.h"

namespace quorvane::gui {
namespace {

using test::click;

class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override { test::application(); }
};

TEST_F(StatusBarTest, WorkerPostsAreShownBeforeThePostReturns)
{
    gui::StatusBar bar;
    StatusLog log(&bar);
    EXPECT_EQ(bar.busyText(), "Idle");
    EXPECT_EQ(bar.stateText(), "Status: N/A");

    // The worker posts, then waits until the window thread has looked.
    std::atomic<int> posted{0};
    std::atomic<int> looked{0};
    std::thread worker([&] {
        log.setBusy(true);
        log.postStatus("Processing %s", "/p/a.jpg");
        posted = 1;
        while (looked < 1)
            std::this_thread::yield();
        log.postText(std::string(300, 'y'));
        posted = 2;
    });
    QStringList seen;
    while (looked < 2) {
        QCoreApplication::processEvents();
        if (posted > looked) {
            seen << bar.stateText();
            ++looked;
        }
    }
    worker.join();
    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[0], "State: Processing /p/a.jpg");
    EXPECT_EQ(seen[1], "State: " + QString(248, QLatin1Char('y')));
    EXPECT_EQ(bar.busyText(), "Processing");
    log.setBusy(false);
    EXPECT_EQ(bar.busyText(), "Idle");
}

class JobStateTest : public test::MainWindowFixture {};

TEST_F(JobStateTest, ProcessingWindowCoversTheDisabledWindowUntilTheJobEnds)
{
    const std::filesystem::path root = makeAlbum({"a.jpg"});
    open();
    scan(root);
    select({"a.jpg"});
    typeComment("typed");

    // The scan's question holds the worker while the window is looked at.
    bool checked = false;
    prompts.onQuestion = [&] {
        checked = true;
        EXPECT_TRUE(window->processing());
        auto* processing = window->findChild<gui::ProcessingWindow*>();
        ASSERT_NE(processing, nullptr);
        EXPECT_TRUE(processing->isVisible());
        EXPECT_EQ(processing->windowTitle(), "Processing");
        EXPECT_EQ(processing->findChild<QLabel*>(QStringLiteral("processingText"))->text(), "Processing, please wait");
        EXPECT_FALSE(window->centralWidget()->isEnabled());
        EXPECT_FALSE(window->menuBar()->isEnabled());
        EXPECT_EQ(window->statusBarWidget().busyText(), "Processing");
        // The last message stays: the preview of the stand-in picture.
        EXPECT_EQ(stateLine(), "State: Error reading file !");
        // Neither the user nor the window manager closes it meanwhile.
        EXPECT_FALSE(processing->close());
        EXPECT_FALSE(window->close());
    };
    prompts.answers = {false};
    click(*window, "scanButton");
    waitForJob();
    EXPECT_TRUE(checked);
    EXPECT_FALSE(window->processing());
    EXPECT_FALSE(window->findChild<gui::ProcessingWindow*>()->isVisible());
    EXPECT_TRUE(window->centralWidget()->isEnabled());
    EXPECT_TRUE(window->menuBar()->isEnabled());
    EXPECT_EQ(window->statusBarWidget().busyText(), "Idle");
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace quorvane::gui
