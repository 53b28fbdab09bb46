#pragma once

#include <cstdarg>
#include <string>

namespace quorvane {

// printf into a string of the length the text needs; "" when the pattern
// produces nothing.
std::string formatText(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
// The same for callers that take their own arguments; leaves `args` used.
std::string formatTextV(const char* pattern, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace quorvane
