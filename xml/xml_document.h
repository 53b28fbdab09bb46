#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "foundation/ascii.h"
#include "foundation/chunk_buffer.h"
#include "foundation/object_list.h"

namespace quorvane {

// Result codes of XmlDocument::load and save.
enum XmlResult : int {
    XmlOk = 0,
    XmlCannotOpen = 1,
    XmlSyntaxError = 2,
    XmlNoRoot = 3,
};

class XmlAttribute : public ListObject {
public:
    XmlAttribute(std::string_view name, std::string_view value) : name(name), value(value) {}

    std::string name;
    std::string value;
};

class XmlElement : public ListObject {
public:
    XmlElement(XmlElement* parent, std::string_view name) : parent(parent), name(name) {}
    ~XmlElement() override;

    XmlElement* findChild(std::string_view name, bool recursive) const;
    // Direct children only; element name and attribute text compared ignoring
    // ASCII case, the attribute itself looked up by its exact name.
    XmlElement* findChildWithAttribute(std::string_view elementName, std::string_view attributeName,
                                       std::string_view value) const;
    XmlAttribute* findAttribute(std::string_view name) const;

    // The getters answer 0 when the attribute exists and -1 when it does not.
    int getAttribute(std::string_view name, std::string& destination, std::string_view defaultText,
                     std::size_t maxLength = 259) const;
    int getIntAttribute(std::string_view name, int& destination, int defaultValue) const;
    int getHexAttribute(std::string_view name, ChunkBuffer& buffer) const;

    XmlElement* addChild(std::string_view name);
    XmlAttribute* addAttribute(std::string_view name, std::string_view text);
    XmlAttribute* addIntAttribute(std::string_view name, int value);
    XmlAttribute* addHexAttribute(std::string_view name, const void* bytes, int length);

    void writeElement(std::string& out, int depth) const;

    XmlElement* parent;
    std::string name;
    List<XmlElement> children;
    List<XmlAttribute> attributes;
};

class XmlDocument {
public:
    int load(const std::filesystem::path& path);
    // Written to a temporary file beside the target and renamed over it, so an
    // interrupted save never leaves a truncated file behind. A symbolic link
    // at path is replaced by the new file unless followLink is set (the
    // user's own settings file may be a link into a dotfiles folder; files
    // inside an album never are written through one).
    int save(const std::filesystem::path& path, bool followLink = false) const;

    XmlElement* findElement(std::string_view name, bool recursive) const;
    XmlElement* addTopLevelElement(std::string_view name);

    XmlElement* root() const { return root_.get(); }

    // Parses bytes as load does after reading the file.
    int parse(const char* bytes, std::size_t size);

    // True when the last load or parse read every byte without an error and
    // closed every element it opened: a file cut short is not complete.
    bool complete() const { return complete_; }

private:
    std::unique_ptr<XmlElement> root_;
    bool complete_ = false;
};

// Attribute values are written with the characters that would end or break
// them ("\"", "<", the ">" of "/>", and an "&" that starts a reference) as the
// predefined references, and only those five references are decoded on
// reading, so text written by earlier versions reads exactly as before.
std::string escapeAttributeValue(std::string_view value);
std::string decodeAttributeValue(std::string_view value);

// atoi-style reading: leading blanks and a sign, digits up to the first other byte.
int parseIntLikeAtoi(std::string_view text);

}  // namespace quorvane
