#include <gtest/gtest.h>

#include "skins/run_program.h"
#include "support/ftp_test_server.h"
#include "support/test_support.h"

namespace quorvane {
namespace {

// The whole road as a user takes it: init, build, then publish to an FTPS
// server twice. The password comes from the environment only.
TEST(Publish, SampleAlbumReachesAnFtpsServerOnceAndNothingIsSentTwice)
{
    QUORVANE_REQUIRE_FTP_SERVER();
    test::TempDir dir;
    ASSERT_TRUE(test::makeCertificate(dir.path()));
    test::FtpTestServer::Options secure;
    secure.tls = dir.path();
    test::FtpTestServer server(dir.path(), secure);
    ASSERT_NE(server.port(), 0);
    const test::EnvironmentVariable authorities("SSL_CERT_FILE", (dir / "cert.pem").c_str());
    const test::EnvironmentVariable config("XDG_CONFIG_HOME", (dir / "config").c_str());
    const test::EnvironmentVariable password("QUORVANE_FTP_PASSWORD", "s3cret");

    const std::filesystem::path album = dir / "album";
    std::filesystem::copy(test::sourceDir() / "samples" / "album", album, std::filesystem::copy_options::recursive);
    const auto cli = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), QUORVANE_CLI_PATH);
        return test::runProgram(arguments, dir.path());
    };
    ASSERT_EQ(cli({"init", album.string(), "--set", "UseDestPath=0", "--set", "FTPServerName=127.0.0.1", "--set",
                   "FTPPort=" + std::to_string(server.port()), "--set", "FTPLogin=album", "--set",
                   "FTPRemotePath=/www"})
                  .exitCode,
              0);
    const test::ProgramRun build = cli({"build", album.string()});
    ASSERT_EQ(build.exitCode, 0) << build.err;

    const test::ProgramRun dryRun = cli({"publish", album.string(), "--dry-run"});
    ASSERT_EQ(dryRun.exitCode, 0) << dryRun.err;
    EXPECT_NE(dryRun.out.find("send Nature/Flowers/thm_flower10.jpg\n"), std::string::npos) << dryRun.out;
    EXPECT_TRUE(server.events().empty());

    const test::ProgramRun first = cli({"publish", album.string()});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.err.find("\nState: Upload completed: "), std::string::npos) << first.err;
    EXPECT_FALSE(server.commands("AUTH").empty());

    // The server holds the album less its settings, comments, the notes
    // beside the pictures and the upload's own records.
    std::vector<std::string> expected;
    for (const std::string& file : test::filesBelow(album)) {
        if (!file.ends_with("Comments.xml") && file != "ProjectOptions.xml" && file != "SOURCES.md" &&
            !file.starts_with(".quorvane/"))
            expected.push_back(file);
    }
    EXPECT_EQ(test::filesBelow(server.root() / "www"), expected);
    EXPECT_GT(expected.size(), 30u);

    server.clearEvents();
    const test::ProgramRun second = cli({"publish", album.string()});
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(second.err.ends_with("State: Upload completed: 0 files sent, 0 removed, 0 bytes\n")) << second.err;
    EXPECT_TRUE(server.events().empty());

    for (const std::string& file : test::filesBelow(album))
        EXPECT_EQ(test::readFile(album / file).find("s3cret"), std::string::npos) << file;
}

}  // namespace
}  // namespace quorvane
