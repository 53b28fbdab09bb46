#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <random>

#include "imaging/image.h"
#include "jobs/job_test_support.h"
#include "jobs/jobs.h"
#include "jobs/upload_job.h"
#include "options/global_options.h"
#include "options/password_store.h"
#include "jobs/html_generation.h"
#include "support/ftp_test_server.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

// An album with two folders, a stray file the scan does not know, and a
// skin that writes its pages, a copy of one of its own sources and a
// temporary file: only the album's files and the real pages may leave.
class UploadJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        QUORVANE_REQUIRE_FTP_SERVER();
        // Passwords saved by the tests go to a store of their own.
        config.emplace("XDG_CONFIG_HOME", (dir / "config").c_str());
        album = dir / "album";
        ASSERT_TRUE(test::writePicture(album / "a.jpg", 40, 40));
        ASSERT_TRUE(test::writePicture(album / "Trip" / "b.jpg", 40, 40));
        test::writeFile(album / "notes.txt", "private notes");
        skins = dir / "Skins";
        std::filesystem::create_directories(skins / "Test");
        test::writeFile(skins / "Test" / "Main.qvs", "COPY_FROM_SKIN \"MainLoop.qvs\" \"MainLoop.qvs\"\n"
                                                     "CREATE_FILE \"draft.tmp\"\nWRITE_FILE \"x\"\nCLOSE_FILE\n");
        test::writeFile(skins / "Test" / "MainLoop.qvs",
                        "CREATE_FILE \"index.html\"\nWRITE_FILE \"<p>{CurrentDirectoryComment}</p>\"\nCLOSE_FILE\n");
    }

    // Scans, makes the images and pages, and keeps the project for uploads.
    void build(int port, bool destination = false)
    {
        host = std::make_unique<test::ScriptedHost>();
        log = std::make_unique<StatusLog>(host.get());
        runScanJob(project, album.string(), global, *log, *host);
        ASSERT_NE(project.options, nullptr);
        ProjectOptions& options = *project.options;
        options.skinName = "Test";
        options.useDestPath = destination;
        options.outputFolder = (dir / "site").string();
        options.ftpServerName = "127.0.0.1";
        options.ftpPort = port;
        options.ftpLogin = "album";
        options.ftpPassword = "s3cret";
        options.ftpRemotePath = "www/photos";
        options.ftpAllowPlain = 1;
        options.todaysFormats = todaysFormats;
        options.loaded = 1;
        ASSERT_TRUE(options.save(project.optionsPath()));
        runThumbnailJob(project, false, *log, *host, 1);
        ASSERT_TRUE(runHtmlJob(project, *log, *host, skins));
        host->lines.clear();
    }

    UploadSummary upload(RemovalMode removal = RemovalMode::Keep)
    {
        host->lines.clear();
        UploadRequest request;
        request.removal = removal;
        return runUploadJob(project, request, *log, *host);
    }

    std::filesystem::path remote(const test::FtpTestServer& server) const { return server.root() / "www" / "photos"; }

    test::TempDir dir;
    int todaysFormats = 0;
    std::optional<test::EnvironmentVariable> config;
    std::filesystem::path album;
    std::filesystem::path skins;
    GlobalOptions global;
    Project project;
    std::unique_ptr<test::ScriptedHost> host;
    std::unique_ptr<StatusLog> log;
};

