#include "gui/dialogs/dialog_units.h"

#include <QFontMetricsF>
#include <QWidget>

#include <cmath>

namespace quorvane::gui {

QSize dialogUnits(const QWidget& widget, int width, int height)
{
    const QFontMetricsF metrics(widget.font());
    const double baseWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52.0;
    const double baseHeight = metrics.height();
    return QSize(static_cast<int>(std::lround(width * baseWidth / 4.0)),
                 static_cast<int>(std::lround(height * baseHeight / 8.0)));
}

}  // namespace quorvane::gui
