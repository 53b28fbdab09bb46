#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class ProjectOptions;

inline constexpr char kSkinsFolderName[] = "Skins";
inline constexpr char kMainScriptName[] = "Main.qvs";
inline constexpr char kMainLoopScriptName[] = "MainLoop.qvs";
inline constexpr char kSkinHelpName[] = "Varhelp.rtf";

// The folders skins are looked up in, in order. "Skins" in the current
// directory, alone, when there is one; otherwise those that exist of the
// user's own skins ($XDG_DATA_HOME/quorvane/Skins, ~/.local/share/...) and the
// installed ones ("Skins" beside the executable, then ../share/quorvane/Skins
// from it). A skin found in an earlier folder hides one of the same name in a
// later folder.
std::vector<std::filesystem::path> skinSearchPath();

// The folder holding the named skin: the first folder of the search path that
// has it. When none has, the first folder of the search path, or the relative
// "Skins" when there is none, so messages name the usual place.
std::filesystem::path skinsFolder(std::string_view skinName,
                                  const std::vector<std::filesystem::path>& searchPath = skinSearchPath());

// Every skin of the search path, each name once, in listing order.
std::vector<std::string> availableSkins(const std::vector<std::filesystem::path>& searchPath = skinSearchPath());

// A folder is a skin when one of its two scripts can be read.
bool skinHasScripts(const std::filesystem::path& skinsDir, std::string_view skinName);

// The skins in listing order.
std::vector<std::string> listSkins(const std::filesystem::path& skinsDir);

struct SkinPrefsResult {
    bool ok = true;
    // On failure: "MainLoop.qvs : Parse error line %d" or "Main.qvs : ...".
    std::string message;
};

// Brings the project's stored skin parameters in line with what the skin
// declares public: new names are added with the script's default, names the
// skin no longer declares are dropped, stored values are kept.
SkinPrefsResult reconcileSkinPrefs(ProjectOptions& options, const std::filesystem::path& skinsDir,
                                   std::string_view skinName);

}  // namespace quorvane
