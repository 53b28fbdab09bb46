#include "options/skin_parameter.h"

#include <algorithm>

#include "foundation/ascii.h"
#include "foundation/script_variable.h"
#include "options/project_options.h"

namespace quorvane {

namespace {

constexpr std::size_t kMaxDigits = 9;  // always fits an int
constexpr std::size_t kMaxTextLength = 254;

template <typename Predicate>
bool nonEmptyAndAll(std::string_view value, Predicate predicate)
{
    return !value.empty() && std::all_of(value.begin(), value.end(), predicate);
}

int numberOf(std::string_view digits, int base)
{
    int number = 0;
    for (const char c : digits)
        number = number * base + hexDigitValue(c);
    return number;
}

}  // namespace

std::optional<std::string> setSkinParameter(ScriptVariable& variable, std::string_view value)
{
    switch (variable.type()) {
    case VarInt:
        if (value.size() > kMaxDigits || !nonEmptyAndAll(value, [](char c) { return c >= '0' && c <= '9'; }))
            return variable.name() + " takes digits only";
        variable.setInt(numberOf(value, 10));
        return std::nullopt;
    case VarColor:
        if (value.size() != 6 || !nonEmptyAndAll(value, [](char c) { return hexDigitValue(c) >= 0; }))
            return variable.name() + " takes a colour as six hexadecimal digits (RRGGBB)";
        variable.setInt(numberOf(value, 16));
        return std::nullopt;
    case VarString:
        if (value.size() > kMaxTextLength)
            return variable.name() + " holds at most 254 characters";
        variable.setText(value);
        return std::nullopt;
    default:
        return variable.name() + " cannot be set";
    }
}

}  // namespace quorvane
