#include "options/project_options.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "options/password_store.h"
#include "xml/xml_document.h"

namespace quorvane {

namespace {

struct IntSetting {
    const char* element;
    const char* attribute;
    int ProjectOptions::*field;
    int missingAttributeValue;
};

struct TextSetting {
    const char* element;
    const char* attribute;
    std::string ProjectOptions::*field;
    const char* missingAttributeValue;
    std::size_t maxLength;
};

// The file's elements in the order they are written. Text settings and
// numbers are interleaved, so the order lives in one table of slots.
struct Slot {
    const IntSetting* number;
    const TextSetting* text;
};

constexpr IntSetting kReduceFilter{"ReduceFilter", "n", &ProjectOptions::reduceFilter, 0};
constexpr IntSetting kMagFilter{"MagFilter", "n", &ProjectOptions::magFilter, 1};
constexpr TextSetting kSkin{"Skin", "name", &ProjectOptions::skinName, "", kPathFieldLength};
constexpr TextSetting kFtpServer{"FTPServerName", "name", &ProjectOptions::ftpServerName, "", kNameFieldLength};
constexpr TextSetting kFtpLogin{"FTPLogin", "name", &ProjectOptions::ftpLogin, "", kNameFieldLength};
constexpr TextSetting kFtpPassword{"FTPPassword", "pass", &ProjectOptions::ftpPassword, "", kNameFieldLength};
constexpr TextSetting kFtpPath{"FTPRemotePath", "path", &ProjectOptions::ftpRemotePath, "", kNameFieldLength};
constexpr IntSetting kFtpPort{"FTPPort", "port", &ProjectOptions::ftpPort, 21};
constexpr IntSetting kThmDirWidth{"ThmDirImgWidth", "n", &ProjectOptions::thmDirImgWidth, 64};
constexpr IntSetting kThmDirHeight{"ThmDirImgHeight", "n", &ProjectOptions::thmDirImgHeight, 48};
constexpr IntSetting kDirThumbsX{"nbDirThumbsX", "n", &ProjectOptions::nbDirThumbsX, 5};
constexpr IntSetting kDirThumbsY{"nbDirThumbsY", "n", &ProjectOptions::nbDirThumbsY, 4};
constexpr IntSetting kThumbWidth{"ThumbWidth", "n", &ProjectOptions::thumbWidth, 200};
constexpr IntSetting kThumbHeight{"ThumbHeight", "n", &ProjectOptions::thumbHeight, 150};
constexpr IntSetting kInterWidth{"IntermediateWidth", "n", &ProjectOptions::intermediateWidth, 800};
constexpr IntSetting kInterHeight{"IntermediateHeight", "n", &ProjectOptions::intermediateHeight, 600};
constexpr IntSetting kInterActive{"IntermediateActive", "n", &ProjectOptions::intermediateActive, 0};
constexpr IntSetting kUseDestPath{"UseDestPath", "n", &ProjectOptions::useDestPath, 0};
constexpr IntSetting kParseExif{"ParseExif", "n", &ProjectOptions::parseExif, 1};
constexpr IntSetting kCopySource{"CopySource", "n", &ProjectOptions::copySource, 1};
constexpr TextSetting kOutputFolder{"OutputFolder", "dir", &ProjectOptions::outputFolder, "album", kPathFieldLength};
constexpr IntSetting kSortMethod{"SortMethod", "n", &ProjectOptions::sortMethod, 1};

constexpr Slot kFileLayout[] = {
    {&kReduceFilter, nullptr}, {&kMagFilter, nullptr},  {nullptr, &kSkin},
    {nullptr, &kFtpServer},    {nullptr, &kFtpLogin},   {nullptr, &kFtpPassword},
    {nullptr, &kFtpPath},      {&kFtpPort, nullptr},    {&kThmDirWidth, nullptr},
    {&kThmDirHeight, nullptr}, {&kDirThumbsX, nullptr}, {&kDirThumbsY, nullptr},
    {&kThumbWidth, nullptr},   {&kThumbHeight, nullptr}, {&kInterWidth, nullptr},
    {&kInterHeight, nullptr},  {&kInterActive, nullptr}, {&kUseDestPath, nullptr},
    {&kParseExif, nullptr},    {&kCopySource, nullptr}, {nullptr, &kOutputFolder},
    {&kSortMethod, nullptr},
};

// Settings added to the file after the original ones, written after
// "SkinPrefs" so that older readers pass over them. A file without the
// element gives missingElementValue, which for some differs from a new
// record's value: a project made before them keeps its old output.
struct AddedSetting {
    const char* element;
    const char* attribute;
    int ProjectOptions::*field;
    int missingAttributeValue;
    int missingElementValue;
    bool colour;  // written as six lowercase hex digits
    // Written only when it differs from the missing-element value, so that
    // files of projects that never use it stay as they were.
    bool onlyWhenSet;
};

constexpr AddedSetting kAddedSettings[] = {
    {"ExifOrientation", "n", &ProjectOptions::exifOrientation, 1, 1, false, false},
    {"TodaysFormats", "n", &ProjectOptions::todaysFormats, 0, 0, false, false},
    {"PictureBackground", "rgb", &ProjectOptions::pictureBackground, 0xFFFFFF, 0xFFFFFF, true, false},
    {"HighDensity", "n", &ProjectOptions::highDensity, 0, 0, false, false},
    // Lets the upload fall back to plain FTP when the server offers no TLS.
    {"FTPAllowPlain", "n", &ProjectOptions::ftpAllowPlain, 0, 0, false, true},
    // Written only once asked for, so the files of projects without them stay as they were.
    {"MovieWebCopies", "n", &ProjectOptions::movieWebCopies, 0, 0, false, true},
    {"MovieWebCopySize", "n", &ProjectOptions::movieWebCopySize, 1280, 1280, false, true},
    {"FastDecoding", "n", &ProjectOptions::fastDecoding, 0, 0, false, false},
};

PasswordKey passwordKey(const ProjectOptions& options)
{
    return {options.ftpServerName, options.ftpPort, options.ftpLogin};
}

std::string cutToField(const std::string& text)
{
    return text.substr(0, kNameFieldLength);
}

// "%x"-style reading: optional blanks and "0x", then hex digits; none gives 0.
int parseHexLikeScanf(const std::string& text)
{
    return static_cast<int>(std::strtoul(text.c_str(), nullptr, 16));
}

std::string colourText(int colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(colour) & 0xFFFFFFu);
    return text;
}

bool parseWholeNumber(std::string_view value, int& number)
{
    const char* end = value.data() + value.size();
    const auto [stop, failure] = std::from_chars(value.data(), end, number);
    return !value.empty() && failure == std::errc() && stop == end;
}

// The added settings as --set gives them: numbers, or six hex digits for a
// colour.
bool setAddedSetting(ProjectOptions& options, const AddedSetting& added, std::string_view value,
                     std::string& error)
{
    if (added.colour) {
        const bool hex = value.size() == 6 &&
                         value.find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
        if (!hex) {
            error = std::string(added.element) + " needs six hex digits (rrggbb), not '" + std::string(value) + "'";
            return false;
        }
        options.*(added.field) = parseHexLikeScanf(std::string(value));
        return true;
    }
    int number = 0;
    if (!parseWholeNumber(value, number)) {
        error = std::string(added.element) + " needs a whole number, not '" + std::string(value) + "'";
        return false;
    }
    options.*(added.field) = number;
    return true;
}

void readSkinPrefs(const XmlElement& prefs, VariableList& skinPrefs)
{
    for (const XmlElement& entry : prefs.children) {
        std::string name;
        int type = 0;
        entry.getAttribute("name", name, "", kNameFieldLength);
        entry.getIntAttribute("t", type, 0);
        auto variable = std::make_unique<ScriptVariable>(type, name);
        if (type == VarInt) {
            int value = 0;
            entry.getIntAttribute("val", value, 0);
            variable->setInt(value);
        } else if (type == VarColor) {
            std::string value;
            entry.getAttribute("val", value, "", kNameFieldLength);
            variable->setInt(parseHexLikeScanf(value));
        } else if (type == VarString) {
            std::string value;
            entry.getAttribute("val", value, "", kNameFieldLength);
            variable->setText(value);
        }
        skinPrefs.append(std::move(variable));
    }
}

}  // namespace

