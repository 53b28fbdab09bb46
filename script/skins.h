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

// The folder holding the skins: "Skins" in the current directory when there is
// one, otherwise the skins installed with the program ("Skins" beside the
// executable, then ../share/quorvane/Skins from it). Falls back to the
// relative "Skins" when none exists, so messages name the usual place.
std::filesystem::path skinsFolder();

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
