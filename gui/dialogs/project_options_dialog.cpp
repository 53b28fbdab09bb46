#include "gui/dialogs/project_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "gui/dialogs/dialog_parts.h"
#include "gui/app/prompts.h"
#include "gui/dialogs/skin_parameters_window.h"
#include "script/skins.h"

namespace quorvane::gui {

namespace {

constexpr std::array<const char*, 4> kSortMethodTexts = {
    "Hard drive order",
    "Number inside the filename",
    "Whole filename",
    "Exif shot time information (slower scan)",
};

// Unsigned reading of a digits-only edit; empty or unreadable text gives 0.
std::uint32_t readNumber(const QLineEdit* edit)
{
    bool ok = false;
    const uint value = edit->text().toUInt(&ok);
    return ok ? value : 0;
}

void showNumber(QLineEdit* edit, int value)
{
    edit->setText(QString::number(static_cast<std::uint32_t>(value)));
}

std::string textOf(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

void checkButton(QButtonGroup* group, int id)
{
    // A code the group does not offer leaves every button unchecked.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(group->id(button) == id);
    group->setExclusive(true);
}

QRadioButton* addRadio(QButtonGroup* group, QVBoxLayout* layout, const QString& text, int code,
                       const char* name)
{
    auto* button = gui::named(new QRadioButton(text), name);
    group->addButton(button, code);
    layout->addWidget(button);
    return button;
}

}  // namespace

ProjectOptionsDialog::ProjectOptionsDialog(const ProjectOptions& options, gui::Prompts& prompts,
                                           QWidget* parent)
    : QDialog(parent), edited_(options), prompts_(prompts)
{
    setWindowTitle(QStringLiteral("Project Options"));

    auto* columns = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildPagePart());
    left->addWidget(buildFtpPart());
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(buildImagePart());
    right->addWidget(buildFilterParts());
    right->addStretch(1);
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    QDialogButtonBox* buttons = gui::okCancelButtons(*this);
    QPushButton* defaults = gui::named(
        buttons->addButton(QStringLiteral("Defaults"), QDialogButtonBox::ResetRole), "defaultsButton");
    connect(defaults, &QPushButton::clicked, this, [this] {
        ProjectOptions fresh;
        fresh.skinList = edited_.skinList;
        showRecord(fresh);
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(intermediateActive_, &QCheckBox::toggled, this, &ProjectOptionsDialog::applyEnablingRule);
    connect(useDestPath_, &QCheckBox::toggled, this, &ProjectOptionsDialog::applyEnablingRule);
    for (QLineEdit* edit : {dirImgWidth_, dirImgHeight_, dirThumbsX_, dirThumbsY_})
        connect(edit, &QLineEdit::textChanged, this, &ProjectOptionsDialog::showDerivedSize);

    showRecord(edited_);
}

QLineEdit* ProjectOptionsDialog::numberEdit(const char* name)
{
    auto* edit = gui::named(new QLineEdit, name);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaxLength(10);
    return edit;
}

QWidget* ProjectOptionsDialog::buildPagePart()
{
    using gui::named;
    skinCombo_ = named(new QComboBox, "skinCombo");
    for (const std::string& skin : edited_.skinList)
        skinCombo_->addItem(QString::fromStdString(skin));
    auto* skinParameters =
        named(new QPushButton(QStringLiteral("Adjust skin parameters")), "skinParametersButton");
    skinParameters->setAutoDefault(false);
    connect(skinParameters, &QPushButton::clicked, this,
            [this] { emit skinParametersRequested(skinCombo_->currentText()); });

    parseExif_ =
        named(new QCheckBox(QStringLiteral("Parse EXIF data (HTML generation is slower when activated)")),
              "parseExif");
    intermediateActive_ =
        named(new QCheckBox(QStringLiteral("Generate intermediate size images")), "intermediateActive");
    useDestPath_ = named(
        new QCheckBox(QStringLiteral("Use a destination folder rather than generating in source folder")),
        "useDestPath");
    copySource_ =
        named(new QCheckBox(QStringLiteral("Copy source images to destination folder")), "copySource");

    outputFolder_ = named(new QLineEdit, "outputFolder");
    outputFolder_->setMaxLength(static_cast<int>(kPathFieldLength));
    auto* browse = named(new QPushButton(QStringLiteral("...")), "browseDestinationButton");
    browse->setAutoDefault(false);
    browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    browseButton_ = browse;
    connect(browse, &QPushButton::clicked, this, &ProjectOptionsDialog::browseDestination);

    sortCombo_ = named(new QComboBox, "sortCombo");
    for (const char* text : kSortMethodTexts)
        sortCombo_->addItem(QString::fromLatin1(text));

    auto* skinRow = new QHBoxLayout;
    skinRow->addWidget(skinCombo_, 1);
    skinRow->addWidget(skinParameters);
    auto* destinationRow = new QHBoxLayout;
    destinationRow->addWidget(outputFolder_, 1);
    destinationRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Skin selected :"), skinRow);
    form->addRow(parseExif_);
    form->addRow(intermediateActive_);
    form->addRow(useDestPath_);
    form->addRow(copySource_);
    form->addRow(QStringLiteral("Destination path :"), destinationRow);
    form->addRow(QStringLiteral("Files sorting method :"), sortCombo_);
    auto* group = new QGroupBox(QStringLiteral("Page related options"));
    group->setLayout(form);
    return group;
}

QWidget* ProjectOptionsDialog::buildFtpPart()
{
    const auto textEdit = [](const char* name) {
        auto* edit = gui::named(new QLineEdit, name);
        edit->setMaxLength(static_cast<int>(kNameFieldLength));
        return edit;
    };
    ftpServer_ = textEdit("ftpServer");
    ftpPort_ = numberEdit("ftpPort");
    ftpPort_->setMaximumWidth(ftpPort_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    ftpLogin_ = textEdit("ftpLogin");
    ftpPassword_ = textEdit("ftpPassword");
    ftpPassword_->setEchoMode(QLineEdit::Password);
    ftpPath_ = textEdit("ftpPath");
    ftpAllowPlain_ = gui::named(
        new QCheckBox(QStringLiteral("Allow plain FTP when the server offers no TLS (password sent in clear)")),
        "ftpAllowPlain");

    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(ftpServer_, 1);
    serverRow->addWidget(new QLabel(QStringLiteral("Port:")));
    serverRow->addWidget(ftpPort_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Adress : "), serverRow);
    form->addRow(QStringLiteral("Login : "), ftpLogin_);
    form->addRow(QStringLiteral("Password :"), ftpPassword_);
    form->addRow(QStringLiteral("Path :"), ftpPath_);
    form->addRow(ftpAllowPlain_);
    auto* group = new QGroupBox(QStringLiteral("FTP Server options"));
    group->setLayout(form);
    return group;
}

QWidget* ProjectOptionsDialog::buildImagePart()
{
    thumbWidth_ = numberEdit("thumbWidth");
    thumbHeight_ = numberEdit("thumbHeight");
    dirImgWidth_ = numberEdit("dirImgWidth");
    dirImgHeight_ = numberEdit("dirImgHeight");
    dirThumbsX_ = numberEdit("dirThumbsX");
    dirThumbsY_ = numberEdit("dirThumbsY");
    derivedSize_ = gui::named(new QLineEdit, "derivedSize");
    derivedSize_->setReadOnly(true);
    derivedSize_->setFocusPolicy(Qt::NoFocus);
    // Drawn on the dialog's own background so it does not look editable.
    QPalette calculated = derivedSize_->palette();
    calculated.setColor(QPalette::Base, calculated.color(QPalette::Window));
    derivedSize_->setPalette(calculated);
    intermediateWidth_ = numberEdit("intermediateWidth");
    intermediateHeight_ = numberEdit("intermediateHeight");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Thumbnails Width :"), thumbWidth_);
    form->addRow(QStringLiteral("Thumbnails Height :"), thumbHeight_);
    form->addRow(QStringLiteral("Directory thumb icon width :"), dirImgWidth_);
    form->addRow(QStringLiteral("Directory thumb icon height :"), dirImgHeight_);
    form->addRow(QStringLiteral("Nb directory icons X :"), dirThumbsX_);
    form->addRow(QStringLiteral("Nb directory icons Y :"), dirThumbsY_);
    form->addRow(QStringLiteral("Directory thumb w h (calculated) :"), derivedSize_);
    form->addRow(QStringLiteral("Intermediate image width :"), intermediateWidth_);
    form->addRow(QStringLiteral("Intermediate image height :"), intermediateHeight_);

    exifOrientation_ = gui::named(new QCheckBox(QStringLiteral("Turn pictures upright (Exif orientation)")),
                                  "exifOrientation");
    todaysFormats_ = gui::named(
        new QCheckBox(QStringLiteral("Today's formats (HEIC, AVIF, PNG, WebP) and filled folder covers")),
        "todaysFormats");
    highDensity_ = gui::named(new QCheckBox(QStringLiteral("Sharp images on high-density screens (@2x)")),
                              "highDensity");
    movieWebCopies_ = gui::named(new QCheckBox(QStringLiteral("Web copies of movies browsers cannot play (slow)")),
                                 "movieWebCopies");
    movieWebCopySize_ = numberEdit("movieWebCopySize");
    fastDecoding_ = gui::named(
        new QCheckBox(QStringLiteral("Fast thumbnails (large JPEG and WebP pictures decoded at a reduced scale)")),
        "fastDecoding");
    pictureBackground_ = gui::named(new QLineEdit, "pictureBackground");
    pictureBackground_->setInputMask(QStringLiteral("HHHHHH"));
    pictureBackground_->setToolTip(QStringLiteral("Shown through transparent pictures, as rrggbb"));
    form->addRow(exifOrientation_);
    form->addRow(todaysFormats_);
    form->addRow(highDensity_);
    form->addRow(movieWebCopies_);
    form->addRow(QStringLiteral("Web copy long side :"), movieWebCopySize_);
    form->addRow(fastDecoding_);
    form->addRow(QStringLiteral("Background of transparent pictures :"), pictureBackground_);
    auto* group = new QGroupBox(QStringLiteral("Image generation"));
    group->setLayout(form);
    return group;
}

QWidget* ProjectOptionsDialog::buildFilterParts()
{
    reduceFilter_ = new QButtonGroup(this);
    auto* reduce = new QVBoxLayout;
    addRadio(reduceFilter_, reduce, QStringLiteral("Point"), FilterPoint, "reducePoint");
    addRadio(reduceFilter_, reduce, QStringLiteral("Box"), FilterBox, "reduceBox");
    addRadio(reduceFilter_, reduce, QStringLiteral("Lanczos3"), FilterLanczos3, "reduceLanczos3");
    auto* reduceGroup = new QGroupBox(QStringLiteral("Image reduction filter"));
    reduceGroup->setLayout(reduce);

    magFilter_ = new QButtonGroup(this);
    auto* magnify = new QVBoxLayout;
    addRadio(magFilter_, magnify, QStringLiteral("None"), FilterNone, "magNone");
    addRadio(magFilter_, magnify, QStringLiteral("Point"), FilterPoint, "magPoint");
    addRadio(magFilter_, magnify, QStringLiteral("Bilinear"), FilterBilinear, "magBilinear");
    auto* magnifyGroup = new QGroupBox(QStringLiteral("Image magnification filter"));
    magnifyGroup->setLayout(magnify);

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(reduceGroup);
    layout->addWidget(magnifyGroup);
    return row;
}

void ProjectOptionsDialog::showRecord(const ProjectOptions& options)
{
    sortCombo_->setCurrentIndex(
        options.sortMethod >= 0 && options.sortMethod < sortCombo_->count() ? options.sortMethod : -1);
    // The last entry spelled exactly like the stored name, else the first.
    int skin = skinCombo_->count() > 0 ? 0 : -1;
    for (int i = 0; i < skinCombo_->count(); ++i) {
        if (skinCombo_->itemText(i).toStdString() == options.skinName)
            skin = i;
    }
    skinCombo_->setCurrentIndex(skin);
    checkButton(reduceFilter_, options.reduceFilter);
    checkButton(magFilter_, options.magFilter);

    ftpServer_->setText(QString::fromStdString(options.ftpServerName));
    ftpLogin_->setText(QString::fromStdString(options.ftpLogin));
    ftpPassword_->setText(QString::fromStdString(options.ftpPassword));
    ftpPath_->setText(QString::fromStdString(options.ftpRemotePath));
    showNumber(ftpPort_, options.ftpPort);
    ftpAllowPlain_->setChecked(options.ftpAllowPlain);
    outputFolder_->setText(QString::fromStdString(options.outputFolder));
    showNumber(thumbWidth_, options.thumbWidth);
    showNumber(thumbHeight_, options.thumbHeight);
    showNumber(dirImgWidth_, options.thmDirImgWidth);
    showNumber(dirImgHeight_, options.thmDirImgHeight);
    showNumber(dirThumbsX_, options.nbDirThumbsX);
    showNumber(dirThumbsY_, options.nbDirThumbsY);
    showNumber(intermediateWidth_, options.intermediateWidth);
    showNumber(intermediateHeight_, options.intermediateHeight);

    parseExif_->setChecked(options.parseExif);
    intermediateActive_->setChecked(options.intermediateActive);
    useDestPath_->setChecked(options.useDestPath);
    copySource_->setChecked(options.copySource);
    exifOrientation_->setChecked(options.exifOrientation);
    todaysFormats_->setChecked(options.todaysFormats);
    highDensity_->setChecked(options.highDensity);
    movieWebCopies_->setChecked(options.movieWebCopies);
    showNumber(movieWebCopySize_, options.movieWebCopySize);
    fastDecoding_->setChecked(options.fastDecoding);
    pictureBackground_->setText(
        QStringLiteral("%1").arg(static_cast<uint>(options.pictureBackground) & 0xFFFFFFu, 6, 16, QLatin1Char('0')));
    applyEnablingRule();
    showDerivedSize();
}

void ProjectOptionsDialog::applyEnablingRule()
{
    const bool intermediate = intermediateActive_->isChecked();
    intermediateWidth_->setEnabled(intermediate);
    intermediateHeight_->setEnabled(intermediate);
    const bool destination = useDestPath_->isChecked();
    copySource_->setEnabled(destination);
    outputFolder_->setEnabled(destination);
    browseButton_->setEnabled(destination);
}

void ProjectOptionsDialog::showDerivedSize()
{
    // Shown as the record will hold it: 32-bit products of the four numbers.
    const auto width = static_cast<std::int32_t>(readNumber(dirImgWidth_) * readNumber(dirThumbsX_));
    const auto height = static_cast<std::int32_t>(readNumber(dirThumbsY_) * readNumber(dirImgHeight_));
    derivedSize_->setText(QStringLiteral("%1 x %2").arg(width).arg(height));
}

void ProjectOptionsDialog::browseDestination()
{
    const QString folder =
        prompts_.chooseDirectory(this, QStringLiteral("Select destination directory for your album"),
                                 outputFolder_->text());
    if (!folder.isEmpty())
        outputFolder_->setText(folder);
}

bool ProjectOptionsDialog::checkDestination()
{
    if (!useDestPath_->isChecked())
        return true;
    if (!copySource_->isChecked() && !intermediateActive_->isChecked() &&
        !prompts_.askYesNo(this, QStringLiteral("Warning"), QString::fromLatin1(kThumbnailsOnlyQuestion),
                           MessageIcon::Information))
        return false;
    if (!isAbsoluteDestination(textOf(outputFolder_))) {
        prompts_.message(this, QStringLiteral("Error"), QString::fromLatin1(kAbsoluteDestinationError),
                         MessageIcon::Error);
        return false;
    }
    return true;
}

bool ProjectOptionsDialog::checkSizes()
{
    ProjectOptions sizes;
    const struct {
        const char* element;
        const QLineEdit* edit;
        int ProjectOptions::*field;
    } fields[] = {
        {"ThumbWidth", thumbWidth_, &ProjectOptions::thumbWidth},
        {"ThumbHeight", thumbHeight_, &ProjectOptions::thumbHeight},
        {"IntermediateWidth", intermediateWidth_, &ProjectOptions::intermediateWidth},
        {"IntermediateHeight", intermediateHeight_, &ProjectOptions::intermediateHeight},
        {"ThmDirImgWidth", dirImgWidth_, &ProjectOptions::thmDirImgWidth},
        {"ThmDirImgHeight", dirImgHeight_, &ProjectOptions::thmDirImgHeight},
        {"nbDirThumbsX", dirThumbsX_, &ProjectOptions::nbDirThumbsX},
        {"nbDirThumbsY", dirThumbsY_, &ProjectOptions::nbDirThumbsY},
    };
    std::optional<std::string> refusal;
    for (const auto& field : fields) {
        const int value = static_cast<int>(std::min<std::uint32_t>(readNumber(field.edit), INT32_MAX));
        sizes.*(field.field) = value;
        if (!refusal)
            refusal = checkOptionLimits(field.element, value);
    }
    if (!refusal) {
        refusal = checkCompositeLimit(sizes);
        if (refusal)
            (*refusal)[0] = 'T';  // "the folder thumbnail would be ..." opens the box
    }
    if (!refusal)
        return true;
    prompts_.message(this, QStringLiteral("Error"), QString::fromStdString(*refusal), MessageIcon::Error);
    return false;
}

void ProjectOptionsDialog::storeControls()
{
    if (skinCombo_->count() > 0)
        edited_.skinName = skinCombo_->currentText().toStdString();
    const int sortMethod = sortCombo_->currentIndex();
    edited_.sortMethodChanged = sortMethod != edited_.sortMethod;
    edited_.sortMethod = sortMethod;
    if (reduceFilter_->checkedId() != -1)
        edited_.reduceFilter = reduceFilter_->checkedId();
    if (magFilter_->checkedId() != -1)
        edited_.magFilter = magFilter_->checkedId();
    edited_.ftpPort = static_cast<int>(readNumber(ftpPort_));
    edited_.ftpServerName = textOf(ftpServer_);
    edited_.ftpLogin = textOf(ftpLogin_);
    edited_.ftpPassword = textOf(ftpPassword_);
    edited_.ftpRemotePath = textOf(ftpPath_);
    edited_.ftpAllowPlain = ftpAllowPlain_->isChecked();
    edited_.outputFolder = textOf(outputFolder_);
    edited_.thumbWidth = static_cast<int>(readNumber(thumbWidth_));
    edited_.thumbHeight = static_cast<int>(readNumber(thumbHeight_));
    edited_.thmDirImgWidth = static_cast<int>(readNumber(dirImgWidth_));
    edited_.thmDirImgHeight = static_cast<int>(readNumber(dirImgHeight_));
    edited_.nbDirThumbsX = static_cast<int>(readNumber(dirThumbsX_));
    edited_.nbDirThumbsY = static_cast<int>(readNumber(dirThumbsY_));
    edited_.intermediateWidth = static_cast<int>(readNumber(intermediateWidth_));
    edited_.intermediateHeight = static_cast<int>(readNumber(intermediateHeight_));
    edited_.parseExif = parseExif_->isChecked();
    edited_.intermediateActive = intermediateActive_->isChecked();
    edited_.useDestPath = useDestPath_->isChecked();
    edited_.copySource = copySource_->isChecked();
    edited_.exifOrientation = exifOrientation_->isChecked();
    edited_.todaysFormats = todaysFormats_->isChecked();
    edited_.highDensity = highDensity_->isChecked();
    edited_.movieWebCopies = movieWebCopies_->isChecked();
    edited_.movieWebCopySize = static_cast<int>(readNumber(movieWebCopySize_));
    edited_.fastDecoding = fastDecoding_->isChecked();
    bool isHex = false;
    const uint background = pictureBackground_->text().toUInt(&isHex, 16);
    if (isHex && pictureBackground_->text().size() == 6)
        edited_.pictureBackground = static_cast<int>(background);
}

void ProjectOptionsDialog::accept()
{
    if (!checkSizes() || !checkDestination())
        return;
    storeControls();
    edited_.loaded = 1;
    QDialog::accept();
}

void ProjectOptionsDialog::reject()
{
    if (!edited_.loaded && !prompts_.askYesNo(this, QStringLiteral("Warning"),
                                              QStringLiteral("No options selected, you won't be able to\n"
                                                             "generate album without project options.\n"
                                                             "Do you want to continue ?"),
                                              MessageIcon::Warning))
        return;
    QDialog::reject();
}

bool editProjectOptions(ProjectOptions& options, gui::Prompts& prompts, QWidget* parent)
{
    options.skinList = availableSkins();
    ProjectOptionsDialog dialog(options, prompts, parent);
    // The Skin Parameters window works on the record's own parameters, which
    // keep its changes whether the dialog ends with OK or Cancel.
    QObject::connect(&dialog, &ProjectOptionsDialog::skinParametersRequested, &dialog,
                     [&options, &prompts, &dialog](const QString& skinName) {
                         editSkinParameters(options, skinName.toStdString(), &dialog,
                                            gui::messageFunction(prompts), gui::askYesNoFunction(prompts));
                     });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    VariableList skinPrefs = std::move(options.skinPrefs);
    options = dialog.edited();
    options.skinPrefs = std::move(skinPrefs);
    return true;
}

}  // namespace quorvane::gui
