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

    QString busyText() const;
    QString stateText() const;

private:
    QLabel* busyIcon_;
    QLabel* busyLabel_;
    QLabel* stateLabel_;
};

}  // namespace quorvane::gui
