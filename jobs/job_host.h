#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

enum class MessageIcon {
    Information,
    Warning,
    Error,
    Question,
};

// What a job needs from the program that runs it: the desktop program answers
// with dialogs on its window thread, the command line without asking anyone.
// Every call blocks until the host has dealt with it.
class JobHost {
public:
    virtual ~JobHost() = default;

    // True to go on even though comments were edited and not saved.
    virtual bool confirmDiscardComments() = 0;
    virtual void showMessage(std::string_view title, std::string_view text, MessageIcon icon) = 0;
    // The Project Options command, run by the scan job for a project that has
    // no options file yet.
    virtual void projectOptionsCommand() = 0;

    // The comment being typed for the selected node, when the host has an editor.
    virtual std::optional<std::string> pendingComment() { return std::nullopt; }
    // The album tree or the recent roots changed: refresh what shows them.
    virtual void albumChanged() {}
    // Long jobs report how far they are; total is 0 when unknown.
    virtual void progress(int /*done*/, int /*total*/) {}
    // A Yes/No question; hosts that cannot ask answer No.
    virtual bool confirm(std::string_view /*title*/, std::string_view /*text*/) { return false; }
    // Transfers report files and bytes; hosts without a better display show
    // the bytes, in KiB, as progress.
    virtual void transferProgress(int /*filesDone*/, int /*filesTotal*/, std::uint64_t bytesDone,
                                  std::uint64_t bytesTotal)
    {
        progress(static_cast<int>(bytesDone >> 10), static_cast<int>((bytesTotal + 1023) >> 10));
    }
    // A job ended with failures the state line can only sum up: the summary,
    // then one line per failure. Each was posted to the status log already,
    // so only a host whose state line shows one message at a time needs it.
    virtual void reportFailures(std::string_view /*title*/, std::string_view /*text*/) {}
};

}  // namespace quorvane
