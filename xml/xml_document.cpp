#include "xml/xml_document.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <system_error>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/safe_files.h"
#include "foundation/file_handle.h"

namespace quorvane {

namespace {

// Names in the files are short; longer ones are cut rather than refused so
// that a damaged file still yields the settings it holds.
constexpr std::size_t kMaxReadNameLength = 63;

std::string_view readName(const char* bytes, std::size_t from, std::size_t to)
{
    return std::string_view(bytes + from, std::min(to - from, kMaxReadNameLength));
}

bool readWholeFile(const std::filesystem::path& path, std::vector<char>& bytes)
{
    FileHandle file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    struct stat info {};
    if (fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::size_t step = std::fread(bytes.data() + got, 1, bytes.size() - got, file.get());
        if (step == 0)
            break;
        got += step;
    }
    if (std::ferror(file.get()))
        return false;
    bytes.resize(got);  // the file may have shrunk meanwhile
    return true;
}

// The five predefined references are the only ones the files use.
struct Reference {
    std::string_view text;
    char character;
};
constexpr Reference kReferences[] = {
    {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''},
};

const Reference* referenceAt(std::string_view text, std::size_t at)
{
    for (const Reference& reference : kReferences) {
        if (text.substr(at, reference.text.size()) == reference.text)
            return &reference;
    }
    return nullptr;
}

}  // namespace

std::string escapeAttributeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '"')
            out += "&quot;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>' && i > 0 && value[i - 1] == '/')
            out += "&gt;";  // "/>" would close the element
        else if (c == '&' && referenceAt(value, i))
            out += "&amp;";  // would otherwise be read back as a reference
        else
            out += c;
    }
    return out;
}

std::string decodeAttributeValue(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const Reference* reference = value[i] == '&' ? referenceAt(value, i) : nullptr;
        if (!reference) {
            out += value[i];
            continue;
        }
        out += reference->character;
        i += reference->text.size() - 1;
    }
    return out;
}

int parseIntLikeAtoi(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in unsigned arithmetic so that overlong numbers wrap instead of
    // being undefined.
    unsigned value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<unsigned>(text[i] - '0');
    return static_cast<int>(negative ? 0u - value : value);
}

XmlElement::~XmlElement()
{
    // Files may nest elements arbitrarily deep; tear the subtree down with an
    // explicit work list so that depth never costs stack.
    std::vector<std::unique_ptr<XmlElement>> doomed;
    const auto detachChildren = [&doomed](XmlElement& element) {
        while (XmlElement* child = element.children.first())
            doomed.push_back(element.children.remove(child));
    };
    detachChildren(*this);
    while (!doomed.empty()) {
        std::unique_ptr<XmlElement> element = std::move(doomed.back());
        doomed.pop_back();
        detachChildren(*element);
    }
}

XmlElement* XmlElement::findChild(std::string_view childName, bool recursive) const
{
    if (!recursive) {
        for (XmlElement& child : children) {
            if (child.name == childName)
                return &child;
        }
        return nullptr;
    }
    // Pre-order, depth first, with an explicit stack of the siblings still to visit.
    std::vector<XmlElement*> stack;
    stack.push_back(children.first());
    while (!stack.empty()) {
        XmlElement* element = stack.back();
        stack.pop_back();
        if (!element)
            continue;
        if (element->name == childName)
            return element;
        stack.push_back(List<XmlElement>::next(*element));
        stack.push_back(element->children.first());
    }
    return nullptr;
}

XmlElement* XmlElement::findChildWithAttribute(std::string_view elementName,
                                               std::string_view attributeName,
                                               std::string_view value) const
{
    for (XmlElement& child : children) {
        if (!equalsIgnoringAsciiCase(child.name, elementName))
            continue;
        std::string_view text;
        if (const XmlAttribute* attribute = child.findAttribute(attributeName))
            text = attribute->value;
        // The stored text takes part through a 1024-byte field.
        text = text.substr(0, 1023);
        if (equalsIgnoringAsciiCase(text, value))
            return &child;
    }
    return nullptr;
}

XmlAttribute* XmlElement::findAttribute(std::string_view attributeName) const
{
    for (XmlAttribute& attribute : attributes) {
        if (attribute.name == attributeName)
            return &attribute;
    }
    return nullptr;
}

int XmlElement::getAttribute(std::string_view attributeName, std::string& destination,
                             std::string_view defaultText, std::size_t maxLength) const
{
    const XmlAttribute* attribute = findAttribute(attributeName);
    const std::string_view text = attribute ? std::string_view(attribute->value) : defaultText;
    destination.assign(text.substr(0, maxLength));
    return attribute ? 0 : -1;
}

int XmlElement::getIntAttribute(std::string_view attributeName, int& destination,
                                int defaultValue) const
{
    const XmlAttribute* attribute = findAttribute(attributeName);
    destination = attribute ? parseIntLikeAtoi(attribute->value) : defaultValue;
    return attribute ? 0 : -1;
}

int XmlElement::getHexAttribute(std::string_view attributeName, ChunkBuffer& buffer) const
{
    const XmlAttribute* attribute = findAttribute(attributeName);
    if (!attribute)
        return -1;
    const std::string& hex = attribute->value;
    std::string bytes;
    bytes.reserve(hex.size() / 2 + 1);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigitValue(hex[i]);
        if (high < 0)
            continue;  // never written by us; such a pair gives no byte
        const int low = i + 1 < hex.size() ? hexDigitValue(hex[i + 1]) : -1;
        bytes.push_back(static_cast<char>(low < 0 ? high : high * 16 + low));
    }
    buffer.append(bytes);
    return 0;
}

