#include "gui/dialogs/rich_text_dialog.h"

#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include "gui/dialogs/link_markers.h"
#include "gui/dialogs/rtf_reader.h"

namespace quorvane::gui {

namespace {

// Client coordinates of the text and the button at the opening size.
constexpr LayoutRect kTextPlace{11, 11, 487, 275};
constexpr LayoutRect kOkPlace{211, 283, 286, 306};

QRect toQRect(const LayoutRect& place)
{
    return QRect(place.left, place.top, place.width(), place.height());
}

Qt::Alignment blockAlignment(RichTextAlignment alignment)
{
    switch (alignment) {
    case RichTextAlignment::Left:
        return Qt::AlignLeft;
    case RichTextAlignment::Centre:
        return Qt::AlignHCenter;
    case RichTextAlignment::Right:
        return Qt::AlignRight;
    case RichTextAlignment::Justified:
        return Qt::AlignJustify;
    }
    return Qt::AlignLeft;
}

QTextCharFormat charFormat(const RichTextFormat& format)
{
    QTextCharFormat qt;
    qt.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    qt.setFontItalic(format.italic);
    qt.setFontUnderline(format.underline);
    if (format.halfPoints > 0)
        qt.setFontPointSize(format.halfPoints / 2.0);
    if (format.color)
        qt.setForeground(QColor::fromRgb(static_cast<QRgb>(*format.color)));
    return qt;
}

void fillDocument(QTextDocument& document, const RichText& text)
{
    QTextCursor cursor(&document);
    bool first = true;
    for (const RichTextParagraph& paragraph : text.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(blockAlignment(paragraph.alignment));
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        for (const RichTextRun& run : paragraph.runs)
            cursor.insertText(QString::fromStdString(run.text), charFormat(run.format));
    }
}

}  // namespace

RichTextDialog::RichTextDialog(const QString& title, std::string_view source, QWidget* owner)
    : QDialog(owner),
      text_(new QTextBrowser(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      layout_(kOpeningWidth, kOpeningHeight, {kTextPlace, kOkPlace})
{
    setWindowTitle(title);
    text_->setObjectName(QStringLiteral("richText"));
    text_->setOpenLinks(false);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // RTF's default tab stops: every half inch.
    text_->setTabStopDistance(text_->logicalDpiX() / 2.0);
    text_->setGeometry(toQRect(kTextPlace));
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    ok_->setGeometry(toQRect(kOkPlace));
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    // The text stretches with the dialog; OK keeps its distance from the
    // bottom and its proportional place across.
    layout_.setAnchors(0, EdgeAnchor::Near, EdgeAnchor::Near, EdgeAnchor::Far, EdgeAnchor::Far);
    layout_.setAnchors(1, EdgeAnchor::Far, EdgeAnchor::Proportional, EdgeAnchor::Proportional,
                       EdgeAnchor::Far);
    resize(kOpeningWidth, kOpeningHeight);
    setMinimumSize(kOpeningWidth, kOpeningHeight);
    showText(source);
}

void RichTextDialog::showText(std::string_view source)
{
    const MarkedText marked = processLinkMarkers(source);
    QTextDocument* document = text_->document();
    if (isRtf(marked.text))
        fillDocument(*document, readRtf(marked.text));
    else
        text_->setPlainText(QString::fromStdString(windows1252ToUtf8(marked.text)));

    const int length = document->characterCount() - 1;
    for (const LinkRange& link : marked.links) {
        QTextCursor cursor(document);
        cursor.setPosition(std::min(link.start, length));
        cursor.setPosition(std::min(link.end, length), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(cursor.selectedText());
        format.setFontUnderline(true);
        format.setForeground(palette().link());
        cursor.mergeCharFormat(format);
    }
    // Filling the document leaves the view at its end.
    text_->moveCursor(QTextCursor::Start);
}

void RichTextDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const std::optional<std::vector<LayoutRect>> places = layout_.apply(width(), height());
    if (!places)
        return;
    text_->setGeometry(toQRect((*places)[0]));
    ok_->setGeometry(toQRect((*places)[1]));
}

void showRichText(QWidget* owner, const QString& title, std::string_view source)
{
    RichTextDialog dialog(title, source, owner);
    dialog.exec();
}

}  // namespace quorvane::gui
