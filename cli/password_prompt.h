#pragma once

#include <optional>
#include <string>

namespace quorvane::cli {

// Reads a password from the terminal without echoing it; none when there is
// no terminal to ask.
std::optional<std::string> askPassword(const std::string& prompt);

}  // namespace quorvane::cli
