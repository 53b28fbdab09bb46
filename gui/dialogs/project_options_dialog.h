#pragma once

#include <QDialog>

#include "options/project_options.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace quorvane::gui {

class Prompts;

// The "Project Options" dialog. It edits a copy of the record; the caller
// takes the copy back when the dialog ends with OK.
class ProjectOptionsDialog final : public QDialog {
    Q_OBJECT

public:
    // The options' skinList fills the skin list.
    ProjectOptionsDialog(const ProjectOptions& options, gui::Prompts& prompts, QWidget* parent = nullptr);

    // The record with the user's choices once the dialog was accepted.
    const ProjectOptions& edited() const { return edited_; }
    ProjectOptions& edited() { return edited_; }

    // OK: checks the destination choices, then stores every control.
    void accept() override;
    // Cancel: a project that never had options asks first.
    void reject() override;

signals:
    // "Adjust skin parameters" for the skin selected in the list.
    void skinParametersRequested(const QString& skinName);

private:
    QWidget* buildPagePart();
    QWidget* buildFtpPart();
    QWidget* buildImagePart();
    QWidget* buildFilterParts();
    QLineEdit* numberEdit(const char* name);

    void showRecord(const ProjectOptions& options);
    // Refuses sizes outside the limits a settings file is held to, naming
    // the field and its range; true when every size is allowed.
    bool checkSizes();
    bool checkDestination();
    void storeControls();
    void applyEnablingRule();
    void showDerivedSize();
    void browseDestination();

    ProjectOptions edited_;
    gui::Prompts& prompts_;

    QComboBox* skinCombo_;
    QCheckBox* parseExif_;
    QCheckBox* intermediateActive_;
    QCheckBox* useDestPath_;
    QCheckBox* copySource_;
    QCheckBox* exifOrientation_;
    QCheckBox* todaysFormats_;
    QCheckBox* highDensity_;
    QCheckBox* movieWebCopies_;
    QLineEdit* movieWebCopySize_;
    QCheckBox* fastDecoding_;
    QLineEdit* pictureBackground_;
    QLineEdit* outputFolder_;
    QWidget* browseButton_;
    QComboBox* sortCombo_;
    QLineEdit* ftpServer_;
    QLineEdit* ftpPort_;
    QLineEdit* ftpLogin_;
    QLineEdit* ftpPassword_;
    QLineEdit* ftpPath_;
    QCheckBox* ftpAllowPlain_;
    QLineEdit* thumbWidth_;
    QLineEdit* thumbHeight_;
    QLineEdit* dirImgWidth_;
    QLineEdit* dirImgHeight_;
    QLineEdit* dirThumbsX_;
    QLineEdit* dirThumbsY_;
    QLineEdit* derivedSize_;
    QLineEdit* intermediateWidth_;
    QLineEdit* intermediateHeight_;
    QButtonGroup* reduceFilter_;
    QButtonGroup* magFilter_;
};

// Lists the installed skins into the record, runs the dialog over parent and
// stores the result on OK (the record is then marked loaded). True for OK.
bool editProjectOptions(ProjectOptions& options, gui::Prompts& prompts, QWidget* parent);

}  // namespace quorvane::gui
