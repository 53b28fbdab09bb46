#include "options/global_options.h"

#include <algorithm>

#include "foundation/xdg_dirs.h"
#include "xml/xml_document.h"

namespace quorvane {

namespace {

constexpr char kTopElement[] = "QuorvaneOptions";
constexpr char kProjectsElement[] = "Projects";
constexpr char kProjectElement[] = "Project";
constexpr char kNameAttribute[] = "Name";

struct IntSetting {
    const char* element;
    const char* attribute;
    int GlobalOptions::*field;
    int missingAttributeValue;
};

// The file's elements in the order they are written.
constexpr IntSetting kSettings[] = {
    {"ReduceFilter", "n", &GlobalOptions::reduceFilter, 0},
    {"MagFilter", "n", &GlobalOptions::magFilter, 1},
    {"LoadThumbnails", "b", &GlobalOptions::loadThumbnails, 1},
    {"AutoSave", "b", &GlobalOptions::autoSave, 1},
};

}  // namespace

void GlobalOptions::load(const std::filesystem::path& path)
{
    XmlDocument document;
    // A file cut short by a syntax error still supplies what was read.
    document.load(path);
    const XmlElement* top = document.findElement(kTopElement, true);
    if (!top)
        return;
    for (const IntSetting& setting : kSettings) {
        if (const XmlElement* element = top->findChild(setting.element, true))
            element->getIntAttribute(setting.attribute, this->*setting.field, setting.missingAttributeValue);
    }
    if (const XmlElement* projects = top->findChild(kProjectsElement, true)) {
        for (const XmlElement& project : projects->children) {
            std::string root;
            project.getAttribute(kNameAttribute, root, "", std::string::npos);
            recentRoots.push_back(std::move(root));
        }
    }
}

bool GlobalOptions::save(const std::filesystem::path& path) const
{
    XmlDocument document;
    XmlElement* top = document.addTopLevelElement(kTopElement);
    top->addAttribute("Version", "1");
    for (const IntSetting& setting : kSettings)
        top->addChild(setting.element)->addIntAttribute(setting.attribute, this->*setting.field);
    XmlElement* projects = top->addChild(kProjectsElement);
    for (const std::string& root : recentRoots)
        projects->addChild(kProjectElement)->addAttribute(kNameAttribute, root);
    if (path.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
            return false;
    }
    return document.save(path) == XmlOk;
}

std::filesystem::path globalOptionsPath()
{
    std::error_code error;
    // The skins folder's name, spelled here because options sit below the script engine.
    if (std::filesystem::exists(kGlobalOptionsFileName, error) || std::filesystem::is_directory("Skins", error))
        return kGlobalOptionsFileName;
    const std::filesystem::path config = xdgConfigHome();
    if (config.empty())
        return kGlobalOptionsFileName;
    return config / "quorvane" / kGlobalOptionsFileName;
}

void GlobalOptions::addRecentRoot(std::string_view path)
{
    const auto found = std::find_if(recentRoots.begin(), recentRoots.end(), [path](const std::string& root) {
        return equalsIgnoringAsciiCase(root, path);
    });
    if (found != recentRoots.end()) {
        std::rotate(recentRoots.begin(), found, found + 1);
        return;
    }
    recentRoots.insert(recentRoots.begin(), std::string(path));
    if (recentRoots.size() > kMaxRecentRoots)
        recentRoots.resize(kMaxRecentRoots);
}

}  // namespace quorvane
