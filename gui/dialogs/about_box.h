#pragma once

#include <string>

#include "gui/dialogs/build_info.h"

class QWidget;

namespace quorvane::gui {


// The About box's text, as RTF: the program's name and version, the credits
// and when it was compiled.
std::string aboutBoxText();

// Shows it in the rich-text dialog titled "About Quorvane", over owner.
void showAboutBox(QWidget* owner);

}  // namespace quorvane::gui
