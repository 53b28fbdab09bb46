#pragma once

#include <QDialog>

#include <string_view>

#include "gui/dialogs/dialog_layout.h"

class QPushButton;
class QTextBrowser;

namespace quorvane::gui {

// A resizable read-only view of a text, RTF or plain, with an "OK" button.
// Link markers in the text become link-styled ranges; clicking one does
// nothing. OK, Escape and the close box end it.
class RichTextDialog final : public QDialog {
    Q_OBJECT

public:
    // The opening size, which is also the smallest: 332 × 195 dialog units.
    static constexpr int kOpeningWidth = 498;
    static constexpr int kOpeningHeight = 317;

    RichTextDialog(const QString& title, std::string_view source, QWidget* owner = nullptr);

    QTextBrowser* textView() const { return text_; }
    QPushButton* okButton() const { return ok_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showText(std::string_view source);

    QTextBrowser* text_;
    QPushButton* ok_;
    DialogLayout layout_;
};

// Runs the dialog modally over owner.
void showRichText(QWidget* owner, const QString& title, std::string_view source);

}  // namespace quorvane::gui
