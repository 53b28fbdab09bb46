#pragma once

#include <string_view>

#include "foundation/ascii.h"

namespace quorvane {

// Small text readers shared by the commands' parse and execute.

// The separators between a command's arguments.
constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Drops leading spaces and tabs.
std::string_view skipBlanks(std::string_view text);

// Splits off the text before the first space or tab; false when there is none.
bool splitAtBlank(std::string_view text, std::string_view& word, std::string_view& rest);

// "%x"-style: leading white space, an optional sign and "0x", hexadecimal
// digits of either case; 0 without digits. Wraps to 32 bits like the stored
// colour cell.
int scanHex(std::string_view text);

// The number formed by the leading decimal digits (no sign, no white space);
// saturates at the largest int.
int leadingDigits(std::string_view text);

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace quorvane
