#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Writes every byte for which escaped answers true as "%XX" (uppercase hex).
template <typename Predicate>
std::string percentEncode(std::string_view text, Predicate escaped)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (escaped(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// Turns every "%XX" back into its byte; a "%" not followed by two hex digits stays.
std::string percentDecode(std::string_view text);

}  // namespace quorvane
