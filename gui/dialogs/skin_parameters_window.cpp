#include "gui/dialogs/skin_parameters_window.h"

#include <QMessageBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <memory>
#include <string>
#include <vector>

#include "gui/dialogs/rich_text_dialog.h"
#include "foundation/chunk_buffer.h"
#include "jobs/status_log.h"
#include "gui/dialogs/color_editor_dialog.h"
#include "options/project_options.h"
#include "options/skin_parameter.h"
#include "script/script_text.h"
#include "script/skins.h"

namespace quorvane::gui {

namespace {

// An edit takes this many characters, of which kMaxValueLength count.
constexpr int kEditCapacity = 256;

QString colorButtonStyle(int color)
{
    return QStringLiteral("QPushButton { background-color: %1; border: 1px solid gray; }")
        .arg(QColor::fromRgb(static_cast<QRgb>(color) & 0xFFFFFFu).name());
}

// Lucida Console where it is installed, else the system's fixed-width font:
// font matching would otherwise settle for any proportional face.
QFont windowFont()
{
    QFont font(QStringLiteral("Lucida Console"));
    if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) != 0)
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    return font;
}

}  // namespace

SkinParametersWindow::SkinParametersWindow(VariableList& variables, std::filesystem::path helpPath,
                                           ShowMessage showMessage, QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      variables_(variables),
      helpPath_(std::move(helpPath)),
      showMessage_(std::move(showMessage))
{
    setWindowTitle(QStringLiteral("Skin Parameters"));
    setWindowModality(Qt::WindowModal);
    setFont(windowFont());

    int row = 0;
    for (ScriptVariable& variable : variables_)
        addRow(variable, row++);
    const int buttonsTop = kRowHeight * row;
    QPushButton* help = addButton(QStringLiteral("Skin variables Help"), "helpButton", 0, buttonsTop,
                                  kColumnWidth);
    QPushButton* defaults = addButton(QStringLiteral("Default"), "defaultButton", kColumnWidth,
                                      buttonsTop, kColumnWidth);
    QPushButton* ok = addButton(QStringLiteral("Ok"), "okButton", 0, buttonsTop + kRowHeight,
                                2 * kColumnWidth);
    connect(help, &QPushButton::clicked, this, &SkinParametersWindow::showHelp);
    connect(defaults, &QPushButton::clicked, this, &SkinParametersWindow::restoreDefaults);
    connect(ok, &QPushButton::clicked, this, &SkinParametersWindow::applyAndClose);

    setFixedSize(2 * kColumnWidth, kRowHeight * row + 3 * kRowHeight);
    if (owner)
        move(owner->frameGeometry().topLeft() + QPoint(20, 20));
}

void SkinParametersWindow::addRow(ScriptVariable& variable, int row)
{
    const int top = kRowHeight * row;
    const QString name = QString::fromStdString(variable.name());
    auto* label = new QLabel(name, this);
    label->setObjectName(QStringLiteral("label_") + name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setGeometry(0, top, kColumnWidth, kRowHeight);

    if (variable.type() == VarColor) {
        auto* button = new QPushButton(this);
        button->setObjectName(name);
        button->setAccessibleName(QStringLiteral("Test"));
        button->setAutoDefault(false);
        button->setStyleSheet(colorButtonStyle(variable.intValue()));
        button->setGeometry(kColumnWidth, top, kColumnWidth, kRowHeight);
        connect(button, &QPushButton::clicked, this,
                [this, &variable, button] { editColorOf(variable, button); });
        return;
    }
    if (variable.type() != VarInt && variable.type() != VarString)
        return;
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignCenter);
    edit->setMaxLength(kEditCapacity);
    if (variable.type() == VarInt) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->setText(QString::number(variable.intValue()));
    } else {
        edit->setText(QString::fromStdString(std::string(variable.text())));
    }
    edit->setGeometry(kColumnWidth, top, kColumnWidth, kRowHeight);
    bindings_.push_back({edit, &variable});
}

QPushButton* SkinParametersWindow::addButton(const QString& text, const char* name, int x, int y,
                                             int width)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    button->setGeometry(x, y, width, kRowHeight);
    return button;
}

void SkinParametersWindow::editColorOf(ScriptVariable& variable, QPushButton* button)
{
    editColor(variable, this);
    button->setStyleSheet(colorButtonStyle(variable.intValue()));
}

void SkinParametersWindow::applyAndClose()
{
    // Every value is tried on a copy first, so a refused one leaves them all
    // as they were and the window open to mend it.
    std::vector<std::string> values;
    for (const Binding& binding : bindings_) {
        const std::string typed = binding.edit->text().toStdString();
        values.emplace_back(cutUtf8(typed, kMaxValueLength));
        const std::unique_ptr<ScriptVariable> trial = binding.variable->copyVariable();
        if (const auto problem = setSkinParameter(*trial, values.back())) {
            showMessage_(this, QStringLiteral("Error"), QString::fromStdString(*problem), MessageIcon::Error);
            binding.edit->setFocus();
            return;
        }
    }
    for (std::size_t i = 0; i < bindings_.size(); ++i)
        setSkinParameter(*bindings_[i].variable, values[i]);
    bindings_.clear();
    done(Accepted);
}

void SkinParametersWindow::restoreDefaults()
{
    const QString title = QStringLiteral("Skin Parameters");
    const QString question = QStringLiteral("Discard every value set for this skin and use the skin's own "
                                            "defaults?");
    const bool discard = askYesNo_ ? askYesNo_(this, title, question)
                                   : QMessageBox::question(this, title, question) == QMessageBox::Yes;
    if (!discard)
        return;
    // The next generation and the next opening use the scripts' defaults.
    bindings_.clear();
    variables_.clear();
    done(Rejected);
}

void SkinParametersWindow::showHelp()
{
    ChunkBuffer help;
    if (!help.loadFile(helpPath_)) {
        showMessage_(this, QStringLiteral("Error"), QStringLiteral("No help found for this skin"),
                     MessageIcon::Warning);
        return;
    }
    const char* bytes = help.data();
    gui::showRichText(this, QStringLiteral("Skin help"),
                      std::string_view(bytes ? bytes : "", static_cast<std::size_t>(help.length())));
}

void SkinParametersWindow::reject()
{
    applyAndClose();
}

void SkinParametersWindow::keyPressEvent(QKeyEvent* event)
{
    // A tool window, not a dialog: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

void editSkinParameters(ProjectOptions& options, std::string_view skinName, QWidget* owner,
                        const ShowMessage& showMessage, const AskYesNo& askYesNo)
{
    const std::filesystem::path skins = skinsFolder(skinName);
    const SkinPrefsResult reconciled = reconcileSkinPrefs(options, skins, skinName);
    if (!reconciled.ok) {
        showMessage(owner, QStringLiteral("Parser error"), QString::fromStdString(reconciled.message),
                    MessageIcon::Error);
        return;
    }
    SkinParametersWindow window(options.skinPrefs, skins / skinName / kSkinHelpName, showMessage,
                                owner);
    window.setAskYesNo(askYesNo);
    window.exec();
}

}  // namespace quorvane::gui
