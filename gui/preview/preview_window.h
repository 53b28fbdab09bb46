#pragma once

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include "imaging/image.h"
#include "gui/preview/preview_logic.h"

namespace quorvane::gui {

// The "Photo Preview" window: a top-level window of its own that shows the
// fitted picture centred on black, or hosts the video of a movie. It opens at
// the described size and may be resized; the picture is fitted again once
// the resizing pauses. Closing it only hides it.
class PreviewWindow final : public QWidget {
    Q_OBJECT

public:
    explicit PreviewWindow(QWidget* parent = nullptr);

    // The picture must already fit the client area in device pixels; it is
    // drawn at devicePixelRatio device pixels per logical pixel.
    void setPicture(const Image& picture, qreal devicePixelRatio = 1.0);
    void clearPicture();
    bool hasPicture() const { return !picture_.isNull(); }
    // Where the picture is drawn, in client (logical) coordinates.
    Placement picturePlacement() const;
    // The client area in device pixels, the size pictures are fitted to.
    QSize deviceSize() const;

signals:
    // The window was resized and has kept its size for a moment.
    void refitWanted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage picture_;
    QTimer refitTimer_;
};

// Where a window of the given frame size opens beside anchor, a window's frame
// on a screen whose free area is available: to its right, else to its left,
// else at the screen's right edge, so that it covers as little of the anchor's
// left part (the album tree) as it can.
QPoint besidePosition(const QRect& anchor, const QSize& frame, const QRect& available);

}  // namespace quorvane::gui
