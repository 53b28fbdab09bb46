#pragma once

#include <utility>

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace quorvane::gui {

// Runs work on the thread that owns context and returns when it is done, as a
// worker's window changes must be: synchronous, and only on the window thread.
template <typename Work>
void runOnThreadOf(QObject* context, Work&& work)
{
    if (QThread::currentThread() == context->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(context, std::forward<Work>(work), Qt::BlockingQueuedConnection);
}

}  // namespace quorvane::gui
