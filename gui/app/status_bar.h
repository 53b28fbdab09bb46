#pragma once

#include <QStatusBar>

#include "jobs/status_log.h"

class QLabel;

namespace quorvane::gui {

// The two-part status bar: the busy indicator ("Idle" or "Processing") and the
// state line with the latest message. Worker threads may post to it; they wait
// until the window thread has shown their text.
class StatusBar final : public QStatusBar, public StatusSink {
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent = nullptr);

    void showStateLine(std::string_view line) override;
    void showBusy(bool busy) override;

    // How far the running job is ("12 of 340 (3%), about 2 min left"); an
    // empty text hides it.
    void showProgress(const QString& text);

    QString busyText() const;
    QString stateText() const;
    QString progressText() const;

private:
    QLabel* busyIcon_;
    QLabel* busyLabel_;
    QLabel* stateLabel_;
    QLabel* progressLabel_;
};

}  // namespace quorvane::gui
