#include "gui/dialogs/global_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/dialogs/dialog_parts.h"
#include "options/project_options.h"

namespace quorvane::gui {

namespace {

QGroupBox* radioGroup(const QString& title, QButtonGroup* group,
                      std::initializer_list<std::tuple<QString, int, const char*>> buttons, int checkedCode)
{
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    for (const auto& [text, code, name] : buttons) {
        auto* button = gui::named(new QRadioButton(text), name);
        group->addButton(button, code);
        layout->addWidget(button);
        // A code without a button here leaves the group unchecked.
        button->setChecked(code == checkedCode);
    }
    layout->addStretch(1);
    return box;
}

QCheckBox* checkBox(const QString& text, const char* name, int checked)
{
    auto* box = gui::named(new QCheckBox(text), name);
    box->setChecked(checked);
    return box;
}

}  // namespace

GlobalOptionsDialog::GlobalOptionsDialog(const GlobalOptions& options, QWidget* parent)
    : QDialog(parent), edited_(options), reduceFilter_(new QButtonGroup(this)),
      magFilter_(new QButtonGroup(this))
{
    setWindowTitle(QStringLiteral("Global options"));

    // The preview calls plain pixel picking, code 0, "None".
    auto* filters = new QGroupBox(QStringLiteral("PREVIEW Window resizing filters"));
    auto* filterRow = new QHBoxLayout(filters);
    filterRow->addWidget(radioGroup(QStringLiteral("Image reduction filter"), reduceFilter_,
                                    {{QStringLiteral("None"), FilterPoint, "reduceNone"},
                                     {QStringLiteral("Box"), FilterBox, "reduceBox"},
                                     {QStringLiteral("Lanczos3"), FilterLanczos3, "reduceLanczos3"}},
                                    options.reduceFilter));
    filterRow->addWidget(radioGroup(QStringLiteral("Image magnification filter"), magFilter_,
                                    {{QStringLiteral("None"), FilterPoint, "magNone"},
                                     {QStringLiteral("Bilinear"), FilterBilinear, "magBilinear"}},
                                    options.magFilter));

    loadThumbnails_ = checkBox(QStringLiteral("Try to load thumbnail instead of full image in preview"),
                               "loadThumbnails", options.loadThumbnails);
    autoSave_ =
        checkBox(QStringLiteral("Enable comments autosaving (every min)"), "autoSave", options.autoSave);
    auto* misc = new QGroupBox(QStringLiteral("Misc Options"));
    auto* miscLayout = new QVBoxLayout(misc);
    miscLayout->addWidget(loadThumbnails_);
    miscLayout->addWidget(autoSave_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filters);
    layout->addWidget(misc);
    layout->addWidget(gui::okCancelButtons(*this));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void GlobalOptionsDialog::accept()
{
    if (reduceFilter_->checkedId() != -1)
        edited_.reduceFilter = reduceFilter_->checkedId();
    if (magFilter_->checkedId() != -1)
        edited_.magFilter = magFilter_->checkedId();
    edited_.loadThumbnails = loadThumbnails_->isChecked();
    edited_.autoSave = autoSave_->isChecked();
    QDialog::accept();
}

bool editGlobalOptions(GlobalOptions& options, QWidget* parent)
{
    GlobalOptionsDialog dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.edited();
    return true;
}

}  // namespace quorvane::gui