ProjectOptions::ProjectOptions(const ProjectOptions& other)
{
    *this = other;
}

ProjectOptions& ProjectOptions::operator=(const ProjectOptions& other)
{
    if (this == &other)
        return *this;
    reduceFilter = other.reduceFilter;
    magFilter = other.magFilter;
    thumbWidth = other.thumbWidth;
    thumbHeight = other.thumbHeight;
    intermediateWidth = other.intermediateWidth;
    intermediateHeight = other.intermediateHeight;
    intermediateActive = other.intermediateActive;
    thmDirImgWidth = other.thmDirImgWidth;
    thmDirImgHeight = other.thmDirImgHeight;
    nbDirThumbsX = other.nbDirThumbsX;
    nbDirThumbsY = other.nbDirThumbsY;
    ftpServerName = other.ftpServerName;
    ftpLogin = other.ftpLogin;
    ftpPassword = other.ftpPassword;
    ftpRemotePath = other.ftpRemotePath;
    ftpPort = other.ftpPort;
    copySource = other.copySource;
    useDestPath = other.useDestPath;
    outputFolder = other.outputFolder;
    parseExif = other.parseExif;
    skinList = other.skinList;
    skinPrefs.clear();
    for (const ScriptVariable& variable : other.skinPrefs)
        skinPrefs.append(variable.copyVariable());
    skinName = other.skinName;
    loadWarnings = other.loadWarnings;
    loaded = other.loaded;
    sortMethod = other.sortMethod;
    sortMethodChanged = other.sortMethodChanged;
    exifOrientation = other.exifOrientation;
    todaysFormats = other.todaysFormats;
    pictureBackground = other.pictureBackground;
    highDensity = other.highDensity;
    ftpAllowPlain = other.ftpAllowPlain;
    movieWebCopies = other.movieWebCopies;
    movieWebCopySize = other.movieWebCopySize;
    fastDecoding = other.fastDecoding;
    return *this;
}

