#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace quorvane::gui {

// The small "Processing" window shown over the disabled main window while a
// job runs: how far the job is, when it says so. It cannot be closed by the
// user.
class ProcessingWindow final : public QWidget {
    Q_OBJECT

public:
    explicit ProcessingWindow(QWidget* owner);

    // total 0 hides the bar and the count (a job that does not count).
    void showProgress(int done, int total, const QString& text);
    void clearProgress();
    QString progressText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* bar_;
    QLabel* count_;
};

}  // namespace quorvane::gui
