#pragma once

#include <QDialog>

class QCheckBox;

namespace quorvane {
class AlbumDirectory;
}  // namespace quorvane

namespace quorvane::gui {

class Prompts;

// The "Clean Project" dialog: deletes the chosen kinds of generated files
// from every directory of the album tree, after a confirmation.
class CleanProjectDialog final : public QDialog {
    Q_OBJECT

public:
    CleanProjectDialog(AlbumDirectory& root, gui::Prompts& prompts, QWidget* parent = nullptr);

    // "GO": asks, deletes and closes; with nothing chosen it only says so.
    void accept() override;

private:
    AlbumDirectory& root_;
    gui::Prompts& prompts_;
    QCheckBox* html_;
    QCheckBox* comments_;
    QCheckBox* thumbnails_;
    QCheckBox* intermediates_;
};

}  // namespace quorvane::gui
