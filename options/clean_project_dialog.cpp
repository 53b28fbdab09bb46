#include "options/clean_project_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/prompts.h"
#include "options/clean_project.h"

namespace quorvane {

CleanProjectDialog::CleanProjectDialog(AlbumDirectory& root, app::Prompts& prompts, QWidget* parent)
    : QDialog(parent), root_(root), prompts_(prompts)
{
    setWindowTitle(QStringLiteral("Clean Project"));
    const auto checkBox = [](const QString& text, const char* name) {
        auto* box = new QCheckBox(text);
        box->setObjectName(QString::fromLatin1(name));
        return box;
    };
    html_ = checkBox(QStringLiteral("Delete all .html files in current project"), "cleanHtml");
    comments_ = checkBox(QStringLiteral("Delete all comments files (Comments.xml)"), "cleanComments");
    thumbnails_ = checkBox(
        QStringLiteral("Delete all thm_*.jpg files found in current project (thumbnails pictures)"),
        "cleanThumbnails");
    intermediates_ = checkBox(
        QStringLiteral("Delete all inter_*.jpg files found in current project (intermediate pictures)"),
        "cleanIntermediates");

    auto* items = new QGroupBox(QStringLiteral("Items to clean"));
    auto* itemsLayout = new QVBoxLayout(items);
    for (QCheckBox* box : {html_, comments_, thumbnails_, intermediates_})
        itemsLayout->addWidget(box);

    auto* warning = new QLabel(QStringLiteral(
        "Warning: Skins can create additional folders and files which can't be deleted by this process."));
    warning->setWordWrap(true);

    auto* buttons = new QDialogButtonBox;
    QPushButton* goButton = buttons->addButton(QStringLiteral("GO"), QDialogButtonBox::AcceptRole);
    goButton->setObjectName(QStringLiteral("goButton"));
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CleanProjectDialog::go);
    connect(buttons, &QDialogButtonBox::rejected, this, &CleanProjectDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(items);
    layout->addWidget(warning);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CleanProjectDialog::go()
{
    CleanSelection selection;
    selection.html = html_->isChecked();
    selection.comments = comments_->isChecked();
    selection.thumbnails = thumbnails_->isChecked();
    selection.intermediates = intermediates_->isChecked();
    if (!selection.any()) {
        prompts_.message(this, QStringLiteral("Warning"), QStringLiteral("Nothing to clean"), MessageIcon::Warning);
        return;
    }
    if (!prompts_.askYesNo(this, QStringLiteral("Warning, destructive process"),
                           QStringLiteral("This process will permanently erase some files.\n"
                                          "Are you really sure you want to continue ?"),
                           MessageIcon::Warning))
        return;
    cleanDirectoryTree(root_, selection);
    prompts_.message(this, QStringLiteral("Information"), QStringLiteral("Complete"), MessageIcon::Information);
    accept();
}

}  // namespace quorvane
