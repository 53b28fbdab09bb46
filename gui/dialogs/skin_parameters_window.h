#pragma once

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "jobs/job_host.h"
#include "foundation/script_variable.h"

class QLineEdit;
class QPushButton;

namespace quorvane {
class ProjectOptions;
}  // namespace quorvane

namespace quorvane::gui {

// How the window tells the user something: the program's message boxes, a
// recorder in the tests.
using ShowMessage =
    std::function<void(QWidget* parent, const QString& title, const QString& text, MessageIcon icon)>;

// How the window asks before it throws something away: true for Yes.
using AskYesNo = std::function<bool(QWidget* parent, const QString& title, const QString& text)>;

// The "Skin Parameters" window: one row per stored skin parameter, with a
// label and an edit for numbers and texts or a button that opens the colour
// editor for colours. Edits count on "Ok" or the close box; "Default"
// forgets every stored value once the user confirms it.
class SkinParametersWindow final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 21;
    static constexpr int kColumnWidth = 150;
    // Longest text an edit hands back.
    static constexpr std::size_t kMaxValueLength = 254;

    SkinParametersWindow(VariableList& variables, std::filesystem::path helpPath,
                         ShowMessage showMessage, QWidget* owner = nullptr);

    // Without one, "Default" asks with a plain message box.
    void setAskYesNo(AskYesNo ask) { askYesNo_ = std::move(ask); }

    // "Ok" and the close box.
    void applyAndClose();
    // "Default".
    void restoreDefaults();
    // "Skin variables Help".
    void showHelp();

protected:
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Binding {
        QLineEdit* edit;
        ScriptVariable* variable;
    };

    void addRow(ScriptVariable& variable, int row);
    QPushButton* addButton(const QString& text, const char* name, int x, int y, int width);
    void editColorOf(ScriptVariable& variable, QPushButton* button);

    VariableList& variables_;
    std::filesystem::path helpPath_;
    ShowMessage showMessage_;
    AskYesNo askYesNo_;
    std::vector<Binding> bindings_;
};

// Brings the project's stored parameters in line with what the skin
// declares, then runs the window over owner until it closes. A script that
// does not parse is reported and no window opens.
void editSkinParameters(ProjectOptions& options, std::string_view skinName, QWidget* owner,
                        const ShowMessage& showMessage, const AskYesNo& askYesNo = {});

}  // namespace quorvane::gui
