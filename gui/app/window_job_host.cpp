#include "gui/app/window_job_host.h"

#include <QString>

#include "gui/app/gui_thread.h"
#include "gui/app/main_window.h"
#include "gui/app/prompts.h"

namespace quorvane::gui {

namespace {

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

bool WindowJobHost::confirmDiscardComments()
{
    bool goOn = false;
    runOnThreadOf(&window_, [&] { goOn = window_.confirmDiscardComments(); });
    return goOn;
}

void WindowJobHost::showMessage(std::string_view title, std::string_view text, MessageIcon icon)
{
    runOnThreadOf(&window_,
                  [&] { window_.prompts().message(&window_, toQString(title), toQString(text), icon); });
}

void WindowJobHost::projectOptionsCommand()
{
    runOnThreadOf(&window_, [&] { window_.projectOptionsCommand(); });
}

std::optional<std::string> WindowJobHost::pendingComment()
{
    std::optional<std::string> text;
    runOnThreadOf(&window_, [&] { text = window_.pendingComment(); });
    return text;
}

void WindowJobHost::progress(int done, int total)
{
    QMetaObject::invokeMethod(
        &window_, [window = &window_, done, total] { window->jobProgress(done, total); },
        Qt::QueuedConnection);
}

bool WindowJobHost::confirm(std::string_view title, std::string_view text)
{
    bool yes = false;
    runOnThreadOf(&window_, [&] {
        yes = window_.prompts().askYesNo(&window_, toQString(title), toQString(text), MessageIcon::Question);
    });
    return yes;
}

void WindowJobHost::transferProgress(int filesDone, int filesTotal, std::uint64_t bytesDone, std::uint64_t bytesTotal)
{
    QMetaObject::invokeMethod(
        &window_,
        [window = &window_, filesDone, filesTotal, bytesDone, bytesTotal] {
            window->showTransferProgress(filesDone, filesTotal, bytesDone, bytesTotal);
        },
        Qt::QueuedConnection);
}

void WindowJobHost::reportFailures(std::string_view title, std::string_view text)
{
    showMessage(title, text, MessageIcon::Warning);
}

void WindowJobHost::albumChanged()
{
    runOnThreadOf(&window_, [&] { window_.albumChanged(); });
}

}  // namespace quorvane::gui
