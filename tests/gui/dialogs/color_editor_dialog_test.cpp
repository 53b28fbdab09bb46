#include "gui/dialogs/color_editor_dialog.h"

#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "gui/dialogs/color_math.h"
#include "foundation/script_variable.h"
#include "gui/app_test_support.h"

namespace quorvane::gui {
namespace {

constexpr int kW = ColorEditorDialog::kFieldWidth;
constexpr int kH = ColorEditorDialog::kFieldHeight;

class ColorEditorTest : public ::testing::Test {
protected:
    ColorEditorTest() : variable_(VarColor, "TextColor")
    {
        test::application();
        variable_.setInt(0x123456);
        dialog_ = std::make_unique<ColorEditorDialog>(variable_);
        field_ = dialog_->findChild<QLabel*>(QStringLiteral("colorField"));
        slider_ = dialog_->findChild<QSlider*>(QStringLiteral("luminositySlider"));
        luminosity_ = dialog_->findChild<QLabel*>(QStringLiteral("luminosityText"));
        red_ = dialog_->findChild<QLineEdit*>(QStringLiteral("redEdit"));
        green_ = dialog_->findChild<QLineEdit*>(QStringLiteral("greenEdit"));
        blue_ = dialog_->findChild<QLineEdit*>(QStringLiteral("blueEdit"));
        swatch_ = dialog_->findChild<QFrame*>(QStringLiteral("swatch"));
    }

    QStringList edits() const { return {red_->text(), green_->text(), blue_->text()}; }
    QRgb swatchColor() const { return swatch_->palette().color(QPalette::Window).rgb(); }

    void mouse(QEvent::Type type, QPoint point, Qt::MouseButtons held)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(point), QPointF(field_->mapToGlobal(point)), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(field_, &event);
    }

    void type(QLineEdit* edit, const char* text)
    {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(text));
    }

    ScriptVariable variable_;
    std::unique_ptr<ColorEditorDialog> dialog_;
    QLabel* field_;
    QSlider* slider_;
    QLabel* luminosity_;
    QLineEdit* red_;
    QLineEdit* green_;
    QLineEdit* blue_;
    QFrame* swatch_;
};

TEST_F(ColorEditorTest, OpensOnTheVariablesColourAtMiddleLuminosity)
{
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Color Editor"));
    ASSERT_TRUE(field_ && slider_ && luminosity_ && red_ && green_ && blue_ && swatch_);
    EXPECT_EQ(edits(), (QStringList{"18", "52", "86"}));
    EXPECT_EQ(luminosity_->text(), QStringLiteral("x1.00"));
    EXPECT_EQ(slider_->minimum(), -200);
    EXPECT_EQ(slider_->maximum(), 0);
    EXPECT_EQ(slider_->value(), -100);
    EXPECT_EQ(swatchColor(), qRgb(0x12, 0x34, 0x56));

    const QImage& image = dialog_->fieldImage();
    ASSERT_EQ(image.size(), QSize(kW, kH));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));
    for (const QPoint point : {QPoint(0, kH - 1), QPoint(kW - 21, 40), QPoint(kW - 20, 128),
                               QPoint(kW - 1, kH - 1), QPoint(137, 99)}) {
        EXPECT_EQ(image.pixel(point) & 0xFFFFFFu, static_cast<QRgb>(colorAt(point.x(), point.y(), kW, kH)))
            << point.x() << "," << point.y();
    }
    // What the field control shows is that image.
    EXPECT_EQ(field_->pixmap().toImage().pixel(kW - 1, 0), image.pixel(kW - 1, 0));
}

