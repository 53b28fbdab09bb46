#include "gui/dialogs/skin_parameters_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <string>
#include <vector>

#include "gui/dialogs/rich_text_dialog.h"
#include "gui/dialogs/color_editor_dialog.h"
#include "options/project_options.h"
#include "support/test_support.h"
#include "gui/app_test_support.h"

namespace quorvane::gui {
namespace {

struct Shown {
    QString title;
    QString text;
    MessageIcon icon;
    bool operator==(const Shown&) const = default;
};

class SkinParametersTest : public ::testing::Test {
protected:
    SkinParametersTest()
    {
        test::application();
        add(VarInt, "Columns")->setInt(4);
        add(VarColor, "TextColor")->setInt(0xFF8000);
        add(VarString, "Title")->setText("Holidays");
    }

    ScriptVariable* add(int type, const char* name)
    {
        return variables_.append(std::make_unique<ScriptVariable>(type, name));
    }

    std::unique_ptr<SkinParametersWindow> window()
    {
        return std::make_unique<SkinParametersWindow>(
            variables_, dir_ / "Skins" / "S" / "Varhelp.rtf",
            [this](QWidget*, const QString& title, const QString& text, MessageIcon icon) {
                shown_.push_back({title, text, icon});
            });
    }

    test::TempDir dir_;
    VariableList variables_;
    std::vector<Shown> shown_;
};

TEST_F(SkinParametersTest, OneRowPerVariableWithTheButtonsBelow)
{
    add(VarNone, "Nothing");
    auto skin = window();
    EXPECT_EQ(skin->windowTitle(), QStringLiteral("Skin Parameters"));
    EXPECT_EQ(skin->size(), QSize(300, 21 * 4 + 63));

    const QStringList names{"Columns", "TextColor", "Title", "Nothing"};
    for (int row = 0; row < names.size(); ++row) {
        auto* label = skin->findChild<QLabel*>(QStringLiteral("label_") + names[row]);
        ASSERT_NE(label, nullptr) << names[row].toStdString();
        EXPECT_EQ(label->text(), names[row]);
        EXPECT_EQ(label->geometry(), QRect(0, 21 * row, 150, 21));
        EXPECT_EQ(label->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    }

    auto* columns = skin->findChild<QLineEdit*>(QStringLiteral("Columns"));
    ASSERT_NE(columns, nullptr);
    EXPECT_EQ(columns->text(), QStringLiteral("4"));
    EXPECT_EQ(columns->geometry(), QRect(150, 0, 150, 21));
    auto* color = skin->findChild<QPushButton*>(QStringLiteral("TextColor"));
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->geometry(), QRect(150, 21, 150, 21));
    EXPECT_TRUE(color->styleSheet().contains(QStringLiteral("#ff8000")));
    auto* title = skin->findChild<QLineEdit*>(QStringLiteral("Title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Holidays"));
    // A variable without a value has no control of its own.
    EXPECT_EQ(skin->findChild<QWidget*>(QStringLiteral("Nothing")), nullptr);

    EXPECT_EQ(skin->findChild<QPushButton*>(QStringLiteral("helpButton"))->text(),
              QStringLiteral("Skin variables Help"));
    EXPECT_EQ(skin->findChild<QPushButton*>(QStringLiteral("helpButton"))->geometry(), QRect(0, 84, 150, 21));
    EXPECT_EQ(skin->findChild<QPushButton*>(QStringLiteral("defaultButton"))->text(), QStringLiteral("Default"));
    EXPECT_EQ(skin->findChild<QPushButton*>(QStringLiteral("defaultButton"))->geometry(),
              QRect(150, 84, 150, 21));
    EXPECT_EQ(skin->findChild<QPushButton*>(QStringLiteral("okButton"))->text(), QStringLiteral("Ok"));
    EXPECT_EQ(skin->findChild<QPushButton*>(QStringLiteral("okButton"))->geometry(), QRect(0, 105, 300, 21));
}

TEST_F(SkinParametersTest, OkAppliesTheEditsCutTo254Characters)
{
    auto skin = window();
    auto* columns = skin->findChild<QLineEdit*>(QStringLiteral("Columns"));
    columns->selectAll();
    QTest::keyClicks(columns, QStringLiteral("1x2"));
    EXPECT_EQ(columns->text(), QStringLiteral("12"));
    auto* title = skin->findChild<QLineEdit*>(QStringLiteral("Title"));
    title->setText(QString(300, QLatin1Char('t')));
    EXPECT_EQ(test::variableTexts(variables_)[0], "Columns=4");

    skin->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_FALSE(skin->isVisible());
    EXPECT_EQ(test::variableTexts(variables_),
              (std::vector<std::string>{"Columns=12", "TextColor=ff8000", "Title=" + std::string(254, 't')}));
}

TEST_F(SkinParametersTest, TheCloseBoxAppliesTooButEscapeDoesNotClose)
{
    auto skin = window();
    skin->show();
    QTest::keyClick(skin.get(), Qt::Key_Escape);
    EXPECT_TRUE(skin->isVisible());
    skin->findChild<QLineEdit*>(QStringLiteral("Columns"))->setText(QStringLiteral("007"));
    skin->findChild<QLineEdit*>(QStringLiteral("Title"))->clear();
    EXPECT_TRUE(skin->close());
    EXPECT_EQ(test::variableTexts(variables_), (std::vector<std::string>{"Columns=7", "TextColor=ff8000", "Title="}));
}

// A double quote once went into ProjectOptions.xml unescaped, and the file no
// longer loaded: the window refuses what the command line refuses.
TEST_F(SkinParametersTest, QuotesAreKeptAndABadNumberAppliesNothing)
{
    auto skin = window();
    skin->show();
    auto* columns = skin->findChild<QLineEdit*>(QStringLiteral("Columns"));
    auto* title = skin->findChild<QLineEdit*>(QStringLiteral("Title"));
    columns->clear();
    title->setText(QStringLiteral("Say \"cheese\" <b>"));
    EXPECT_FALSE(skin->close());
    EXPECT_EQ(test::variableTexts(variables_),
              (std::vector<std::string>{"Columns=4", "TextColor=ff8000", "Title=Holidays"}));

    columns->setText(QStringLiteral("12"));
    EXPECT_TRUE(skin->close());
    EXPECT_EQ(test::variableTexts(variables_),
              (std::vector<std::string>{"Columns=12", "TextColor=ff8000", "Title=Say \"cheese\" <b>"}));
    EXPECT_EQ(shown_, (std::vector<Shown>{{"Error", "Columns takes digits only", MessageIcon::Error}}));
}

TEST_F(SkinParametersTest, DefaultAsksThenEmptiesTheListWithoutApplying)
{
    auto skin = window();
    std::vector<QString> asked;
    bool answer = false;
    skin->setAskYesNo([&](QWidget*, const QString& title, const QString& text) {
        asked.push_back(title + "|" + text);
        return answer;
    });
    skin->show();
    skin->findChild<QLineEdit*>(QStringLiteral("Columns"))->setText(QStringLiteral("9"));
    skin->findChild<QPushButton*>(QStringLiteral("defaultButton"))->click();
    // "No" keeps every value and the window.
    EXPECT_EQ(test::variableTexts(variables_),
              (std::vector<std::string>{"Columns=4", "TextColor=ff8000", "Title=Holidays"}));
    EXPECT_TRUE(skin->isVisible());

    answer = true;
    skin->findChild<QPushButton*>(QStringLiteral("defaultButton"))->click();
    EXPECT_TRUE(variables_.empty());
    EXPECT_FALSE(skin->isVisible());
    const QString question = QStringLiteral(
        "Skin Parameters|Discard every value set for this skin and use the skin's own defaults?");
    EXPECT_EQ(asked, (std::vector<QString>{question, question}));
}

TEST_F(SkinParametersTest, HelpShowsVarhelpOrSaysThereIsNone)
{
    auto skin = window();
    skin->findChild<QPushButton*>(QStringLiteral("helpButton"))->click();
    EXPECT_EQ(shown_, (std::vector<Shown>{{"Error", "No help found for this skin", MessageIcon::Warning}}));

    test::writeFile(dir_ / "Skins" / "S" / "Varhelp.rtf", "{\\rtf1 \\b Columns\\b0 : how many\\par}");
    QString title;
    QString text;
    test::whenModalOpens<gui::RichTextDialog>([&](gui::RichTextDialog& help) {
        title = help.windowTitle();
        text = help.textView()->toPlainText();
        help.close();
    });
    skin->findChild<QPushButton*>(QStringLiteral("helpButton"))->click();
    EXPECT_EQ(title, QStringLiteral("Skin help"));
    EXPECT_EQ(text, QStringLiteral("Columns: how many"));
    EXPECT_EQ(shown_.size(), 1u);
}

TEST_F(SkinParametersTest, ColourButtonOpensTheEditorOnItsVariable)
{
    auto skin = window();
    QString title;
    test::whenModalOpens<ColorEditorDialog>([&](ColorEditorDialog& editor) {
        title = editor.windowTitle();
        editor.accept();
    });
    auto* color = skin->findChild<QPushButton*>(QStringLiteral("TextColor"));
    color->click();
    EXPECT_EQ(title, QStringLiteral("Color Editor"));
    // Accepted at x1.00 the colour is stored unchanged.
    EXPECT_EQ(test::variableTexts(variables_)[1], "TextColor=ff8000");
}

class EditSkinParametersTest : public ::testing::Test {
protected:
    EditSkinParametersTest() : cwd_(dir_.path()) { test::application(); }

