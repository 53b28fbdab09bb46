#pragma once

#include <cstdio>
#include <string>

#include "jobs/job_host.h"
#include "jobs/status_log.h"

namespace quorvane::cli {

// Shows the status on standard error exactly as the desktop program's state
// line would, with a progress bar below it when standard error is a terminal.
// Questions are answered without asking: nobody may be there to answer.
class TerminalHost final : public JobHost, public StatusSink {
public:
    explicit TerminalHost(std::FILE* out = stderr);
    ~TerminalHost() override;

    void showStateLine(std::string_view line) override;
    void showBusy(bool) override {}

    bool confirmDiscardComments() override { return true; }
    void showMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
    void projectOptionsCommand() override { projectOptionsWanted = true; }
    void progress(int done, int total) override;
    void transferProgress(int filesDone, int filesTotal, std::uint64_t bytesDone, std::uint64_t bytesTotal) override;

    // Set when a scan found a project without its options file.
    bool projectOptionsWanted = false;
    // Set when a job showed an error or warning box.
    bool messageShown = false;

private:
    void clearBar();
    void drawBar();

    std::FILE* out_;
    bool terminal_;
    bool barShown_ = false;
    int done_ = 0;
    int total_ = 0;
    // Shown after the bar instead of "done/total".
    std::string label_;
};

}  // namespace quorvane::cli
