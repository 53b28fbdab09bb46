#include "cli/terminal_host.h"

#include <unistd.h>

#include <algorithm>

#include "foundation/escaping.h"

namespace quorvane::cli {

TerminalHost::TerminalHost(std::FILE* out) : out_(out), terminal_(::isatty(fileno(out)) != 0) {}

TerminalHost::~TerminalHost()
{
    clearBar();
}

void TerminalHost::showStateLine(std::string_view line)
{
    clearBar();
    // State lines carry album names and comments.
    std::fprintf(out_, "%s\n", terminalSafe(line).c_str());
    drawBar();
    std::fflush(out_);
}

void TerminalHost::showMessage(std::string_view title, std::string_view text, MessageIcon icon)
{
    if (icon == MessageIcon::Error || icon == MessageIcon::Warning)
        messageShown = true;
    clearBar();
    std::fprintf(out_, "%s: %s\n", terminalSafe(title).c_str(), terminalSafe(text).c_str());
    drawBar();
    std::fflush(out_);
}

void TerminalHost::progress(int done, int total)
{
    done_ = done;
    total_ = total;
    if (!terminal_)
        return;
    clearBar();
    if (total_ > 0 && done_ < total_)
        drawBar();
    std::fflush(out_);
}

void TerminalHost::clearBar()
{
    if (barShown_) {
        std::fputs("\r\033[K", out_);
        barShown_ = false;
    }
}

void TerminalHost::drawBar()
{
    if (!terminal_ || total_ <= 0 || done_ >= total_)
        return;
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(static_cast<long long>(kWidth) * done_ / total_);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kWidth - filled), '.');
    std::fprintf(out_, "[%s] %d/%d", bar.c_str(), done_, total_);
    barShown_ = true;
}

}  // namespace quorvane::cli