TEST_F(ColorEditorTest, SliderScalesTheColourAndTheFieldFollowsOnTheTimer)
{
    slider_->setValue(-200);
    EXPECT_EQ(luminosity_->text(), QStringLiteral("x8.00"));
    EXPECT_EQ(edits(), (QStringList{"144", "255", "255"}));
    EXPECT_EQ(swatchColor(), qRgb(144, 255, 255));
    EXPECT_FLOAT_EQ(dialog_->luminosity(), 8.0f);
    // Not at once: the field waits for the next tick of its timer.
    EXPECT_EQ(dialog_->fieldImage().pixel(10, 1), qRgb(1, 10, 255));
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog_->fieldImage().pixel(10, 1) == qRgb(8, 80, 255); }, 1000));

    slider_->setValue(-100);
    EXPECT_EQ(luminosity_->text(), QStringLiteral("x1.00"));
    EXPECT_EQ(edits(), (QStringList{"18", "52", "86"}));
    // The base colour never changed.
    EXPECT_EQ(dialog_->baseColor(), 0x123456);
}

TEST_F(ColorEditorTest, OkAtTheBottomOfTheSliderStoresBlack)
{
    slider_->setValue(0);
    EXPECT_EQ(luminosity_->text(), QStringLiteral("x0.00"));
    EXPECT_EQ(edits(), (QStringList{"0", "0", "0"}));
    dialog_->accept();
    EXPECT_EQ(variable_.intValue(), 0);
    EXPECT_EQ(variable_.type(), VarColor);
}

TEST_F(ColorEditorTest, ClickingAndDraggingPickWithinTheField)
{
    mouse(QEvent::MouseButtonPress, QPoint(0, 0), Qt::LeftButton);
    EXPECT_EQ(dialog_->baseColor(), 0x0000FF);
    EXPECT_EQ(edits(), (QStringList{"0", "0", "255"}));
    EXPECT_EQ(swatchColor(), qRgb(0, 0, 255));

    // Beyond the edges the picking stays on the edge pixels.
    mouse(QEvent::MouseMove, QPoint(-40, 900), Qt::LeftButton);
    EXPECT_EQ(dialog_->baseColor(), colorAt(0, kH - 1, kW, kH));
    mouse(QEvent::MouseMove, QPoint(5000, -3), Qt::LeftButton);
    EXPECT_EQ(dialog_->baseColor(), colorAt(kW - 1, 0, kW, kH));
    EXPECT_EQ(edits(), (QStringList{"0", "255", "140"}));

    mouse(QEvent::MouseButtonRelease, QPoint(5000, -3), Qt::NoButton);
    mouse(QEvent::MouseMove, QPoint(0, 0), Qt::NoButton);
    EXPECT_EQ(dialog_->baseColor(), colorAt(kW - 1, 0, kW, kH));

    // A press outside the field does not start picking.
    mouse(QEvent::MouseButtonPress, QPoint(kW + 4, 10), Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(0, 0), Qt::LeftButton);
    EXPECT_EQ(dialog_->baseColor(), colorAt(kW - 1, 0, kW, kH));

    // Picking ignores the luminosity; the edits and OK apply it.
    slider_->setValue(-50);
    mouse(QEvent::MouseButtonPress, QPoint(0, 128), Qt::LeftButton);
    EXPECT_EQ(dialog_->baseColor(), 0x800080);
    EXPECT_EQ(edits(), (QStringList{"64", "0", "64"}));
    dialog_->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(variable_.intValue(), 0x400040);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
}

TEST_F(ColorEditorTest, TypedComponentsAreTakenModulo256)
{
    type(red_, "256");
    EXPECT_EQ(dialog_->baseColor(), 0x003456);
    EXPECT_EQ(red_->text(), QStringLiteral("256"));
    type(green_, "300");
    EXPECT_EQ(dialog_->baseColor(), 0x002C56);
    EXPECT_EQ(swatchColor(), qRgb(0, 44, 0x56));
    // Only digits go in.
    type(blue_, "7x");
    EXPECT_EQ(blue_->text(), QStringLiteral("7"));
    EXPECT_EQ(dialog_->baseColor(), 0x002C07);

    // The luminosity still applies to what was typed.
    slider_->setValue(-50);
    dialog_->accept();
    EXPECT_EQ(variable_.intValue(), 0x001603);
}

TEST_F(ColorEditorTest, CancelLeavesTheVariableAlone)
{
    slider_->setValue(-200);
    type(red_, "99");
    auto* buttons = dialog_->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    buttons->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(variable_.intValue(), 0x123456);
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
}

}  // namespace
}  // namespace quorvane::gui
