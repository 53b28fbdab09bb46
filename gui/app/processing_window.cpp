#include "gui/app/processing_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/dialogs/dialog_units.h"

namespace quorvane::gui {

ProcessingWindow::ProcessingWindow(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("Processing"));
    auto* label = new QLabel(QStringLiteral("Processing, please wait"), this);
    label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    const QSize size = dialogUnits(*this, 187, 14);
    setFixedSize(size.width(), std::max(size.height(), layout->sizeHint().height()));
}

void ProcessingWindow::closeEvent(QCloseEvent* event)
{
    // The job decides when this window goes away.
    event->ignore();
}

}  // namespace quorvane::gui
