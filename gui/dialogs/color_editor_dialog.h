#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QSlider;

namespace quorvane {
class ScriptVariable;
}  // namespace quorvane

namespace quorvane::gui {

// The "Color Editor" dialog for one colour variable: the colour is picked by
// clicking or dragging in the colour field, scaled by the "Luminosity"
// slider or typed as three components. OK stores the colour shown in the
// swatch into the variable; Cancel leaves it alone.
class ColorEditorDialog final : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFieldWidth = 276;
    static constexpr int kFieldHeight = 256;

    ColorEditorDialog(ScriptVariable& variable, QWidget* parent = nullptr);

    void accept() override;

    // The colour before luminosity, and the luminosity.
    int baseColor() const { return color_; }
    float luminosity() const { return luminosity_; }
    // What the field shows at the moment.
    const QImage& fieldImage() const { return field_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void renderField();
    void luminosityMoved(int position);
    void pick(QPoint point);
    void componentTyped(int shift, const QString& text);
    void showLitComponents();
    void paintSwatch();

    ScriptVariable& variable_;
    int color_;
    float luminosity_ = 1.0f;
    bool dragging_ = false;
    bool fieldStale_ = false;
    QImage field_;

    QLabel* fieldView_;
    QSlider* slider_;
    QLabel* luminosityText_;
    QLineEdit* red_;
    QLineEdit* green_;
    QLineEdit* blue_;
    QFrame* swatch_;
};

// Runs the dialog modally over owner; true when the user chose OK.
bool editColor(ScriptVariable& variable, QWidget* owner);

}  // namespace quorvane::gui
