#include "gui/dialogs/about_box.h"

#include <QString>

#include "gui/dialogs/rich_text_dialog.h"
#include "foundation/chunk_buffer.h"

namespace quorvane::gui {

namespace {

constexpr int kTitleColorIndex = 1;

}  // namespace

std::string aboutBoxText()
{
    ChunkBuffer text;
    text.append("{\\rtf1");
    text.append("{\\colortbl ;");
    text.appendFormat("\\red%d\\green%d\\blue%d;", 220, 50, 50);
    text.append("}");
    text.appendFormat("\\cf%d", kTitleColorIndex);
    text.append("\\pard\\qc");
    text.appendFormat("\\fs%d", 36);
    text.append("\\ul");
    text.appendFormat(" Quorvane %s\\par", kProgramVersion);
    text.append("\\ulnone");
    text.append("\\pard");
    text.appendFormat("\\fs%d", 18);
    text.appendFormat("\\cf%d", 0);
    text.append("\\b Purpose \\b0 :\tweb albums from folders of photos and movies\\par");
    text.append("\\b Pictures \\b0 :\tJPEG through libjpeg-turbo\\par");
    text.append("\\b Windows \\b0 :\tQt 6 Widgets and Qt Multimedia\\par");
    text.appendFormat("\\b Compilation \\b0 :\t%s %s\\par\\par", kBuildDate, kBuildTime);
    text.append("\\i Point Quorvane at a folder tree, comment your pictures, then let a skin "
                "write the pages.\\i0\\par");
    text.append("}");
    return text.str();
}

void showAboutBox(QWidget* owner)
{
    showRichText(owner, QStringLiteral("About Quorvane"), aboutBoxText());
}

}  // namespace quorvane::gui
