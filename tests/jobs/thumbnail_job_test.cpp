#include <gtest/gtest.h>

#include "imaging/image.h"
#include "jobs/job_test_support.h"
#include "jobs/jobs.h"
#include "options/global_options.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

TEST(ThumbnailJob, MakesEveryFileAndNamesEachFailure)
{
    test::TempDir dir;
    ASSERT_TRUE(test::writePicture(dir / "a.jpg", 64, 48));
    ASSERT_TRUE(test::writePicture(dir / "Trip" / "b.jpg", 48, 64));
    for (const char* name : {"broken1.jpg", "broken2.jpg", "broken3.jpg", "broken4.jpg"})
        test::writeFile(dir / "Trip" / name, "not a picture");

    test::ScriptedHost host;
    StatusLog log(&host);
    GlobalOptions global;
    Project project;
    runScanJob(project, dir.path().string(), global, log, host);
    ASSERT_NE(project.options, nullptr);
    project.options->useDestPath = 0;
    host.lines.clear();
    log.jobDone = false;
    // A folder where the thumbnail must go: its write fails.
    std::filesystem::create_directory(dir / "Trip" / "thm_b.jpg");

    EXPECT_EQ(runThumbnailJob(project, false, log, host), 5);
    const std::string root = dir.path().string();
    const std::string unreadable = ": not a picture this program can read, or damaged";
    EXPECT_EQ(host.lines,
              (std::vector<std::string>{
                  "State: Generating Thumbnails",
                  "State: Processing " + root + "/a.jpg",
                  "State: Processing " + root + "/Trip/b.jpg",
                  "State: Processing " + root + "/Trip/broken1.jpg",
                  "State: Processing " + root + "/Trip/broken2.jpg",
                  "State: Processing " + root + "/Trip/broken3.jpg",
                  "State: Processing " + root + "/Trip/broken4.jpg",
                  "State: Cannot read " + root + "/Trip/broken1.jpg" + unreadable,
                  "State: Cannot read " + root + "/Trip/broken2.jpg" + unreadable,
                  "State: Cannot read " + root + "/Trip/broken3.jpg" + unreadable,
                  "State: Cannot read " + root + "/Trip/broken4.jpg" + unreadable,
                  "State: Cannot write " + root + "/Trip/thm_b.jpg: Is a directory",
                  "State: Thumbnails generation failed: 1 file not written: Trip/thm_b.jpg",
                  "State: 4 pictures could not be read: Trip/broken1.jpg, Trip/broken2.jpg, Trip/broken3.jpg and 1 more",
              }));
    EXPECT_TRUE(log.jobDone.load());
    EXPECT_EQ(host.progressSteps.front(), std::make_pair(0, 6));
    EXPECT_EQ(host.progressSteps.back(), std::make_pair(6, 6));
    // The desktop program's window lists them all.
    ASSERT_EQ(host.failureReports.size(), 1u);
    EXPECT_EQ(host.failureReports[0],
              "Thumbnails|Thumbnails generation failed: 1 file not written: Trip/thm_b.jpg\n" +
                  host.lines.back().substr(7) + "\n\nCannot read " + root + "/Trip/broken1.jpg" + unreadable +
                  "\nCannot read " + root + "/Trip/broken2.jpg" + unreadable + "\nCannot read " + root +
                  "/Trip/broken3.jpg" + unreadable + "\nCannot read " + root + "/Trip/broken4.jpg" + unreadable +
                  "\nCannot write " + root + "/Trip/thm_b.jpg: Is a directory");

    Image thumbnail;
    ASSERT_TRUE(thumbnail.loadJpeg((dir / "thm_a.jpg").string()));
    EXPECT_EQ(thumbnail.width, 200u);  // enlarged into the 200 x 150 box
    EXPECT_TRUE(std::filesystem::exists(dir / "inter_a.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "Trip" / "inter_b.jpg"));
    EXPECT_TRUE(std::filesystem::exists(dir / "thm_dir_Trip.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "Trip" / "thm_broken1.jpg"));
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
