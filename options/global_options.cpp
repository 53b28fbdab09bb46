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

// Written after "Projects", so that earlier versions, which look for their
// own elements only, read such a file as before.
struct GeometrySetting {
    const char* element;
    GlobalOptions::WindowGeometry GlobalOptions::*field;
};
constexpr GeometrySetting kGeometries[] = {
    {"MainWindowGeometry", &GlobalOptions::mainWindow},
    {"PreviewGeometry", &GlobalOptions::preview},
};

// Sizes beyond any screen are a damaged file, not a window.
constexpr int kMaxWindowSide = 32768;

void loadGeometry(const XmlElement& element, GlobalOptions::WindowGeometry& geometry)
{
    GlobalOptions::WindowGeometry read;
    element.getIntAttribute("x", read.x, 0);
    element.getIntAttribute("y", read.y, 0);
    element.getIntAttribute("w", read.width, 0);
    element.getIntAttribute("h", read.height, 0);
    const auto inRange = [](int value) { return value > -kMaxWindowSide && value < kMaxWindowSide; };
    if (read.stored() && read.width < kMaxWindowSide && read.height < kMaxWindowSide && inRange(read.x) &&
        inRange(read.y))
        geometry = read;
}

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
    for (const GeometrySetting& setting : kGeometries) {
        if (const XmlElement* element = top->findChild(setting.element, false))
            loadGeometry(*element, this->*setting.field);
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
    for (const GeometrySetting& setting : kGeometries) {
        const WindowGeometry& geometry = this->*setting.field;
        if (!geometry.stored())
            continue;
        XmlElement* element = top->addChild(setting.element);
        element->addIntAttribute("x", geometry.x);
        element->addIntAttribute("y", geometry.y);
        element->addIntAttribute("w", geometry.width);
        element->addIntAttribute("h", geometry.height);
    }
    if (path.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (error)
            return false;
    }
    return document.save(path, true) == XmlOk;
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
