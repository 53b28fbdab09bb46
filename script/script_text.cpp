#include "script/script_text.h"

#include <climits>
#include <cstdint>

namespace quorvane {

namespace {

constexpr bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading white space and an optional sign; answers whether the sign was '-'.
bool skipSpaceAndSign(std::string_view& text)
{
    std::size_t at = 0;
    while (at < text.size() && isSpace(text[at]))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    text.remove_prefix(at);
    return negative;
}

}  // namespace

std::string_view skipBlanks(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return text.substr(at);
}

bool splitAtBlank(std::string_view text, std::string_view& word, std::string_view& rest)
{
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (isBlank(text[at])) {
            word = text.substr(0, at);
            rest = text.substr(at);
            return true;
        }
    }
    return false;
}

int scanHex(std::string_view text)
{
    const bool negative = skipSpaceAndSign(text);
    if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
        hexDigitValue(text[2]) >= 0)
        text.remove_prefix(2);
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = hexDigitValue(c);
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    if (negative)
        value = 0u - value;
    return static_cast<int>(value);
}

int leadingDigits(std::string_view text)
{
    std::int64_t value = 0;
    for (char c : text) {
        if (!isDigit(c))
            break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            value = INT_MAX;
    }
    return static_cast<int>(value);
}

}  // namespace quorvane
