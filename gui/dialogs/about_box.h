#pragma once

#include <string>

class QWidget;

namespace quorvane::gui {

inline constexpr char kProgramVersion[] = "V1.1.12";

// The About box's text, as RTF: the program's name and version, the credits
// and when it was compiled.
std::string aboutBoxText();

// Shows it in the rich-text dialog titled "About Quorvane", over owner.
void showAboutBox(QWidget* owner);

}  // namespace quorvane::gui
