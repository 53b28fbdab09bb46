#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

namespace quorvane {

// Where the status texts end up: the desktop program's status bar or the
// command line's standard error. Called with the full line ("State: ...").
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void showStateLine(std::string_view line) = 0;
    virtual void showBusy(bool busy) = 0;
};

// The two-part status: a busy indicator and a state line that always holds
// the latest message. Safe to post from a worker thread.
class StatusLog {
public:
    static constexpr std::size_t kMaxLineLength = 255;
    static constexpr char kInitialLine[] = "Status: N/A";

    explicit StatusLog(StatusSink* sink = nullptr) : sink_(sink) {}

    void setSink(StatusSink* sink);

    void postStatus(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void postText(std::string_view message);
    void setBusy(bool busy);

    std::string stateLine() const;
    bool busy() const;

    // Set by a job when its work is done; the front end clears it and closes
    // its "Processing" state.
    std::atomic<bool> jobDone{false};

private:
    mutable std::mutex mutex_;
    StatusSink* sink_;
    std::string line_ = kInitialLine;
    bool busy_ = false;
};

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace quorvane
