#pragma once

#include <QIcon>

namespace quorvane::app {

// The program's icons, drawn at start-up rather than loaded from files.
QIcon applicationIcon();
QIcon directoryIcon();
QIcon pictureIcon();
QIcon movieIcon();
QIcon statusIcon();
QIcon idleIcon();
QIcon processingIcon();

}  // namespace quorvane::app
