#include "gui/app/prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace quorvane::gui {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void WidgetPrompts::message(QWidget* parent, const QString& title, const QString& text, MessageIcon icon)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool WidgetPrompts::askYesNo(QWidget* parent, const QString& title, const QString& text, MessageIcon icon)
{
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString WidgetPrompts::chooseDirectory(QWidget* parent, const QString& title, const QString& start)
{
    // Qt hands this to the desktop's own folder chooser (through its portal
    // or platform theme) wherever one is available.
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

}  // namespace quorvane::gui
