#include "gui/dialogs/color_editor_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/dialogs/color_math.h"
#include "foundation/script_variable.h"

namespace quorvane::gui {

namespace {

// The field is rendered again at most this often while the slider moves.
constexpr int kFieldRefreshMilliseconds = 100;

QLineEdit* componentEdit(const char* name)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QLatin1String(name));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setMaximumWidth(60);
    return edit;
}

}  // namespace

ColorEditorDialog::ColorEditorDialog(ScriptVariable& variable, QWidget* parent)
    : QDialog(parent), variable_(variable), color_(variable.intValue())
{
    setWindowTitle(QStringLiteral("Color Editor"));

    fieldView_ = new QLabel;
    fieldView_->setObjectName(QStringLiteral("colorField"));
    fieldView_->setFixedSize(kFieldWidth, kFieldHeight);
    fieldView_->installEventFilter(this);
    renderField();

    slider_ = new QSlider(Qt::Vertical);
    slider_->setObjectName(QStringLiteral("luminositySlider"));
    slider_->setRange(kLuminosityTop, kLuminosityBottom);
    // The brightest end is at the top.
    slider_->setInvertedAppearance(true);
    slider_->setInvertedControls(true);
    slider_->setTickPosition(QSlider::TicksBothSides);
    slider_->setTickInterval(10);
    slider_->setValue(kLuminosityMiddle);
    luminosityText_ = new QLabel(QStringLiteral("x1.00"));
    luminosityText_->setObjectName(QStringLiteral("luminosityText"));
    auto* luminosityBox = new QGroupBox(QStringLiteral("Luminosity"));
    auto* luminosityLayout = new QVBoxLayout(luminosityBox);
    luminosityLayout->addWidget(slider_, 1, Qt::AlignHCenter);
    luminosityLayout->addWidget(luminosityText_, 0, Qt::AlignHCenter);

    red_ = componentEdit("redEdit");
    green_ = componentEdit("greenEdit");
    blue_ = componentEdit("blueEdit");
    swatch_ = new QFrame;
    swatch_->setObjectName(QStringLiteral("swatch"));
    swatch_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    swatch_->setFixedSize(60, 40);
    swatch_->setAutoFillBackground(true);
    auto* components = new QFormLayout;
    components->addRow(QStringLiteral("Red :"), red_);
    components->addRow(QStringLiteral("Green :"), green_);
    components->addRow(QStringLiteral("Blue :"), blue_);
    components->addRow(QStringLiteral("Color selected :"), swatch_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* side = new QVBoxLayout;
    side->addLayout(components);
    side->addStretch(1);
    side->addWidget(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(fieldView_, 0, Qt::AlignTop);
    layout->addWidget(luminosityBox);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showLitComponents();
    paintSwatch();

    connect(slider_, &QSlider::valueChanged, this, &ColorEditorDialog::luminosityMoved);
    connect(red_, &QLineEdit::textEdited, this,
            [this](const QString& text) { componentTyped(kRedShift, text); });
    connect(green_, &QLineEdit::textEdited, this,
            [this](const QString& text) { componentTyped(kGreenShift, text); });
    connect(blue_, &QLineEdit::textEdited, this,
            [this](const QString& text) { componentTyped(kBlueShift, text); });
    connect(buttons, &QDialogButtonBox::accepted, this, &ColorEditorDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ColorEditorDialog::reject);
    startTimer(kFieldRefreshMilliseconds);
}

void ColorEditorDialog::accept()
{
    variable_.setInt(packColor(litComponents(color_, luminosity_)));
    QDialog::accept();
}

void ColorEditorDialog::renderField()
{
    const int width = fieldView_->width();
    const int height = fieldView_->height();
    field_ = QImage(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(field_.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xFF000000u | static_cast<QRgb>(colorAt(x, y, width, height, luminosity_));
    }
    fieldView_->setPixmap(QPixmap::fromImage(field_));
}

void ColorEditorDialog::timerEvent(QTimerEvent*)
{
    if (!fieldStale_)
        return;
    fieldStale_ = false;
    renderField();
}

void ColorEditorDialog::luminosityMoved(int position)
{
    luminosity_ = luminosityAt(position);
    luminosityText_->setText(QString::fromStdString(luminosityLabel(luminosity_)));
    showLitComponents();
    paintSwatch();
    fieldStale_ = true;
}

bool ColorEditorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != fieldView_)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint point = mouse->position().toPoint();
        if (mouse->button() == Qt::LeftButton && fieldView_->rect().contains(point)) {
            dragging_ = true;
            pick(point);
        }
        return true;
    }
    case QEvent::MouseMove:
        if (dragging_)
            pick(static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            dragging_ = false;
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void ColorEditorDialog::pick(QPoint point)
{
    const int width = fieldView_->width();
    const int height = fieldView_->height();
    const int x = std::clamp(point.x(), 0, width - 1);
    const int y = std::clamp(point.y(), 0, height - 1);
    color_ = colorAt(x, y, width, height);
    showLitComponents();
    paintSwatch();
}

void ColorEditorDialog::componentTyped(int shift, const QString& text)
{
    color_ = replaceComponent(color_, shift, text.toStdString());
    paintSwatch();
}

void ColorEditorDialog::showLitComponents()
{
    const RgbComponents lit = litComponents(color_, luminosity_);
    red_->setText(QString::number(lit.red));
    green_->setText(QString::number(lit.green));
    blue_->setText(QString::number(lit.blue));
}

void ColorEditorDialog::paintSwatch()
{
    QPalette palette = swatch_->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(static_cast<QRgb>(packColor(
                                           litComponents(color_, luminosity_)))));
    swatch_->setPalette(palette);
}

bool editColor(ScriptVariable& variable, QWidget* owner)
{
    ColorEditorDialog dialog(variable, owner);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace quorvane::gui
