#pragma once

#include <QString>

#include "jobs/job_host.h"

class QWidget;

namespace quorvane::gui {

// The message boxes and the folder browser through which the program asks the
// user. The tests put a scripted stand-in in their place.
class Prompts {
public:
    virtual ~Prompts() = default;

    virtual void message(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) = 0;
    // True for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) = 0;
    // The chosen folder, or an empty text when the user cancelled. The browser
    // opens at start when that folder exists.
    virtual QString chooseDirectory(QWidget* parent, const QString& title, const QString& start) = 0;
};

class WidgetPrompts final : public Prompts {
public:
    void message(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) override;
    bool askYesNo(QWidget* parent, const QString& title, const QString& text, MessageIcon icon) override;
    QString chooseDirectory(QWidget* parent, const QString& title, const QString& start) override;
};

// The prompts as the plain message function the windows library takes.
inline auto messageFunction(Prompts& prompts)
{
    return [&prompts](QWidget* parent, const QString& title, const QString& text, MessageIcon icon) {
        prompts.message(parent, title, text, icon);
    };
}

// The prompts' Yes/No question with a warning icon, as the windows library takes it.
inline auto askYesNoFunction(Prompts& prompts)
{
    return [&prompts](QWidget* parent, const QString& title, const QString& text) {
        return prompts.askYesNo(parent, title, text, MessageIcon::Warning);
    };
}

}  // namespace quorvane::gui
