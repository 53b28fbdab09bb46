#include <gtest/gtest.h>

#include "album/comments.h"
#include "jobs/job_test_support.h"
#include "jobs/jobs.h"
#include "options/global_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

using test::ScriptedHost;

class ScanJob : public ::testing::Test {
protected:
    void SetUp() override { log.setSink(&host); }

    test::TempDir dir;
    ScriptedHost host;
    StatusLog log;
    GlobalOptions global;
    Project project;
};

TEST_F(ScanJob, NewProjectScansThenAsksForOptions)
{
    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "Trip" / "b.jpg", "x");
    runScanJob(project, dir.path().string(), global, log, host);

    EXPECT_EQ(host.lines, (std::vector<std::string>{"State: Scanning directory", "State: Scan completed"}));
    EXPECT_TRUE(log.jobDone.load());
    ASSERT_NE(project.root, nullptr);
    EXPECT_EQ(project.root->mediaCount, 2);
    EXPECT_TRUE(project.projectActive);
    ASSERT_NE(project.options, nullptr);
    EXPECT_FALSE(project.optionsValid());
    EXPECT_EQ(host.optionsCommands, 1);
    EXPECT_EQ(global.recentRoots, (std::vector<std::string>{dir.path().string()}));
}

TEST_F(ScanJob, ProjectWithOptionsFileIsReadyAtOnce)
{
    test::writeFile(dir / "a.jpg", "x");
    ProjectOptions stored;
    stored.thumbWidth = 321;
    ASSERT_TRUE(stored.save(dir / "ProjectOptions.xml"));

    runScanJob(project, dir.path().string(), global, log, host);
    EXPECT_TRUE(project.optionsValid());
    EXPECT_EQ(project.options->thumbWidth, 321);
    EXPECT_EQ(host.optionsCommands, 0);

    // The same root again keeps one entry for it.
    runScanJob(project, dir.path().string(), global, log, host);
    EXPECT_EQ(global.recentRoots.size(), 1u);
}

TEST_F(ScanJob, RootWithoutMediaLeavesNoProject)
{
    test::writeFile(dir / "notes.txt", "x");
    ProjectOptions stored;
    ASSERT_TRUE(stored.save(dir / "ProjectOptions.xml"));
    project.projectActive = true;

    runScanJob(project, dir.path().string(), global, log, host);
    EXPECT_EQ(project.root, nullptr);
    EXPECT_EQ(project.options, nullptr);
    EXPECT_FALSE(project.projectActive);
    EXPECT_EQ(host.lines.back(), "State: Scan completed");
    EXPECT_TRUE(global.recentRoots.empty());
    // The host's command finds no record and only refreshes its controls.
    EXPECT_EQ(host.optionsCommands, 1);
}

TEST_F(ScanJob, RefusingToDiscardCommentsCancelsTheScan)
{
    test::writeFile(dir / "a.jpg", "x");
    runScanJob(project, dir.path().string(), global, log, host);
    AlbumDirectory* before = project.root.get();
    host.allowDiscard = false;
    host.lines.clear();
    log.jobDone = false;

    runScanJob(project, dir.path().string(), global, log, host);
    EXPECT_EQ(project.root.get(), before);
    EXPECT_TRUE(log.jobDone.load());
    EXPECT_EQ(host.lines, (std::vector<std::string>{"State: Canceled, please save your comments"}));
}

TEST_F(ScanJob, SaveCommentsTakesTheTypedTextAndReportsFailures)
{
    EXPECT_FALSE(runSaveCommentsJob(project, log, host));
    EXPECT_EQ(host.lines.back(), "State: No active project");

    test::writeFile(dir / "a.jpg", "x");
    test::writeFile(dir / "Trip" / "b.jpg", "x");
    runScanJob(project, dir.path().string(), global, log, host);
    project.selectedNode = project.root->files.first();
    project.commentsModified = true;
    host.typedComment = "ab";
    host.lines.clear();

    EXPECT_TRUE(runSaveCommentsJob(project, log, host));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"State: Saving comments", "State: Comments saved"}));
    EXPECT_FALSE(project.commentsModified);
    EXPECT_EQ(test::readFile(dir / "Comments.xml"),
              "<FilesComments>\n\t<Photo Name=\"a.jpg\" Comment=\"616200\"/>\n</FilesComments>\n");

    // A comments file that cannot be written is named, and the edits stay marked.
    project.selectedNode = project.root->subdirectories.first()->files.first();
    host.typedComment = "lost?";
    project.commentsModified = true;
    std::filesystem::rename(dir / "Trip", dir / "Moved");
    EXPECT_FALSE(runSaveCommentsJob(project, log, host));
    EXPECT_EQ(host.lines.back(), "State: Comments NOT saved: cannot write " + (dir / "Trip").string() +
                                     "/Comments.xml (cannot lock the folder: No such file or directory)");
    EXPECT_TRUE(project.commentsModified);

    // Nor does a file that could not be read completely count as saved.
    std::filesystem::rename(dir / "Moved", dir / "Trip");
    test::writeFile(dir / "Trip" / "Comments.xml", "<FilesComments>\n\t<Photo Name=\"b.jpg\"");
    host.lines.clear();
    EXPECT_FALSE(runSaveCommentsJob(project, log, host));
    EXPECT_EQ(host.lines, (std::vector<std::string>{
                              "State: Saving comments",
                              "State: Comments NOT saved: " + (dir / "Trip").string() +
                                  "/Comments.xml could not be read completely (the file ends before its "
                                  "elements do); it was left as it is"}));
    EXPECT_TRUE(project.commentsModified);
}

TEST_F(ScanJob, TypedCommentsAreCutToTheEditBoxLimit)
{
    test::writeFile(dir / "a.jpg", "x");
    runScanJob(project, dir.path().string(), global, log, host);
    project.selectedNode = project.root->files.first();
    host.typedComment = std::string(20000, 'c');
    takePendingComment(project, host);
    EXPECT_EQ(project.selectedNode->commentText().size(), kMaxCommentLength);
}

}  // namespace
}  // namespace quorvane
