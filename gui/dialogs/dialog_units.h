#pragma once

#include <QSize>

class QWidget;

namespace quorvane::gui {

// Converts a size given in dialog units (a quarter of the average character
// width across, an eighth of the font height down) into pixels for the
// widget's font, so windows keep their proportions with any font.
QSize dialogUnits(const QWidget& widget, int width, int height);

}  // namespace quorvane::gui
