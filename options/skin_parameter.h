#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class ScriptVariable;

// Stores a value typed for a skin parameter, or refuses it without changing
// the parameter: a number takes 1 to 9 digits, a colour six hexadecimal
// digits (RRGGBB), a text at most 254 bytes that the settings file can hold.
// The refusal names the parameter; nothing when the value was stored.
std::optional<std::string> setSkinParameter(ScriptVariable& variable, std::string_view value);

}  // namespace quorvane
