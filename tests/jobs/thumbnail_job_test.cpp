#include <gtest/gtest.h>

#include "imaging/image.h"
#include "jobs/job_test_support.h"
#include "jobs/jobs.h"
#include "options/global_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

TEST(ThumbnailJob, MakesEveryFileReportsEachPictureAndCountsUnreadableOnes)
{
    test::TempDir dir;
    ASSERT_TRUE(test::writePicture(dir / "a.jpg", 64, 48));
    ASSERT_TRUE(test::writePicture(dir / "Trip" / "b.jpg", 48, 64));
    test::writeFile(dir / "Trip" / "broken.jpg", "not a picture");

    test::ScriptedHost host;
    StatusLog log(&host);
    GlobalOptions global;
    Project project;
    runScanJob(project, dir.path().string(), global, log, host);
    ASSERT_NE(project.options, nullptr);
    project.options->useDestPath = 0;
    host.lines.clear();
    log.jobDone = false;

    EXPECT_EQ(runThumbnailJob(project, false, log, host), 1);
    const std::string root = dir.path().string();
    EXPECT_EQ(host.lines, (std::vector<std::string>{
                              "State: Generating Thumbnails",
                              "State: Processing " + root + "/a.jpg",
                              "State: Processing " + root + "/Trip/b.jpg",
                              "State: Processing " + root + "/Trip/broken.jpg",
                              "State: Thumbnails generation completed",
                              "State: 1 picture could not be read",
                          }));
    EXPECT_TRUE(log.jobDone.load());
    EXPECT_EQ(host.progressSteps.front(), std::make_pair(0, 3));
    EXPECT_EQ(host.progressSteps.back(), std::make_pair(3, 3));

    Image thumbnail;
    ASSERT_TRUE(thumbnail.loadJpeg((dir / "thm_a.jpg").string()));
    EXPECT_EQ(thumbnail.width, 200u);  // enlarged into the 200 x 150 box
    EXPECT_TRUE(std::filesystem::exists(dir / "inter_a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Trip" / "thm_b.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "thm_dir_Trip.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Trip" / "thm_broken.jpg"));
}

TEST(ThumbnailJob, WithoutAlbumOnlyReportsCompletion)
{
    test::ScriptedHost host;
    StatusLog log(&host);
    Project project;
    EXPECT_EQ(runThumbnailJob(project, true, log, host), 0);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"State: Thumbnails generation completed"}));
    EXPECT_TRUE(log.jobDone.load());
}

}  // namespace
}  // namespace quorvane