XmlElement* XmlElement::addChild(std::string_view childName)
{
    return children.append(std::make_unique<XmlElement>(this, childName));
}

XmlAttribute* XmlElement::addAttribute(std::string_view attributeName, std::string_view text)
{
    return attributes.append(std::make_unique<XmlAttribute>(attributeName, text));
}

XmlAttribute* XmlElement::addIntAttribute(std::string_view attributeName, int value)
{
    return addAttribute(attributeName, std::to_string(value));
}

XmlAttribute* XmlElement::addHexAttribute(std::string_view attributeName, const void* bytes,
                                          int length)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(static_cast<std::size_t>(std::max(length, 0)) * 2);
    const auto* from = static_cast<const unsigned char*>(bytes);
    for (int i = 0; i < length; ++i) {
        hex.push_back(kDigits[from[i] >> 4]);
        hex.push_back(kDigits[from[i] & 15]);
    }
    return addAttribute(attributeName, hex);
}

void XmlElement::writeElement(std::string& out, int depth) const
{
    out.append(static_cast<std::size_t>(depth), '\t');
    out += '<';
    out += name;
    for (const XmlAttribute& attribute : attributes) {
        out += ' ';
        out += attribute.name;
        out += "=\"";
        out += escapeAttributeValue(attribute.value);
        out += '"';
    }
    if (children.empty()) {
        out += "/>\n";
        return;
    }
    out += ">\n";
    for (const XmlElement& child : children)
        child.writeElement(out, depth + 1);
    out.append(static_cast<std::size_t>(depth), '\t');
    out += "</";
    out += name;
    out += ">\n";
}

int XmlDocument::load(const std::filesystem::path& path)
{
    std::vector<char> bytes;
    complete_ = false;
    if (!readWholeFile(path, bytes))
        return XmlCannotOpen;
    return parse(bytes.data(), bytes.size());
}

int XmlDocument::parse(const char* bytes, std::size_t size)
{
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    root_ = std::make_unique<XmlElement>(nullptr, "Root");
    complete_ = false;
    XmlElement* current = root_.get();
    std::size_t tagStart = kNone;
    bool closingTag = false;
    std::size_t attributeNameStart = kNone;
    std::unique_ptr<XmlAttribute> pending;
    std::size_t valueStart = kNone;

    const auto closeCurrent = [&] {
        if (current->parent)
            current = current->parent;
    };

    for (std::size_t i = 0; i < size; ++i) {
        switch (bytes[i]) {
        case '<':
            if (i + 1 < size && bytes[i + 1] == '/') {
                closingTag = true;
                ++i;
            }
            tagStart = i + 1;
            attributeNameStart = kNone;
            break;
        case ' ':
            if (valueStart != kNone)
                break;
            if (tagStart != kNone) {
                current = current->addChild(readName(bytes, tagStart, i));
                tagStart = kNone;
            }
            attributeNameStart = i + 1;
            break;
        case '=':
            if (valueStart != kNone)
                break;
            if (attributeNameStart == kNone || pending)
                return XmlSyntaxError;
            pending = std::make_unique<XmlAttribute>(readName(bytes, attributeNameStart, i), "");
            attributeNameStart = kNone;
            break;
        case '"':
            if (!pending)
                return XmlSyntaxError;
            if (valueStart == kNone) {
                valueStart = i + 1;
            } else {
                pending->value = decodeAttributeValue(std::string_view(bytes + valueStart, i - valueStart));
                current->attributes.append(std::move(pending));
                valueStart = kNone;
            }
            break;
        case '>':
            if (tagStart == kNone)
                break;
            if (closingTag) {
                closeCurrent();
                closingTag = false;
            } else {
                current = current->addChild(readName(bytes, tagStart, i));
            }
            tagStart = kNone;
            break;
        case '/':
            if (i + 1 >= size || bytes[i + 1] != '>')
                break;
            if (tagStart != kNone) {
                current->addChild(readName(bytes, tagStart, i));
                tagStart = kNone;
            } else {
                closeCurrent();
            }
            ++i;
            break;
        default:
            break;
        }
    }
    // Elements left open, or a tag or value cut off, mean the file ended early.
    complete_ = current == root_.get() && tagStart == kNone && !pending && valueStart == kNone;
    return XmlOk;
}

int XmlDocument::save(const std::filesystem::path& path, bool followLink) const
{
    if (!root_)
        return XmlNoRoot;

    std::string text;
    for (const XmlElement& child : root_->children)
        child.writeElement(text, 0);

    std::error_code error;
    std::filesystem::path target = path;
    if (followLink && std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::symlink) {
        target = std::filesystem::weakly_canonical(path, error);
        if (error)
            return XmlCannotOpen;
    }

    std::string reason;
    return replaceFileContents(target, text, reason) ? XmlOk : XmlCannotOpen;
}

XmlElement* XmlDocument::findElement(std::string_view elementName, bool recursive) const
{
    return root_ ? root_->findChild(elementName, recursive) : nullptr;
}

XmlElement* XmlDocument::addTopLevelElement(std::string_view elementName)
{
    if (!root_)
        root_ = std::make_unique<XmlElement>(nullptr, "Root");
    return root_->addChild(elementName);
}

}  // namespace quorvane
