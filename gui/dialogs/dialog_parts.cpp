#include "gui/dialogs/dialog_parts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace quorvane::gui {

QDialogButtonBox* okCancelButtons(QDialog& dialog, const QString& okText)
{
    auto* buttons = new QDialogButtonBox;
    named(buttons->addButton(okText, QDialogButtonBox::AcceptRole), "okButton");
    named(buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole), "cancelButton");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

}  // namespace quorvane::gui
