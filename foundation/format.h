#pragma once

#include <string>

namespace quorvane {

// printf into a string of the length the text needs; "" when the pattern
// produces nothing.
std::string formatText(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quorvane