    ShowMessage recorder()
    {
        return [this](QWidget*, const QString& title, const QString& text, MessageIcon icon) {
            shown_.push_back({title, text, icon});
        };
    }

    test::TempDir dir_;
    test::CurrentDirectory cwd_;
    ProjectOptions options_;
    std::vector<Shown> shown_;
};

TEST_F(EditSkinParametersTest, ParseFailuresAreReportedAndNoWindowOpens)
{
    test::writeFile(dir_ / "Skins" / "S" / "MainLoop.qvs", "DECLARE_INT public Columns 5\nbad line\n");
    test::writeFile(dir_ / "Skins" / "S" / "Main.qvs", "");
    editSkinParameters(options_, "S", nullptr, recorder());
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].title, QStringLiteral("Parser error"));
    EXPECT_TRUE(shown_[0].text.startsWith(QStringLiteral("MainLoop.qvs : Parse error line ")));
    EXPECT_EQ(shown_[0].icon, MessageIcon::Error);
    EXPECT_TRUE(options_.skinPrefs.empty());

    shown_.clear();
    test::writeFile(dir_ / "Skins" / "T" / "MainLoop.qvs", "DECLARE_INT public Columns 5\n");
    editSkinParameters(options_, "T", nullptr, recorder());
    EXPECT_EQ(shown_, (std::vector<Shown>{{"Parser error", "Main.qvs : Parse error line -1", MessageIcon::Error}}));
}

TEST_F(EditSkinParametersTest, ShowsThePublicVariablesOfTheSkin)
{
    test::writeFile(dir_ / "Skins" / "S" / "MainLoop.qvs",
                    "DECLARE_INT public Columns 4\nDECLARE_INT private Rows 3\n"
                    "DECLARE_COLOR public Accent ff8000\n");
    test::writeFile(dir_ / "Skins" / "S" / "Main.qvs", "DECLARE_STRING public Title My album\n");
    QStringList rows;
    test::whenModalOpens<SkinParametersWindow>([&](SkinParametersWindow& window) {
        for (const QLabel* label : window.findChildren<QLabel*>())
            rows << label->text();
        window.findChild<QLineEdit*>(QStringLiteral("Columns"))->setText(QStringLiteral("6"));
        window.close();
    });
    editSkinParameters(options_, "S", nullptr, recorder());
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(rows, (QStringList{"Columns", "Accent", "Title"}));
    EXPECT_EQ(test::variableTexts(options_.skinPrefs),
              (std::vector<std::string>{"Columns=6", "Accent=ff8000", "Title=My album"}));
}

}  // namespace
}  // namespace quorvane::gui
