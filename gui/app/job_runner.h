#pragma once

#include <functional>
#include <memory>

class QObject;
class QThread;

namespace quorvane::gui {

// Runs one job at a time on a worker thread.
class JobRunner {
public:
    JobRunner();
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Starts the work on a fresh thread once the previous one has ended;
    // `ended` then runs on the receiver's thread.
    void start(std::function<void()> work, QObject* receiver, std::function<void()> ended);
    // True from start until the work has returned.
    bool running() const;
    // Waits for the worker while serving the calls it makes into the window
    // thread, so a worker waiting for the window cannot hang the wait.
    void waitForEnd();

private:
    std::unique_ptr<QThread> thread_;
};

}  // namespace quorvane::gui
