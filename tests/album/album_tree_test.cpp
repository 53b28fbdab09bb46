#include "album/album_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "album/tree_walk.h"

namespace quorvane {
namespace {

AlbumPicture* addMedia(AlbumDirectory& directory, const char* name, int kind)
{
    auto file = std::make_unique<AlbumPicture>(name, directory.fullPath, directory.relativeDirectory);
    file->mediaKind = kind;
    return directory.appendFile(std::move(file));
}

TEST(AlbumTree, NewNodesAreEmpty)
{
    AlbumDirectory directory("/home/u/Photos");
    EXPECT_EQ(directory.isFile, 0);
    EXPECT_EQ(directory.mediaCount, 0);
    EXPECT_EQ(directory.commentText(), "");
    EXPECT_EQ(directory.comment.length(), 0);

    AlbumPicture picture("a.jpg", "/home/u/Photos", "");
    EXPECT_EQ(picture.isFile, 1);
    EXPECT_FALSE(picture.shotTime.has_value());
    EXPECT_TRUE(picture.exifVariables.empty());
    EXPECT_EQ(picture.fullPath(), "/home/u/Photos/a.jpg");
}

TEST(AlbumTree, SetCommentStoresTextLiterallyWithOneNul)
{
    AlbumPicture picture("a.jpg", "/p", "");
    picture.setComment("50% off %s %d");
    EXPECT_EQ(picture.commentText(), "50% off %s %d");
    EXPECT_EQ(picture.comment.length(), 14);
    picture.setComment("");
    EXPECT_EQ(picture.commentText(), "");
    EXPECT_EQ(picture.comment.length(), 1);
}

TEST(AlbumTree, DisplayNameIsTheLastComponent)
{
    EXPECT_EQ(AlbumDirectory("/home/u/Photos").displayName(), "Photos");
    EXPECT_EQ(AlbumDirectory("/").displayName(), "");
    EXPECT_EQ(AlbumDirectory("Beach").displayName(), "Beach");
    EXPECT_EQ(AlbumDirectory("/home/u/Photos/").displayName(), "Photos");
    EXPECT_EQ(AlbumDirectory("/Photos").displayName(), "Photos");
    EXPECT_EQ(AlbumDirectory("//").displayName(), "");
}

TEST(AlbumTree, PictureWalkSkipsMoviesAndMovieWalkSkipsPictures)
{
    AlbumDirectory directory("/p");
    AlbumPicture* first = addMedia(directory, "1.jpg", MediaPicture);
    AlbumPicture* movieA = addMedia(directory, "2.avi", MediaMovie);
    AlbumPicture* movieB = addMedia(directory, "3.wmv", MediaMovie);
    AlbumPicture* last = addMedia(directory, "4.jpg", MediaPicture);

    EXPECT_EQ(directory.firstPicture(), first);
    EXPECT_EQ(AlbumDirectory::nextPicture(*first), last);
    EXPECT_EQ(AlbumDirectory::nextPicture(*last), nullptr);
    EXPECT_EQ(directory.firstMovie(), movieA);
    EXPECT_EQ(AlbumDirectory::nextMovie(*movieA), movieB);
    EXPECT_EQ(AlbumDirectory::nextMovie(*movieB), nullptr);

    AlbumDirectory movies("/m");
    addMedia(movies, "a.mpg", MediaMovie);
    movies.mediaCount = 1;
    EXPECT_EQ(movies.firstPicture(), nullptr);
    EXPECT_NE(movies.firstMovie(), nullptr);
}

TEST(AlbumTree, SubdirectoriesKeepOrderAndRemovalDestroys)
{
    AlbumDirectory root("/r");
    AlbumDirectory* a = root.appendSubdirectory(std::make_unique<AlbumDirectory>("A"));
    root.appendSubdirectory(std::make_unique<AlbumDirectory>("B"));
    root.appendSubdirectory(std::make_unique<AlbumDirectory>("C"));
    root.removeSubdirectory(a);
    std::vector<std::string> names;
    for (const AlbumDirectory& child : root.subdirectories)
        names.push_back(child.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(root.subdirectories.count(), 2u);
}

TEST(AlbumTree, DeepTreesAreDestroyedWithoutRecursion)
{
    auto root = std::make_unique<AlbumDirectory>("/r");
    AlbumDirectory* at = root.get();
    for (int i = 0; i < 100000; ++i) {
        at = at->appendSubdirectory(std::make_unique<AlbumDirectory>("d"));
        addMedia(*at, "x.jpg", MediaPicture);
    }
    root.reset();
    SUCCEED();
}

// root/{a/{a1, a2}, b} walked with every step the visits can ask for.
TEST(TreeWalk, EntersParentsFirstLeavesAfterChildrenSkipsAndStops)
{
    AlbumDirectory root("root");
    AlbumDirectory* a = root.appendSubdirectory(std::make_unique<AlbumDirectory>("a"));
    a->appendSubdirectory(std::make_unique<AlbumDirectory>("a1"));
    a->appendSubdirectory(std::make_unique<AlbumDirectory>("a2"));
    root.appendSubdirectory(std::make_unique<AlbumDirectory>("b"));

    const auto walked = [&root](const std::string& skip, const std::string& stop) {
        std::vector<std::string> steps;
        const bool finished = walkDirectories(
            static_cast<const AlbumDirectory&>(root),
            {[&](const AlbumDirectory& directory, int depth) {
                 steps.push_back("+" + directory.name + std::to_string(depth));
                 return directory.name == stop ? WalkStep::Stop
                        : directory.name == skip ? WalkStep::SkipChildren
                                                 : WalkStep::Continue;
             },
             [&](const AlbumDirectory& directory, int depth) {
                 steps.push_back("-" + directory.name + std::to_string(depth));
             }});
        steps.push_back(finished ? "finished" : "stopped");
        return steps;
    };
    EXPECT_EQ(walked("", ""), (std::vector<std::string>{"+root0", "+a1", "+a12", "-a12", "+a22", "-a22", "-a1",
                                                        "+b1", "-b1", "-root0", "finished"}));
    EXPECT_EQ(walked("a", ""), (std::vector<std::string>{"+root0", "+a1", "-a1", "+b1", "-b1", "-root0", "finished"}));
    EXPECT_EQ(walked("", "a2"), (std::vector<std::string>{"+root0", "+a1", "+a12", "-a12", "+a22", "stopped"}));
}

}  // namespace
}  // namespace quorvane
