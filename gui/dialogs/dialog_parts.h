#pragma once

#include <QLatin1String>
#include <QString>

class QDialog;
class QDialogButtonBox;

namespace quorvane::gui {

// Gives a widget or action the name it is found by.
template <typename Object>
Object* named(Object* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

// The confirming button ("okButton") and "Cancel" ("cancelButton"), wired to
// the dialog's accept and reject.
QDialogButtonBox* okCancelButtons(QDialog& dialog, const QString& okText = QStringLiteral("OK"));

}  // namespace quorvane::gui