TEST_F(UploadJob, InPlaceAlbumSendsItsFilesOnceAndThenOnlyWhatChanged)
{
    test::FtpTestServer server(dir.path(), {});
    ASSERT_NE(server.port(), 0);
    build(server.port());

    UploadSummary first = upload();
    ASSERT_TRUE(first.ok) << first.error;
    // The twice-size images for high-density screens go with their pictures.
    const std::vector<std::string> site{"Trip/b.jpg",       "Trip/index.html",     "Trip/inter_b.jpg",
                                        "Trip/inter_b@2x.jpg", "Trip/thm_b.jpg",    "Trip/thm_b@2x.jpg",
                                        "a.jpg",            "index.html",          "inter_a.jpg",
                                        "inter_a@2x.jpg",   "thm_a.jpg",           "thm_a@2x.jpg",
                                        "thm_dir_Trip.jpg", "thm_dir_Trip@2x.jpg"};
    EXPECT_EQ(test::filesBelow(remote(server)), site);
    // Pages go last, so no page is online before its pictures.
    const std::vector<std::string> stored = server.commands("STOR");
    ASSERT_EQ(stored.size(), site.size());
    EXPECT_EQ(stored[stored.size() - 2], "index.html.quorvane-upload");
    for (const std::string& file : site)
        EXPECT_EQ(test::readFile(remote(server) / file), test::readFile(album / file)) << file;
    EXPECT_EQ(first.filesSent, 14);
    EXPECT_EQ(host->lines.back(), "State: Upload completed: 14 files sent, 0 removed, " +
                                      formatByteCount(first.bytesSent));

    // The password went to the user's store, not into the album.
    EXPECT_NE(test::readFile(album / "ProjectOptions.xml").find("<FTPPassword pass=\"\"/>"), std::string::npos);
    struct stat status{};
    ASSERT_EQ(::stat(passwordStorePath().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(lookupPassword({"127.0.0.1", server.port(), "album"}), "s3cret");

    // Nothing changed: no connection at all.
    server.clearEvents();
    UploadSummary second = upload();
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_EQ(server.events(), std::vector<std::string>{});
    EXPECT_EQ(host->lines.back(), "State: Upload completed: 0 files sent, 0 removed, 0 bytes");

    // A changed page is sent again; a file only touched is not.
    test::writeFile(album / "Trip" / "index.html", "<p>changed</p>");
    std::filesystem::last_write_time(album / "a.jpg",
                                     std::filesystem::last_write_time(album / "a.jpg") + std::chrono::hours(1));
    server.clearEvents();
    UploadSummary third = upload();
    ASSERT_TRUE(third.ok) << third.error;
    EXPECT_EQ(server.commands("STOR"), std::vector<std::string>{"index.html.quorvane-upload"});
    EXPECT_EQ(test::readFile(remote(server) / "Trip" / "index.html"), "<p>changed</p>");
    EXPECT_EQ(host->lines.back(), "State: Upload completed: 1 file sent, 0 removed, 14 bytes");
}

// Under today's formats a movie has a poster thumbnail and intermediate,
// which its page shows: they travel with it.
TEST_F(UploadJob, MoviePostersTravelWithTheirMovies)
{
    QUORVANE_REQUIRE_CORPUS();
    std::filesystem::copy_file(test::corpusDir() / "movies" / "MVI_4823_trim.avi", album / "Trip" / "clip.avi");
    todaysFormats = 1;
    build(21);
    UploadRequest request;
    request.dryRun = true;
    const UploadSummary planned = runUploadJob(project, request, *log, *host);
    ASSERT_TRUE(planned.ok) << planned.error;
    for (const char* file : {"Trip/clip.avi", "Trip/thm_clip.avi.jpg", "Trip/inter_clip.avi.jpg"})
        EXPECT_NE(std::find(planned.toSend.begin(), planned.toSend.end(), file), planned.toSend.end()) << file;
}

TEST_F(UploadJob, DestinationFolderWithDeleteRemovesOnlyWhatEarlierUploadsSent)
{
    test::FtpTestServer server(dir.path(), {});
    build(server.port(), true);
    ASSERT_TRUE(upload().ok);
    EXPECT_EQ(test::filesBelow(remote(server)).size(), 14u);
    test::writeFile(remote(server) / "Trip" / "guestbook.txt", "not ours");

    // The folder Trip leaves the album; its generated files stay in the
    // destination folder but are no longer the album's.
    std::filesystem::remove_all(album / "Trip");
    build(server.port(), true);
    UploadSummary kept = upload(RemovalMode::Keep);
    ASSERT_TRUE(kept.ok) << kept.error;
    EXPECT_EQ(kept.staleKept, 8);
    EXPECT_TRUE(std::filesystem::exists(remote(server) / "Trip" / "b.jpg"));

    server.clearEvents();
    UploadSummary removed = upload(RemovalMode::Remove);
    ASSERT_TRUE(removed.ok) << removed.error;
    EXPECT_EQ(removed.filesRemoved, 8);
    EXPECT_EQ(test::filesBelow(remote(server)),
              (std::vector<std::string>{"Trip/guestbook.txt", "a.jpg", "index.html", "inter_a.jpg", "inter_a@2x.jpg",
                                        "thm_a.jpg", "thm_a@2x.jpg"}));
    EXPECT_EQ(host->lines.back(), "State: Upload completed: 0 files sent, 8 removed, 0 bytes");

    // Nothing left to remove: a second --delete does not connect.
    server.clearEvents();
    ASSERT_TRUE(upload(RemovalMode::Remove).ok);
    EXPECT_EQ(server.events(), std::vector<std::string>{});
}

TEST_F(UploadJob, RefusedLoginSendsNothingAndNamesTheServersAnswer)
{
    test::FtpTestServer::Options refusing;
    refusing.password = "other";
    test::FtpTestServer server(dir.path(), refusing);
    build(server.port());
    UploadSummary summary = upload();
    EXPECT_FALSE(summary.ok);
    EXPECT_NE(summary.error.find("Cannot log in to ftp://album@127.0.0.1:" + std::to_string(server.port())),
              std::string::npos)
        << summary.error;
    EXPECT_NE(summary.error.find("530"), std::string::npos) << summary.error;
    EXPECT_TRUE(host->lines.back().starts_with("State: Upload FAILED: Cannot log in")) << host->lines.back();
    EXPECT_EQ(test::filesBelow(server.root()), std::vector<std::string>{});
    EXPECT_TRUE(server.commands("STOR").empty());
}

TEST_F(UploadJob, PlainServerIsRefusedUnlessThePlainOptionIsSet)
{
    test::FtpTestServer server(dir.path(), {});
    build(server.port());
    project.options->ftpAllowPlain = 0;
    UploadSummary summary = upload();
    EXPECT_FALSE(summary.ok);
    EXPECT_NE(summary.error.find("allow plain FTP in the project"), std::string::npos) << summary.error;
    EXPECT_TRUE(server.commands("PASS").empty());
    EXPECT_EQ(test::filesBelow(server.root()), std::vector<std::string>{});
}

TEST_F(UploadJob, DroppedConnectionResumesWithoutSendingAgainWhatArrived)
{
    // Noise does not compress: a picture big enough to be cut half-way.
    std::mt19937 random(7);
    ASSERT_TRUE(test::randomImage(600, 600, 3, random).saveJpeg((album / "Trip" / "big.jpg").string()));
    const std::uintmax_t size = std::filesystem::file_size(album / "Trip" / "big.jpg");
    ASSERT_GT(size, 200000u);
    test::FtpTestServer::Options dropping;
    dropping.dropAfter = 100000;
    test::FtpTestServer server(dir.path(), dropping);
    build(server.port());

    UploadSummary broken = upload();
    ASSERT_FALSE(broken.ok) << ::testing::PrintToString(server.events());
    EXPECT_NE(broken.error.find("Cannot upload Trip/big.jpg"), std::string::npos) << broken.error;
    // Visitors never see the half file under its name.
    EXPECT_FALSE(std::filesystem::exists(remote(server) / "Trip" / "big.jpg"));
    const std::uintmax_t arrived = std::filesystem::file_size(remote(server) / "Trip" / "big.jpg.quorvane-upload");
    EXPECT_GE(arrived, 100000u);
    EXPECT_LT(arrived, size);
    EXPECT_TRUE(std::filesystem::exists(remote(server) / "Trip" / "b.jpg"));

    server.clearEvents();
    UploadSummary resumed = upload();
    ASSERT_TRUE(resumed.ok) << resumed.error;
    EXPECT_EQ(server.commands("APPE"), std::vector<std::string>{"big.jpg.quorvane-upload"});
    EXPECT_EQ(test::readFile(remote(server) / "Trip" / "big.jpg"), test::readFile(album / "Trip" / "big.jpg"));
    EXPECT_FALSE(std::filesystem::exists(remote(server) / "Trip" / "big.jpg.quorvane-upload"));
    // Only the rest of the big picture crossed, plus the files not sent yet.
    const std::vector<std::string> stored = server.commands("STOR");
    EXPECT_EQ(std::count(stored.begin(), stored.end(), "b.jpg.quorvane-upload"), 0);
    EXPECT_EQ(test::filesBelow(remote(server)).size(), 19u);
    const std::vector<std::string> events = server.events();
    EXPECT_NE(std::find(events.begin(), events.end(),
                        "DATA www/photos/Trip/big.jpg.quorvane-upload " + std::to_string(size - arrived)),
              events.end());
}

}  // namespace
}  // namespace quorvane
