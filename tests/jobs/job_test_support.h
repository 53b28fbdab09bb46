#pragma once

#include <string>
#include <vector>

#include "jobs/job_host.h"
#include "jobs/status_log.h"

namespace quorvane::test {

// A host that answers as told and records what the jobs showed.
struct ScriptedHost : JobHost, StatusSink {
    bool confirmDiscardComments() override
    {
        ++discardQuestions;
        return allowDiscard;
    }
    void showMessage(std::string_view title, std::string_view text, MessageIcon) override
    {
        messages.push_back(std::string(title) + "|" + std::string(text));
    }
    void projectOptionsCommand() override { ++optionsCommands; }
    std::optional<std::string> pendingComment() override { return typedComment; }
    void albumChanged() override { ++albumChanges; }
    void progress(int done, int total) override { progressSteps.emplace_back(done, total); }
    void reportFailures(std::string_view title, std::string_view text) override
    {
        failureReports.push_back(std::string(title) + "|" + std::string(text));
    }

    void showStateLine(std::string_view line) override { lines.emplace_back(line); }
    void showBusy(bool busy) override { busyStates.push_back(busy); }

    bool allowDiscard = true;
    int discardQuestions = 0;
    int optionsCommands = 0;
    int albumChanges = 0;
    std::optional<std::string> typedComment;
    std::vector<std::string> messages;
    std::vector<std::string> failureReports;
    std::vector<std::string> lines;
    std::vector<bool> busyStates;
    std::vector<std::pair<int, int>> progressSteps;
};

}  // namespace quorvane::test
