#pragma once

#include <QIcon>

namespace quorvane::gui {

enum class IconKind {
    Application,
    Directory,
    Picture,
    Movie,
    Status,
    Idle,
    Processing,
};

// The program's icons, drawn in code rather than loaded from files, but for
// the application's own: the icon the menu shows, built into the program.
QIcon drawnIcon(IconKind kind);

}  // namespace quorvane::gui
