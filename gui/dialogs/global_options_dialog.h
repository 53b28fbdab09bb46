#pragma once

#include <QDialog>

#include "options/global_options.h"

class QButtonGroup;
class QCheckBox;

namespace quorvane::gui {

// The "Global options" dialog: preview filters, thumbnail preference and
// comment autosaving. It edits a copy taken back by the caller on OK.
class GlobalOptionsDialog final : public QDialog {
    Q_OBJECT

public:
    explicit GlobalOptionsDialog(const GlobalOptions& options, QWidget* parent = nullptr);

    const GlobalOptions& edited() const { return edited_; }

    void accept() override;

private:
    GlobalOptions edited_;
    QButtonGroup* reduceFilter_;
    QButtonGroup* magFilter_;
    QCheckBox* loadThumbnails_;
    QCheckBox* autoSave_;
};

// Runs the dialog over parent; on OK the record takes the new values (they
// reach the file when the program quits). True for OK.
bool editGlobalOptions(GlobalOptions& options, QWidget* parent);

}  // namespace quorvane::gui
