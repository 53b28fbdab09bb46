#include "cli/terminal_host.h"

#include <unistd.h>

#include <algorithm>

#include "foundation/escaping.h"
#include "jobs/upload_job.h"

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

void TerminalHost::transferProgress(int filesDone, int filesTotal, std::uint64_t bytesDone, std::uint64_t bytesTotal)
{
    // The bar follows the bytes, counted in KiB so that they fit.
    done_ = static_cast<int>(bytesDone >> 10);
    total_ = std::max(1, static_cast<int>((bytesTotal + 1023) >> 10));
    label_ = std::to_string(filesDone) + "/" + std::to_string(filesTotal) + " files, " + formatByteCount(bytesDone) +
             " of " + formatByteCount(bytesTotal);
    if (!terminal_)
        return;
    clearBar();
    drawBar();
    std::fflush(out_);
}

void TerminalHost::progress(int done, int total)
{
    label_.clear();
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
    if (label_.empty())
        std::fprintf(out_, "[%s] %d/%d", bar.c_str(), done_, total_);
    else
        std::fprintf(out_, "[%s] %s", bar.c_str(), label_.c_str());
    barShown_ = true;
}

}  // namespace quorvane::cli
