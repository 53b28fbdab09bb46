#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

inline constexpr char kGlobalOptionsFileName[] = "QuorvaneCfg.xml";
inline constexpr std::size_t kMaxRecentRoots = 10;

// Settings that belong to no project, kept for the whole run. The initial
// values below are those of a new record; the file reader has its own
// defaults for elements present without their attribute.
class GlobalOptions {
public:
    // Reads the file over the current values. Fields whose element is missing
    // keep their value; an unreadable file or one without "QuorvaneOptions"
    // changes nothing. Every listed project is appended to recentRoots, with
    // no limit and no removal of duplicates.
    void load(const std::filesystem::path& path = kGlobalOptionsFileName);
    // False when the file cannot be written. A missing parent folder is
    // created first (the user's config folder on a first run).
    bool save(const std::filesystem::path& path = kGlobalOptionsFileName) const;

    // Puts the path at the front of recentRoots: an entry matching it ignoring
    // ASCII case is moved there (keeping its own spelling), otherwise a new
    // entry is added and the list cut to ten.
    void addRecentRoot(std::string_view path);

    int reduceFilter = 0;  // ResampleFilter codes
    int magFilter = 1;
    std::vector<std::string> recentRoots;  // most recent first
    int autoSave = 1;
    int loadThumbnails = 1;

    // Where the desktop program's windows were last, in screen pixels; a
    // width of 0 means never stored, and nothing is written for it.
    struct WindowGeometry {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool stored() const { return width > 0 && height > 0; }
    };
    WindowGeometry mainWindow;
    WindowGeometry preview;
};

// Where the desktop program keeps its settings: "QuorvaneCfg.xml" in the
// current directory when it is there, or when the current directory has a
// "Skins" folder (the program started from its album folder); otherwise
// quorvane/QuorvaneCfg.xml in the user's XDG config folder (~/.config), and
// the current directory again when there is no such folder.
std::filesystem::path globalOptionsPath();

}  // namespace quorvane