bool ProjectOptions::load(const std::filesystem::path& path)
{
    XmlDocument document;
    if (document.load(path) != XmlOk)
        return false;
    const XmlElement* top = document.findElement("ProjectOptions", true);
    if (!top)
        return false;
    readElements(*top);
    loaded = 1;
    return true;
}

ProjectOptions::FileState ProjectOptions::read(const std::filesystem::path& path, std::string& damage)
{
    XmlDocument document;
    const int result = document.load(path);
    if (result == XmlCannotOpen) {
        std::error_code error;
        if (std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::not_found)
            return FileState::Missing;
        damage = "cannot be read";
        return FileState::Damaged;
    }
    const XmlElement* top = document.findElement("ProjectOptions", true);
    if (result != XmlOk)
        damage = "syntax error";
    else if (!document.complete())
        damage = "the file ends before its elements do";
    else if (!top)
        damage = "no \"ProjectOptions\" element";
    if (top)
        readElements(*top);
    if (!damage.empty())
        return FileState::Damaged;
    loaded = 1;
    return FileState::Read;
}

void ProjectOptions::readElements(const XmlElement& root)
{
    const XmlElement* top = &root;
    for (const Slot& slot : kFileLayout) {
        if (slot.number) {
            if (const XmlElement* element = top->findChild(slot.number->element, true))
                element->getIntAttribute(slot.number->attribute, this->*(slot.number->field),
                                         slot.number->missingAttributeValue);
        } else {
            if (const XmlElement* element = top->findChild(slot.text->element, true))
                element->getAttribute(slot.text->attribute, this->*(slot.text->field),
                                      slot.text->missingAttributeValue, slot.text->maxLength);
        }
    }
    if (const XmlElement* prefs = top->findChild("SkinPrefs", true))
        readSkinPrefs(*prefs, skinPrefs);
    for (const AddedSetting& added : kAddedSettings) {
        const XmlElement* element = top->findChild(added.element, true);
        if (!element) {
            this->*(added.field) = added.missingElementValue;
        } else if (added.colour) {
            std::string text;
            element->getAttribute(added.attribute, text, "", kNameFieldLength);
            this->*(added.field) =
                text.empty() ? added.missingAttributeValue : parseHexLikeScanf(text) & 0xFFFFFF;
        } else {
            element->getIntAttribute(added.attribute, this->*(added.field), added.missingAttributeValue);
        }
    }
    if (ftpPassword.empty()) {
        if (std::optional<std::string> stored = lookupPassword(passwordKey(*this)))
            ftpPassword = cutToField(*stored);
    }
    // The file may come from anyone: sizes that would exhaust memory or
    // leave pictures out are brought inside the limits, with a warning.
    loadWarnings = clampToLimits(*this);
    if (!skinName.empty() && !isPlainSkinName(skinName))
        loadWarnings.push_back(badSkinNameMessage(skinName));
}

