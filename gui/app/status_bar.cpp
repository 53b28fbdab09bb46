#include "gui/app/status_bar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "gui/app/gui_thread.h"
#include "gui/app/icons.h"

namespace quorvane::gui {

namespace {

constexpr int kBusyPartWidth = 110;
constexpr int kIconSize = 16;

QLabel* iconLabel(const QIcon& icon, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(icon.pixmap(kIconSize, kIconSize));
    return label;
}

// One part of the bar: an icon followed by its text.
QWidget* makePart(QLabel* icon, QLabel* text)
{
    auto* part = new QWidget;
    auto* layout = new QHBoxLayout(part);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    layout->addWidget(icon);
    layout->addWidget(text, 1);
    return part;
}

}  // namespace

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), busyIcon_(iconLabel(drawnIcon(IconKind::Idle), this)),
      busyLabel_(new QLabel(QStringLiteral("Idle"), this)),
      stateLabel_(new QLabel(QString::fromLatin1(StatusLog::kInitialLine), this)),
      progressLabel_(new QLabel(this))
{
    setSizeGripEnabled(false);
    QWidget* busyPart = makePart(busyIcon_, busyLabel_);
    busyPart->setFixedWidth(kBusyPartWidth);
    addWidget(busyPart);
    stateLabel_->setMinimumWidth(1);
    stateLabel_->setTextFormat(Qt::PlainText);
    addWidget(makePart(iconLabel(drawnIcon(IconKind::Status), this), stateLabel_), 1);
    progressLabel_->setObjectName(QStringLiteral("progressLabel"));
    progressLabel_->setTextFormat(Qt::PlainText);
    addPermanentWidget(progressLabel_);
    progressLabel_->hide();
}

void StatusBar::showProgress(const QString& text)
{
    progressLabel_->setText(text);
    progressLabel_->setVisible(!text.isEmpty());
}

QString StatusBar::progressText() const
{
    return progressLabel_->text();
}

void StatusBar::showStateLine(std::string_view line)
{
    const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    runOnThreadOf(this, [this, &text] { stateLabel_->setText(text); });
}

void StatusBar::showBusy(bool busy)
{
    runOnThreadOf(this, [this, busy] {
        busyIcon_->setPixmap(
            drawnIcon(busy ? IconKind::Processing : IconKind::Idle).pixmap(kIconSize, kIconSize));
        busyLabel_->setText(busy ? QStringLiteral("Processing") : QStringLiteral("Idle"));
    });
}

QString StatusBar::busyText() const
{
    return busyLabel_->text();
}

QString StatusBar::stateText() const
{
    return stateLabel_->text();
}

}  // namespace quorvane::gui
