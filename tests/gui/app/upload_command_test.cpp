#include <gtest/gtest.h>

#include <optional>

#include "gui/app/main_window_test_support.h"
#include "jobs/publish_records.h"
#include "support/ftp_test_server.h"

namespace quorvane {
namespace {

using test::child;
using test::click;

// "Upload To FTP" runs the upload job against a server started by the test,
// and asks before it removes what the album dropped.
class UploadCommandTest : public test::MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        config.emplace("XDG_CONFIG_HOME", (dir / "config").c_str());
    }

    // Options generating into the album and publishing to the test server.
    static void saveFtpOptions(const std::filesystem::path& root, int port, const std::string& password)
    {
        ProjectOptions options;
        options.useDestPath = 0;
        options.ftpServerName = "127.0.0.1";
        options.ftpPort = port;
        options.ftpLogin = "album";
        options.ftpPassword = password;
        options.ftpAllowPlain = 1;
        ASSERT_TRUE(options.save(root / kProjectOptionsFileName));
    }

    // An album whose pages the skin wrote: index.html, and pages.
    void recordPages(const std::filesystem::path& root, std::vector<std::string> pages)
    {
        for (const std::string& page : pages)
            test::writeFile(root / page, "<p>" + page + "</p>");
        std::string error;
        ASSERT_TRUE(writePagesRecord(root.string(), {root, true, std::move(pages)}, error)) << error;
    }
    std::optional<test::EnvironmentVariable> config;
};

TEST_F(UploadCommandTest, ButtonSendsTheAlbumAndAsksBeforeRemoving)
{
    QUORVANE_REQUIRE_FTP_SERVER();
    test::FtpTestServer server(dir.path(), {});
    const std::filesystem::path root = makeAlbum({"a.jpg"}, false);
    saveFtpOptions(root, server.port(), "s3cret");
    recordPages(root, {"index.html", "a.jpg.html"});
    open();
    scan(root);

    click(*window, "uploadButton");
    waitForJob();
    EXPECT_EQ(stateLine(), "State: Upload completed: 3 files sent, 0 removed, 35 bytes");
    EXPECT_EQ(test::filesBelow(server.root()), (std::vector<std::string>{"a.jpg", "a.jpg.html", "index.html"}));
    EXPECT_TRUE(prompts.shown.empty());

    // The skin no longer writes the picture's page: the user is asked, says
    // no, and the file stays; asked again, says yes, and it goes.
    recordPages(root, {"index.html"});
    prompts.answers = {false};
    child<QAction>(*window, "uploadAction")->trigger();
    waitForJob();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0], test::question("Please confirm",
                                               "1 file sent by earlier uploads is no longer in the album.\n"
                                               "Remove it from the server ?",
                                               MessageIcon::Question));
    EXPECT_EQ(stateLine(), "State: Upload completed: 0 files sent, 0 removed, 0 bytes");
    EXPECT_TRUE(std::filesystem::exists(server.root() / "a.jpg.html"));

    prompts.answers = {true};
    click(*window, "uploadButton");
    waitForJob();
    EXPECT_EQ(stateLine(), "State: Upload completed: 0 files sent, 1 removed, 0 bytes");
    EXPECT_EQ(test::filesBelow(server.root()), (std::vector<std::string>{"a.jpg", "index.html"}));
}

TEST_F(UploadCommandTest, FailureIsShownWithTheServersAnswer)
{
    QUORVANE_REQUIRE_FTP_SERVER();
    test::FtpTestServer server(dir.path(), {});
    const std::filesystem::path root = makeAlbum({"a.jpg"}, false);
    saveFtpOptions(root, server.port(), "wrong");
    recordPages(root, {"index.html"});
    open();
    scan(root);

    click(*window, "uploadButton");
    waitForJob();
    EXPECT_TRUE(stateLine().startsWith("State: Upload FAILED: Cannot log in to ftp://album@127.0.0.1:"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].title, "Upload to FTP");
    EXPECT_TRUE(prompts.shown[0].text.contains("530")) << prompts.shown[0].text.toStdString();
    EXPECT_TRUE(test::filesBelow(server.root()).empty());
}

}  // namespace
}  // namespace quorvane