std::string keepDamagedCopy(const std::filesystem::path& path)
{
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::filesystem::path copy = path;
    copy += std::string(".damaged-") + stamp;
    std::error_code error;
    // Never over an earlier copy: that one may be the only whole one.
    if (!std::filesystem::copy_file(path, copy, std::filesystem::copy_options::none, error))
        return {};
    return copy.string();
}

bool ProjectOptions::save(const std::filesystem::path& path) const
{
    XmlDocument document;
    XmlElement* top = document.addTopLevelElement("ProjectOptions");
    top->addAttribute("Version", "1");
    // Old files kept the password here; new saves leave it to the store.
    std::string storeError;
    const bool passwordStored = storePassword(passwordKey(*this), ftpPassword, storeError);
    for (const Slot& slot : kFileLayout) {
        if (slot.number)
            top->addChild(slot.number->element)
                ->addIntAttribute(slot.number->attribute, this->*(slot.number->field));
        else if (slot.text == &kFtpPassword && passwordStored)
            top->addChild(slot.text->element)->addAttribute(slot.text->attribute, "");
        else
            top->addChild(slot.text->element)->addAttribute(slot.text->attribute, this->*(slot.text->field));
    }
    XmlElement* prefs = top->addChild("SkinPrefs");
    for (const ScriptVariable& variable : skinPrefs) {
        XmlElement* entry = prefs->addChild("Variable");
        entry->addAttribute("name", variable.name());
        entry->addAttribute("val", variable.valueText());
        entry->addIntAttribute("t", variable.type());
    }
    for (const AddedSetting& added : kAddedSettings) {
        if (added.onlyWhenSet && this->*(added.field) == added.missingElementValue)
            continue;
        XmlElement* element = top->addChild(added.element);
        if (added.colour)
            element->addAttribute(added.attribute, colourText(this->*(added.field)));
        else
            element->addIntAttribute(added.attribute, this->*(added.field));
    }
    return document.save(path) == XmlOk;
}


bool setOptionByElementName(ProjectOptions& options, std::string_view element,
                            std::string_view value, std::string& error)
{
    for (const Slot& slot : kFileLayout) {
        if (slot.number && element == slot.number->element) {
            int number = 0;
            if (!parseWholeNumber(value, number)) {
                error = std::string(element) + " needs a whole number, not '" + std::string(value) + "'";
                return false;
            }
            if (auto refusal = checkOptionLimits(element, number)) {
                error = std::move(*refusal);
                return false;
            }
            options.*(slot.number->field) = number;
            return true;
        }
        if (slot.text && element == slot.text->element) {
            if (value.size() > slot.text->maxLength) {
                error = std::string(element) + " holds at most " + std::to_string(slot.text->maxLength) +
                        " characters";
                return false;
            }
            if (slot.text == &kSkin && !value.empty() && !isPlainSkinName(value)) {
                error = badSkinNameMessage(value);
                return false;
            }
            options.*(slot.text->field) = std::string(value);
            return true;
        }
    }
    for (const AddedSetting& added : kAddedSettings) {
        if (element == added.element)
            return setAddedSetting(options, added, value, error);
    }
    error = "unknown option '" + std::string(element) + "'";
    return false;
}

std::vector<std::string> optionElementNames()
{
    std::vector<std::string> names;
    for (const Slot& slot : kFileLayout)
        names.emplace_back(slot.number ? slot.number->element : slot.text->element);
    for (const AddedSetting& added : kAddedSettings)
        names.emplace_back(added.element);
    return names;
}

