#pragma once

#include <QWidget>

namespace quorvane::gui {

// The small "Processing" window shown over the disabled main window while a
// job runs. It has no controls and cannot be closed by the user.
class ProcessingWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ProcessingWindow(QWidget* owner);

protected:
    void closeEvent(QCloseEvent* event) override;
};

}  // namespace quorvane::gui
