#include "jobs/status_log.h"

#include <cstdarg>
#include <string>

#include "foundation/format.h"

namespace quorvane {

std::string_view cutUtf8(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes so that no character is split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

void StatusLog::setSink(StatusSink* sink)
{
    std::lock_guard lock(mutex_);
    sink_ = sink;
}

void StatusLog::postStatus(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string message = formatTextV(format, args);
    va_end(args);
    postText(message);
}

void StatusLog::postText(std::string_view message)
{
    std::string line = "State: ";
    line += message;
    line.resize(cutUtf8(line, kMaxLineLength).size());
    StatusSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        line_ = line;
        sink = sink_;
    }
    // A sink may wait for another thread that posts too, so it runs unlocked.
    if (sink)
        sink->showStateLine(line);
}

void StatusLog::setBusy(bool busy)
{
    StatusSink* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        busy_ = busy;
        sink = sink_;
    }
    if (sink)
        sink->showBusy(busy);
}

std::string StatusLog::stateLine() const
{
    std::lock_guard lock(mutex_);
    return line_;
}

bool StatusLog::busy() const
{
    std::lock_guard lock(mutex_);
    return busy_;
}

}  // namespace quorvane
