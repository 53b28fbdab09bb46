#include "foundation/escaping.h"

namespace quorvane {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHexByte(std::string& out, const char* prefix, unsigned char byte, bool lower)
{
    out += prefix;
    const char high = kHexDigits[byte >> 4];
    const char low = kHexDigits[byte & 0x0F];
    out += lower && high > '9' ? static_cast<char>(high - 'A' + 'a') : high;
    out += lower && low > '9' ? static_cast<char>(low - 'A' + 'a') : low;
}

bool isUnreserved(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

}  // namespace

void appendHtmlEscaped(std::string& out, std::string_view text)
{
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
}

void appendUrlEncoded(std::string& out, std::string_view text, bool keepSlash)
{
    for (const char c : text) {
        if (isUnreserved(c) || (keepSlash && c == '/'))
            out += c;
        else
            appendHexByte(out, "%", static_cast<unsigned char>(c), false);
    }
}

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned int minimum = 0;
    unsigned int code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if ((byte & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    // U+0080..U+009F: terminals may take these for C1 controls (CSI...).
    return code <= 0x9F ? 0 : length;
}

std::string terminalSafe(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += text[at++];
            continue;
        }
        const std::size_t length = byte >= 0x80 ? utf8SequenceLength(text, at) : 0;
        if (length > 0) {
            out.append(text.substr(at, length));
            at += length;
        } else {
            appendHexByte(out, "\\x", byte, true);
            ++at;
        }
    }
    return out;
}

}  // namespace quorvane
