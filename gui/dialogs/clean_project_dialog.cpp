#include "gui/dialogs/clean_project_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/dialogs/dialog_parts.h"
#include "gui/app/prompts.h"
#include "jobs/clean_project.h"

namespace quorvane::gui {

CleanProjectDialog::CleanProjectDialog(AlbumDirectory& root, gui::Prompts& prompts, QWidget* parent)
    : QDialog(parent), root_(root), prompts_(prompts)
{
    setWindowTitle(QStringLiteral("Clean Project"));
    using gui::named;
    html_ = named(new QCheckBox(QStringLiteral("Delete all .html files in current project")), "cleanHtml");
    comments_ =
        named(new QCheckBox(QStringLiteral("Delete all comments files (Comments.xml)")), "cleanComments");
    thumbnails_ = named(new QCheckBox(QStringLiteral(
                            "Delete all thm_*.jpg files found in current project (thumbnails pictures)")),
                        "cleanThumbnails");
    intermediates_ =
        named(new QCheckBox(QStringLiteral(
                  "Delete all inter_*.jpg files found in current project (intermediate pictures)")),
              "cleanIntermediates");

    auto* items = new QGroupBox(QStringLiteral("Items to clean"));
    auto* itemsLayout = new QVBoxLayout(items);
    for (QCheckBox* box : {html_, comments_, thumbnails_, intermediates_})
        itemsLayout->addWidget(box);

    auto* warning = new QLabel(QStringLiteral(
        "Warning: Skins can create additional folders and files which can't be deleted by this process."));
    warning->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(items);
    layout->addWidget(warning);
    layout->addWidget(gui::okCancelButtons(*this, QStringLiteral("GO")));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CleanProjectDialog::accept()
{
    CleanSelection selection;
    selection.html = html_->isChecked();
    selection.comments = comments_->isChecked();
    selection.thumbnails = thumbnails_->isChecked();
    selection.intermediates = intermediates_->isChecked();
    if (!selection.any()) {
        prompts_.message(this, QStringLiteral("Warning"), QStringLiteral("Nothing to clean"),
                         MessageIcon::Warning);
        return;
    }
    if (!prompts_.askYesNo(this, QStringLiteral("Warning, destructive process"),
                           QStringLiteral("This process will permanently erase some files.\n"
                                          "Are you really sure you want to continue ?"),
                           MessageIcon::Warning))
        return;
    runCleanJob(root_, selection);
    prompts_.message(this, QStringLiteral("Information"), QStringLiteral("Complete"),
                     MessageIcon::Information);
    QDialog::accept();
}

}  // namespace quorvane::gui
