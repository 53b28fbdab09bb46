#include "gui/dialogs/rich_text_dialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

#include "gui/dialogs/about_box.h"
#include "gui/app_test_support.h"

namespace quorvane::gui {
namespace {

QTextCharFormat formatAt(const QTextBrowser& view, int position)
{
    QTextCursor cursor(view.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

TEST(RichTextDialog, ShowsPlainTextWithItsLinks)
{
    test::application();
    RichTextDialog dialog(QStringLiteral("Skin help"), "see \xB2here\xB2 and caf\xE9");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Skin help"));
    QTextBrowser& view = *dialog.textView();
    EXPECT_TRUE(view.isReadOnly());
    EXPECT_EQ(view.toPlainText(), QStringLiteral("see here and caf\u00E9"));
    EXPECT_FALSE(formatAt(view, 2).isAnchor());
    EXPECT_TRUE(formatAt(view, 4).isAnchor());
    EXPECT_EQ(formatAt(view, 4).anchorHref(), QStringLiteral("here"));
    EXPECT_TRUE(formatAt(view, 7).fontUnderline());
    EXPECT_FALSE(formatAt(view, 8).isAnchor());
    EXPECT_FALSE(view.openLinks());
}

TEST(RichTextDialog, ShowsTheAboutTextAsRichText)
{
    test::application();
    RichTextDialog dialog(QStringLiteral("About Quorvane"), aboutBoxText());
    const QTextBrowser& view = *dialog.textView();
    const QTextBlock title = view.document()->firstBlock();
    EXPECT_EQ(title.text(), QStringLiteral("Quorvane V1.1.12"));
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextCharFormat titleFormat = formatAt(view, 0);
    EXPECT_TRUE(titleFormat.fontUnderline());
    EXPECT_DOUBLE_EQ(titleFormat.fontPointSize(), 18.0);
    EXPECT_EQ(titleFormat.foreground().color(), QColor(220, 50, 50));
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("Compilation :\t%1 %2").arg(kBuildDate, kBuildTime)));
    const int compilation = static_cast<int>(view.toPlainText().indexOf(QStringLiteral("Compilation")));
    EXPECT_EQ(formatAt(view, compilation).fontWeight(), QFont::Bold);
    EXPECT_NE(formatAt(view, compilation + 13).fontWeight(), QFont::Bold);
}

TEST(RichTextDialog, LongTextOpensAtItsBeginning)
{
    test::application();
    std::string help = "{\\rtf1 ";
    for (int line = 0; line < 200; ++line)
        help += "line " + std::to_string(line) + "\\par ";
    help += "}";
    RichTextDialog dialog(QStringLiteral("Skin help"), help);
    dialog.show();
    QCoreApplication::processEvents();
    const QScrollBar* scroll = dialog.textView()->verticalScrollBar();
    EXPECT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), 0);
}

TEST(RichTextDialog, OkEscapeAndTheCloseBoxEndIt)
{
    test::application();
    RichTextDialog byOk(QStringLiteral("t"), "text");
    byOk.show();
    byOk.okButton()->click();
    EXPECT_FALSE(byOk.isVisible());
    EXPECT_EQ(byOk.result(), QDialog::Accepted);

    RichTextDialog byEscape(QStringLiteral("t"), "text");
    byEscape.show();
    QTest::keyClick(&byEscape, Qt::Key_Escape);
    EXPECT_FALSE(byEscape.isVisible());

    RichTextDialog byClose(QStringLiteral("t"), "text");
    byClose.show();
    EXPECT_TRUE(byClose.close());
    EXPECT_FALSE(byClose.isVisible());
}

TEST(RichTextDialog, ResizingStretchesTheTextAndKeepsOkAtTheBottom)
{
    test::application();
    RichTextDialog dialog(QStringLiteral("t"), "text");
    dialog.show();
    const QRect text = dialog.textView()->geometry();
    const QRect ok = dialog.okButton()->geometry();
    EXPECT_EQ(dialog.size(), QSize(498, 317));

    dialog.resize(598, 417);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.textView()->geometry(), text.adjusted(0, 0, 100, 100));
    const QRect moved = dialog.okButton()->geometry();
    EXPECT_EQ(moved.top(), ok.top() + 100);
    EXPECT_EQ(moved.bottom(), ok.bottom() + 100);
    EXPECT_EQ(moved.left(), static_cast<int>(ok.left() * 598.0f / 498.0f + 0.5f));
    EXPECT_GT(moved.left(), ok.left());

    dialog.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.size(), QSize(498, 317));
    EXPECT_EQ(dialog.textView()->geometry(), text);
    EXPECT_EQ(dialog.okButton()->geometry(), ok);
}

}  // namespace
}  // namespace quorvane::gui
