#pragma once

#include "jobs/job_host.h"

namespace quorvane::gui {

class MainWindow;

// What a job asks of the program, answered by the main window on its own
// thread while the worker waits.
class WindowJobHost final : public JobHost {
public:
    explicit WindowJobHost(MainWindow& window) : window_(window) {}

    bool confirmDiscardComments() override;
    void showMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
    void projectOptionsCommand() override;
    std::optional<std::string> pendingComment() override;
    void albumChanged() override;
    // Posted without waiting: a job reports once per file and need not stop for it.
    void progress(int done, int total) override;
    bool confirm(std::string_view title, std::string_view text) override;
    void transferProgress(int filesDone, int filesTotal, std::uint64_t bytesDone, std::uint64_t bytesTotal) override;
    // A warning box over the window: its state line keeps only the summary.
    void reportFailures(std::string_view title, std::string_view text) override;

private:
    MainWindow& window_;
};

}  // namespace quorvane::gui
