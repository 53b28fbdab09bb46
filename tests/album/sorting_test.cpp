#include "album/sorting.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "album/album_tree.h"
#include "options/project_options.h"

namespace quorvane {
namespace {

using Names = std::vector<std::string>;

void fill(AlbumDirectory& directory, const Names& names)
{
    for (const std::string& name : names) {
        auto file = std::make_unique<AlbumPicture>(name, directory.fullPath, directory.relativeDirectory);
        file->mediaKind = MediaPicture;
        directory.appendFile(std::move(file));
    }
}

Names sorted(const Names& names, int method)
{
    AlbumDirectory directory("/p");
    fill(directory, names);
    sortFiles(directory, method);
    Names result;
    for (const AlbumPicture& file : directory.files)
        result.push_back(file.fileName);
    return result;
}

TEST(SortingMethods, NumbersInsideNamesOrderByValue)
{
    EXPECT_EQ(sorted({"img2.jpg", "img10.jpg", "img1.jpg"}, SortNumberInName),
              (Names{"img1.jpg", "img2.jpg", "img10.jpg"}));
    // Only the first run of digits counts, wherever it stands.
    EXPECT_EQ(sorted({"a7b1.jpg", "x3y9.jpg", "0042.jpg"}, SortNumberInName),
              (Names{"x3y9.jpg", "a7b1.jpg", "0042.jpg"}));
    EXPECT_EQ(sorted({"photo.mp4.jpg", "photo.jpg"}, SortNumberInName),
              (Names{"photo.jpg", "photo.mp4.jpg"}));
}

TEST(SortingMethods, EqualNumbersKeepTheirPreviousOrder)
{
    EXPECT_EQ(sorted({"photo_5b.jpg", "photo_5a.jpg", "x_1.jpg"}, SortNumberInName),
              (Names{"x_1.jpg", "photo_5b.jpg", "photo_5a.jpg"}));
    // Names without digits count as 0 and stay before positive numbers, in order.
    EXPECT_EQ(sorted({"zeta.jpg", "img3.jpg", "alpha.jpg", "beta.jpg"}, SortNumberInName),
              (Names{"zeta.jpg", "alpha.jpg", "beta.jpg", "img3.jpg"}));
}

TEST(SortingMethods, NumbersWrapAroundInThirtyTwoBits)
{
    EXPECT_EQ(numberInName("no digits"), 0);
    EXPECT_EQ(numberInName("IMG_2147483647.jpg"), 2147483647);
    EXPECT_EQ(numberInName("IMG_2147483648.jpg"), -2147483647 - 1);
    EXPECT_EQ(numberInName("IMG_4294967297.jpg"), 1);
    // A wrapped number is negative and so sorts before names without digits.
    EXPECT_EQ(sorted({"plain.jpg", "IMG_3000000000.jpg"}, SortNumberInName),
              (Names{"IMG_3000000000.jpg", "plain.jpg"}));
}

TEST(SortingMethods, WholeNamesCompareAsUnsignedBytes)
{
    EXPECT_EQ(sorted({"img2.jpg", "img10.jpg", "img1.jpg"}, SortWholeName),
              (Names{"img1.jpg", "img10.jpg", "img2.jpg"}));
    EXPECT_EQ(sorted({"apple.jpg", "Zebra.jpg"}, SortWholeName), (Names{"Zebra.jpg", "apple.jpg"}));
    EXPECT_EQ(sorted({"ab.jpg", "a.jpg", "\xc3\xa9t\xc3\xa9.jpg", "z.jpg"}, SortWholeName),
              (Names{"a.jpg", "ab.jpg", "z.jpg", "\xc3\xa9t\xc3\xa9.jpg"}));
    EXPECT_EQ(sorted({"abc", "ab"}, SortWholeName), (Names{"ab", "abc"}));
}

TEST(SortingMethods, HardDriveOrderAndUnknownMethodsKeepTheOrder)
{
    const Names names{"img2.jpg", "img10.jpg", "img1.jpg"};
    EXPECT_EQ(sorted(names, SortHardDriveOrder), names);
    EXPECT_EQ(sorted(names, 7), names);
    EXPECT_EQ(sorted(names, -1), names);
}

TEST(SortingMethods, ResortTreeSortsEveryDirectoryButNeverTheSubdirectories)
{
    AlbumDirectory root("/p");
    fill(root, {"b2.jpg", "a1.jpg"});
    AlbumDirectory* later = root.appendSubdirectory(std::make_unique<AlbumDirectory>("b10"));
    AlbumDirectory* earlier = root.appendSubdirectory(std::make_unique<AlbumDirectory>("a2"));
    fill(*later, {"x9.jpg", "x10.jpg"});
    AlbumDirectory* deep = later->appendSubdirectory(std::make_unique<AlbumDirectory>("deep"));
    fill(*deep, {"c3.jpg", "c20.jpg", "c1.jpg"});
    fill(*earlier, {"y2.jpg", "y1.jpg"});

    resortTree(root, SortNumberInName);
    const auto names = [](const AlbumDirectory& directory) {
        Names result;
        for (const AlbumPicture& file : directory.files)
            result.push_back(file.fileName);
        return result;
    };
    EXPECT_EQ(names(root), (Names{"a1.jpg", "b2.jpg"}));
    EXPECT_EQ(names(*later), (Names{"x9.jpg", "x10.jpg"}));
    EXPECT_EQ(names(*deep), (Names{"c1.jpg", "c3.jpg", "c20.jpg"}));
    EXPECT_EQ(names(*earlier), (Names{"y1.jpg", "y2.jpg"}));
    EXPECT_EQ(root.subdirectories.first(), later);

    // Going back to the listing order changes nothing.
    resortTree(root, SortWholeName);
    resortTree(root, SortHardDriveOrder);
    EXPECT_EQ(names(*later), (Names{"x10.jpg", "x9.jpg"}));
}

}  // namespace
}  // namespace quorvane
