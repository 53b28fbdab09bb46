#include "gui/app/processing_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "gui/dialogs/dialog_units.h"

namespace quorvane::gui {

ProcessingWindow::ProcessingWindow(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar_(new QProgressBar(this)), count_(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Processing"));
    auto* label = new QLabel(QStringLiteral("Processing, please wait"), this);
    label->setAlignment(Qt::AlignCenter);
    label->setObjectName(QStringLiteral("processingText"));
    count_->setAlignment(Qt::AlignCenter);
    count_->setObjectName(QStringLiteral("progressText"));
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(bar_);
    layout->addWidget(count_);
    // The described size is the least; the count and bar need their rows.
    const QSize size = dialogUnits(*this, 187, 14);
    count_->setText(QStringLiteral("0"));
    setFixedSize(size.width(), std::max(size.height(), layout->sizeHint().height()));
    clearProgress();
}

void ProcessingWindow::showProgress(int done, int total, const QString& text)
{
    if (total <= 0) {
        clearProgress();
        return;
    }
    bar_->setRange(0, total);
    bar_->setValue(std::min(done, total));
    bar_->setVisible(true);
    count_->setText(text);
}

void ProcessingWindow::clearProgress()
{
    bar_->setRange(0, 0);
    bar_->setVisible(false);
    count_->clear();
}

QString ProcessingWindow::progressText() const
{
    return count_->text();
}

void ProcessingWindow::closeEvent(QCloseEvent* event)
{
    // The job decides when this window goes away.
    event->ignore();
}

}  // namespace quorvane::gui
