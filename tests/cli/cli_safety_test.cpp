#include <gtest/gtest.h>

#include "cli/cli_fixture.h"

namespace quorvane {
namespace {

namespace fs = std::filesystem;

// A settings file as a downloaded album might bring it.
void writeOptions(const fs::path& root, const std::string& elements)
{
    test::writeFile(root / "ProjectOptions.xml", "<ProjectOptions>\n" + elements + "</ProjectOptions>\n");
}

TEST_F(Cli, SkinNamesLeadingOutOfTheSkinsFolderAreRefused)
{
    writePicture(dir / "root" / "a.jpg");
    test::writeFile(dir / "root" / ".evil" / "Main.qvs", "CREATE_FILE \"owned.html\"\nCLOSE_FILE\n");
    test::writeFile(dir / "root" / ".evil" / "MainLoop.qvs", "");
    test::writeFile(dir / "work" / "Skins" / "S" / "MainLoop.qvs", "");
    const std::string root = (dir / "root").string();
    const std::string work = (dir / "work").string();
    for (const std::string& name : {(dir / "root" / ".evil").string(), std::string("../../root/.evil")}) {
        writeOptions(dir / "root", "\t<Skin name=\"" + name + "\"/>\n\t<UseDestPath n=\"0\"/>\n");
        CliRun html = cli({"-C", work, "html", root});
        EXPECT_EQ(html.exitCode, 1);
        EXPECT_NE(html.err.find("State: The skin name '" + name + "' is not the name of a folder in Skins\n"),
                  std::string::npos)
            << html.err;
        EXPECT_FALSE(fs::exists(dir / "root" / "owned.html"));
    }
    CliRun init = cli({"-C", work, "init", root, "--skin", "../root/.evil"});
    EXPECT_EQ(init.exitCode, 2);
    EXPECT_NE(init.err.find("The skin name '../root/.evil' is not the name of a folder in Skins"),
              std::string::npos);
}

TEST_F(Cli, SizesOutsideTheirLimitsAreRefusedOrClamped)
{
    writePicture(dir / "root" / "a.jpg");
    writePicture(dir / "root" / "Trip" / "b.jpg");
    const std::string root = (dir / "root").string();
    CliRun negative = cli({"init", root, "--set", "UseDestPath=0", "--set", "ThumbWidth=-5"});
    EXPECT_EQ(negative.exitCode, 2);
    EXPECT_EQ(negative.err, "quorvane-cli: ThumbWidth must be from 1 to 16384, not -5\n");
    EXPECT_FALSE(fs::exists(dir / "root" / "ProjectOptions.xml"));

    // Values that used to abort the thumbnail job with bad_alloc.
    writeOptions(dir / "root", "\t<UseDestPath n=\"0\"/>\n\t<nbDirThumbsX n=\"100000\"/>\n"
                               "\t<nbDirThumbsY n=\"100000\"/>\n\t<ThmDirImgWidth n=\"70000\"/>\n");
    CliRun thumbs = cli({"thumbs", root});
    EXPECT_EQ(thumbs.exitCode, 0) << thumbs.err;
    EXPECT_NE(thumbs.err.find("State: Warning: ProjectOptions.xml: nbDirThumbsX 100000 is outside 1 to 64: 64 is used\n"),
              std::string::npos)
        << thumbs.err;
    EXPECT_TRUE(fs::exists(dir / "root" / "thm_dir_Trip.jpg"));
}

TEST_F(Cli, OutputNeverGoesToARelativeFolder)
{
    writePicture(dir / "root" / "a.jpg");
    fs::create_directories(dir / "cwd");
    const std::string root = (dir / "root").string();
    const std::string cwd = (dir / "cwd").string();
    for (const char* folder : {"album", ""}) {
        writeOptions(dir / "root", std::string("\t<UseDestPath n=\"1\"/>\n\t<OutputFolder dir=\"") + folder + "\"/>\n");
        for (const char* command : {"thumbs", "html", "build"}) {
            CliRun run = cli({"-C", cwd, command, root});
            EXPECT_EQ(run.exitCode, 1) << command;
            EXPECT_NE(run.err.find(std::string("State: Destination folder \"") + folder +
                                   "\" is not an absolute path. Please select an absolute path for destination "
                                   "folder.\n"),
                      std::string::npos)
                << run.err;
        }
    }
    EXPECT_TRUE(fs::is_empty(dir / "cwd"));
}

TEST_F(Cli, HtmlCreatesAMissingDestinationFolder)
{
    writePicture(dir / "root" / "a.jpg");
    const std::string root = (dir / "root").string();
    const fs::path site = dir / "new" / "site";
    ASSERT_EQ(cli({"init", root, "--set", "OutputFolder=" + site.string()}).exitCode, 0);
    CliRun html = cli({"html", root});
    EXPECT_EQ(html.exitCode, 0) << html.err;
    EXPECT_TRUE(fs::exists(site / "index.html"));
}

TEST_F(Cli, AFullDiskFailsTheJobAndNamesEachFile)
{
    // A file size limit makes large writes fail as on a full disk (EFBIG
    // rather than ENOSPC); the signal it would send is ignored.
    const std::string limit = "trap '' XFSZ; ulimit -f 64; ";  // 32 KiB
    if (std::system(("sh -c \"" + limit + "\" 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this shell cannot limit file sizes";
    const fs::path album = sampleAlbum();
    ASSERT_EQ(cli({"init", album.string(), "--set", "UseDestPath=0"}).exitCode, 0);

    shellPrefix = limit;
    const CliRun full = cli({"thumbs", album.string()});
    EXPECT_EQ(full.exitCode, 1);
    const std::string failed = (album / "Space" / "inter_astronaut@2x.jpg").string();
    EXPECT_NE(full.err.find("State: Cannot write " + failed + ": File too large\n"), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("State: Thumbnails generation failed: "), std::string::npos);
    EXPECT_EQ(full.err.find("Thumbnails generation completed"), std::string::npos);
    EXPECT_FALSE(fs::exists(failed));

    // With room again the next run makes what is missing, and only that.
    shellPrefix.clear();
    const CliRun again = cli({"thumbs", album.string()});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(fs::exists(failed));
    EXPECT_EQ(again.err.find("Cannot write"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
