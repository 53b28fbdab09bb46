#include "script/skins.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "album/directory_listing.h"
#include "foundation/xdg_dirs.h"
#include "options/project_options.h"
#include "script/script_context.h"

namespace quorvane {

namespace {

bool canRead(const std::filesystem::path& path)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

std::filesystem::path executableFolder()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

}  // namespace

std::vector<std::filesystem::path> skinSearchPath()
{
    std::error_code error;
    if (std::filesystem::is_directory(kSkinsFolderName, error))
        return {kSkinsFolderName};
    std::vector<std::filesystem::path> candidates;
    if (const std::filesystem::path data = xdgDataHome(); !data.empty())
        candidates.push_back(data / "quorvane" / kSkinsFolderName);
    if (const std::filesystem::path programFolder = executableFolder(); !programFolder.empty()) {
        candidates.push_back(programFolder / kSkinsFolderName);
        candidates.push_back((programFolder / ".." / "share" / "quorvane" / kSkinsFolderName).lexically_normal());
    }
    std::vector<std::filesystem::path> folders;
    for (const std::filesystem::path& candidate : candidates) {
        if (std::filesystem::is_directory(candidate, error))
            folders.push_back(candidate);
    }
    return folders;
}

std::filesystem::path skinsFolder(std::string_view skinName, const std::vector<std::filesystem::path>& searchPath)
{
    for (const std::filesystem::path& folder : searchPath) {
        if (skinHasScripts(folder, skinName))
            return folder;
    }
    return searchPath.empty() ? std::filesystem::path(kSkinsFolderName) : searchPath.front();
}

std::vector<std::string> availableSkins(const std::vector<std::filesystem::path>& searchPath)
{
    std::vector<std::string> skins;
    for (const std::filesystem::path& folder : searchPath) {
        for (std::string& name : listSkins(folder)) {
            if (std::find(skins.begin(), skins.end(), name) == skins.end())
                skins.push_back(std::move(name));
        }
    }
    std::stable_sort(skins.begin(), skins.end(),
                     [](const std::string& a, const std::string& b) { return listsBefore(a, b); });
    return skins;
}

bool skinHasScripts(const std::filesystem::path& skinsDir, std::string_view skinName)
{
    if (!isPlainSkinName(skinName))
        return false;
    const std::filesystem::path skin = skinsDir / skinName;
    return canRead(skin / kMainLoopScriptName) || canRead(skin / kMainScriptName);
}

std::vector<std::string> listSkins(const std::filesystem::path& skinsDir)
{
    std::vector<DirectoryEntry> entries;
    std::vector<std::string> skins;
    if (!listDirectory(skinsDir.string(), entries))
        return skins;
    for (const DirectoryEntry& entry : entries) {
        if (entry.kind == EntryKind::Directory && skinHasScripts(skinsDir, entry.name))
            skins.push_back(entry.name);
    }
    return skins;
}

}  // namespace quorvane

namespace quorvane {

SkinPrefsResult reconcileSkinPrefs(ProjectOptions& options, const std::filesystem::path& skinsDir,
                                   std::string_view skinName)
{
    if (!isPlainSkinName(skinName))
        return {false, badSkinNameMessage(skinName)};
    const std::filesystem::path skin = skinsDir / skinName;
    VariableList declared;
    // MainLoop's declarations come first, then Main's.
    for (const char* script : {kMainLoopScriptName, kMainScriptName}) {
        ScriptContext context;
        context.options = &options;
        if (const ScriptResult loaded = loadScript(skin / script, context); !loaded.ok())
            return {false, std::string(script) + " : Parse error line " + std::to_string(loaded.line)};
        for (const ScriptCommand& command : context.commands)
            command.collectDeclaration(declared);
    }

    for (const ScriptVariable& variable : declared) {
        if (!findVariable(options.skinPrefs, variable.name()))
            options.skinPrefs.append(variable.copyVariable());
    }
    for (ScriptVariable* stored = options.skinPrefs.first(); stored;) {
        ScriptVariable* following = VariableList::next(*stored);
        if (!findVariable(declared, stored->name()))
            options.skinPrefs.remove(stored);
        stored = following;
    }
    return {};
}

}  // namespace quorvane
