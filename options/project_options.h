#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/script_variable.h"
#include "imaging/resample.h"

namespace quorvane {

class XmlElement;

// File sorting methods, equal to the index in the options dialog's list.
enum SortMethod : int {
    SortHardDriveOrder = 0,
    SortNumberInName = 1,
    SortWholeName = 2,
    SortShotTime = 3,
};

inline constexpr char kProjectOptionsFileName[] = "ProjectOptions.xml";

// The settings of one project, stored in "ProjectOptions.xml" in the album
// root. The initial values below are those of a new record; the file reader
// has its own defaults for elements present without their attribute.
class ProjectOptions {
public:
    ProjectOptions() = default;
    ProjectOptions(const ProjectOptions& other);
    ProjectOptions& operator=(const ProjectOptions& other);
    ProjectOptions(ProjectOptions&&) noexcept = default;
    ProjectOptions& operator=(ProjectOptions&&) noexcept = default;

    // False (record unchanged) when the file cannot be read or holds no
    // "ProjectOptions" element; otherwise reads it and sets loaded. A file
    // without a password takes the one stored for its server, port and login.
    bool load(const std::filesystem::path& path);

    enum class FileState { Missing, Read, Damaged };
    // As load, but tells a missing file from one that exists and could not be
    // read completely (unreadable, cut short, a syntax error, no
    // "ProjectOptions" element). A damaged file's settings read before the
    // damage are taken, loaded stays clear, and damage says what was wrong.
    FileState read(const std::filesystem::path& path, std::string& damage);
    // Writes the file; a failure to write is answered with false. The FTP
    // password goes to the user's password store, not into the file (it is
    // kept in the file only when the store cannot be written).
    bool save(const std::filesystem::path& path) const;

    // Warnings of the last load: sizes outside their limits that were
    // brought inside them, and a skin name that is not a plain folder name.
    std::vector<std::string> loadWarnings;

    // Size of a directory thumbnail, width first.
    int dirThumbWidth() const { return thmDirImgWidth * nbDirThumbsX; }
    int dirThumbHeight() const { return thmDirImgHeight * nbDirThumbsY; }

    int reduceFilter = FilterBox;
    int magFilter = FilterBilinear;
    int thumbWidth = 200;
    int thumbHeight = 150;
    int intermediateWidth = 640;
    int intermediateHeight = 480;
    int intermediateActive = 1;
    int thmDirImgWidth = 50;
    int thmDirImgHeight = 37;
    int nbDirThumbsX = 4;
    int nbDirThumbsY = 4;
    std::string ftpServerName;
    std::string ftpLogin;
    std::string ftpPassword;
    std::string ftpRemotePath;
    int ftpPort = 21;
    int copySource = 1;
    int useDestPath = 1;
    std::string outputFolder = "album";
    int parseExif = 0;
    std::vector<std::string> skinList;
    VariableList skinPrefs;
    std::string skinName;
    int loaded = 0;
    int sortMethod = SortWholeName;
    int sortMethodChanged = 0;

    // Added after the original settings; their elements follow "SkinPrefs".
    // Turn pictures upright by their Exif Orientation (on unless a file says
    // otherwise).
    int exifOrientation = 1;
    // Take today's formats (HEIC/HEIF, AVIF, PNG, WebP pictures) as album
    // media and lay folder mosaics out for their number of pictures. On for
    // new projects; a file written before it existed reads as off, since its
    // album may hold a skin's own PNG graphics.
    int todaysFormats = 1;
    // 0xRRGGBB shown through transparent parts of PNG, WebP and HEIF pictures.
    int pictureBackground = 0xFFFFFF;
    // Also write thumbnails, intermediate images and directory thumbnails at
    // twice the size ("@2x"), for high-density screens. On for new projects,
    // off for files written before it existed.
    int highDensity = 1;
    // Lets the upload fall back to plain FTP when the server offers no TLS.
    int ftpAllowPlain = 0;
    // With today's formats, also make "web_<movie>.mp4" copies (H.264 and
    // AAC) of the movies browsers cannot play, their long side at most
    // movieWebCopySize pixels. Off unless asked for: transcoding is slow.
    int movieWebCopies = 0;
    int movieWebCopySize = 1280;
    // Let the decoders of JPEG and still WebP pictures shrink a large picture
    // by 1/2, 1/4 or 1/8 while decoding, keeping at least twice the size each
    // generated file needs; the filters make the rest of the reduction. Faster
    // on camera photos, not the same bytes as a full decoding. On for
    // new projects, off for files written before it existed.
    int fastDecoding = 1;

private:
    void readElements(const XmlElement& top);
};

// Text limits of the record's fields.
inline constexpr std::size_t kNameFieldLength = 255;
inline constexpr std::size_t kPathFieldLength = 259;

}  // namespace quorvane

namespace quorvane {

// The checks the options dialog makes before it accepts a destination folder.
inline constexpr char kThumbnailsOnlyQuestion[] =
    "The options you selected will generate thumbnails ONLY.\n"
    "Your pages will only display thumnails\n"
    "Are you sure you want to continue with this behaviour ?";
inline constexpr char kAbsoluteDestinationError[] =
    "Please select an absolute path for destination folder.";

// A destination folder without copies of the sources or intermediate images
// leaves the pages nothing but thumbnails to show.
inline bool generatesThumbnailsOnly(const ProjectOptions& options)
{
    return options.useDestPath && !options.copySource && !options.intermediateActive;
}

inline bool isAbsoluteDestination(std::string_view folder)
{
    return !folder.empty() && folder.front() == '/';
}

// Copies a damaged file to "<name>.damaged-<date and time>" beside it before
// it is replaced; answers the copy's path, or "" when no copy could be made.
std::string keepDamagedCopy(const std::filesystem::path& path);

// Sets the field stored under a "ProjectOptions.xml" element name ("ThumbWidth",
// "Skin", "OutputFolder", ...) from text. Numbers must be whole decimal
// numbers; texts must fit their field. On failure the
// record is unchanged and error says why.
bool setOptionByElementName(ProjectOptions& options, std::string_view element,
                            std::string_view value, std::string& error);
// The element names setOptionByElementName accepts, in file order.
std::vector<std::string> optionElementNames();

// Limits on the sizes a settings file or a command line may ask for. Larger
// pictures than these are no thumbnails, and the grid and the composite are
// bounded so that a folder thumbnail stays a small allocation.
inline constexpr int kLargestImageSide = 16384;
inline constexpr int kLargestGridSide = 64;
inline constexpr std::int64_t kLargestCompositePixels = 16 * 1024 * 1024;

// "ThumbWidth must be from 1 to 16384, not 0" when value lies outside the
// limits of the size stored under element; nothing for other elements.
std::optional<std::string> checkOptionLimits(std::string_view element, int value);
// Pixels of the folder thumbnail canvas the options ask for.
std::int64_t compositePixels(const ProjectOptions& options);
// The refusal for a folder thumbnail above kLargestCompositePixels, or nothing.
std::optional<std::string> checkCompositeLimit(const ProjectOptions& options);
// Brings every size inside its limits (and the folder thumbnail below its
// pixel limit by shrinking its cells); one warning per change.
std::vector<std::string> clampToLimits(ProjectOptions& options);

// A skin is named by one folder of the skins folder: no separator, not "."
// or "..", nothing that could lead elsewhere.
bool isPlainSkinName(std::string_view name);
// "The skin name '../x' is not the name of a folder in Skins".
std::string badSkinNameMessage(std::string_view name);

}  // namespace quorvane