namespace {

struct SizeLimit {
    const IntSetting* setting;
    int lowest;
    int highest;
};

constexpr SizeLimit kSizeLimits[] = {
    {&kThumbWidth, 1, kLargestImageSide},    {&kThumbHeight, 1, kLargestImageSide},
    {&kInterWidth, 1, kLargestImageSide},    {&kInterHeight, 1, kLargestImageSide},
    {&kThmDirWidth, 1, kLargestImageSide},   {&kThmDirHeight, 1, kLargestImageSide},
    {&kDirThumbsX, 1, kLargestGridSide},     {&kDirThumbsY, 1, kLargestGridSide},
};

std::int64_t canvasSide(int cells, int cell)
{
    return std::int64_t(cells) * (std::int64_t(cell) + 1) - 1;
}

}  // namespace

std::optional<std::string> checkOptionLimits(std::string_view element, int value)
{
    for (const SizeLimit& limit : kSizeLimits) {
        if (element != limit.setting->element)
            continue;
        if (value >= limit.lowest && value <= limit.highest)
            return std::nullopt;
        return std::string(element) + " must be from " + std::to_string(limit.lowest) + " to " +
               std::to_string(limit.highest) + ", not " + std::to_string(value);
    }
    return std::nullopt;
}

std::int64_t compositePixels(const ProjectOptions& options)
{
    return std::max<std::int64_t>(canvasSide(options.nbDirThumbsX, options.thmDirImgWidth), 0) *
           std::max<std::int64_t>(canvasSide(options.nbDirThumbsY, options.thmDirImgHeight), 0);
}

namespace {

bool compositeFits(const ProjectOptions& options)
{
    return canvasSide(options.nbDirThumbsX, options.thmDirImgWidth) <= kLargestImageSide &&
           canvasSide(options.nbDirThumbsY, options.thmDirImgHeight) <= kLargestImageSide &&
           compositePixels(options) <= kLargestCompositePixels;
}

}  // namespace

std::optional<std::string> checkCompositeLimit(const ProjectOptions& options)
{
    if (compositeFits(options))
        return std::nullopt;
    return "the folder thumbnail would be " + std::to_string(canvasSide(options.nbDirThumbsX, options.thmDirImgWidth)) +
           " x " + std::to_string(canvasSide(options.nbDirThumbsY, options.thmDirImgHeight)) +
           " pixels; it may have at most " + std::to_string(kLargestImageSide) + " pixels on a side and " +
           std::to_string(kLargestCompositePixels) + " in all (nbDirThumbsX, ThmDirImgWidth, nbDirThumbsY, "
           "ThmDirImgHeight)";
}

std::vector<std::string> clampToLimits(ProjectOptions& options)
{
    std::vector<std::string> warnings;
    for (const SizeLimit& limit : kSizeLimits) {
        int& value = options.*(limit.setting->field);
        const int clamped = std::clamp(value, limit.lowest, limit.highest);
        if (clamped == value)
            continue;
        warnings.push_back(std::string(limit.setting->element) + " " + std::to_string(value) +
                           " is outside " + std::to_string(limit.lowest) + " to " +
                           std::to_string(limit.highest) + ": " + std::to_string(clamped) + " is used");
        value = clamped;
    }
    if (!compositeFits(options)) {
        // Shrink the cells, not the grid: the folder thumbnail keeps its
        // layout and only gets smaller. The grid is at most 64 a side, so a
        // cell of one pixel always fits.
        int& width = options.thmDirImgWidth;
        int& height = options.thmDirImgHeight;
        width = std::min(width, (kLargestImageSide + 1) / options.nbDirThumbsX - 1);
        height = std::min(height, (kLargestImageSide + 1) / options.nbDirThumbsY - 1);
        while (!compositeFits(options)) {
            width = std::max(1, width * 3 / 4);
            height = std::max(1, height * 3 / 4);
        }
        warnings.push_back("the folder thumbnail exceeded " + std::to_string(kLargestImageSide) +
                           " pixels on a side or " + std::to_string(kLargestCompositePixels) +
                           " in all: its cells are made " + std::to_string(width) + " x " + std::to_string(height));
    }
    return warnings;
}

bool isPlainSkinName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\\') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string badSkinNameMessage(std::string_view name)
{
    return "The skin name '" + std::string(name) + "' is not the name of a folder in Skins";
}

}  // namespace quorvane
