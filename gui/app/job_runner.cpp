#include "gui/app/job_runner.h"

#include <QCoreApplication>
#include <QThread>

namespace quorvane::gui {

JobRunner::JobRunner() = default;

JobRunner::~JobRunner()
{
    waitForEnd();
}

void JobRunner::start(std::function<void()> work, QObject* receiver, std::function<void()> ended)
{
    waitForEnd();
    thread_.reset(QThread::create(std::move(work)));
    QObject::connect(thread_.get(), &QThread::finished, receiver, std::move(ended));
    thread_->start();
}

bool JobRunner::running() const
{
    return thread_ && !thread_->isFinished();
}

void JobRunner::waitForEnd()
{
    while (thread_ && !thread_->wait(10))
        QCoreApplication::processEvents();
}

}  // namespace quorvane::gui
