#include "foundation/format.h"

#include <cstdarg>
#include <cstdio>

namespace quorvane {

std::string formatTextV(const char* pattern, va_list args)
{
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, pattern, args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), pattern, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

std::string formatText(const char* pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    std::string text = formatTextV(pattern, args);
    va_end(args);
    return text;
}

}  // namespace quorvane
