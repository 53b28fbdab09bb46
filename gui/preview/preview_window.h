#pragma once

#include <QImage>
#include <QWidget>

#include "imaging/image.h"
#include "gui/preview/preview_logic.h"

namespace quorvane::gui {

// The "Photo Preview" window: a top-level window of its own with a fixed
// client area that shows the fitted picture centred on black, or hosts the
// video of a movie. Closing it only hides it.
class PreviewWindow final : public QWidget {
    Q_OBJECT

public:
    explicit PreviewWindow(QWidget* parent = nullptr);

    // The picture must already fit the client area.
    void setPicture(const Image& picture);
    void clearPicture();
    bool hasPicture() const { return !picture_.isNull(); }
    // Where the picture is drawn, in client coordinates.
    Placement picturePlacement() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
};

}  // namespace quorvane::gui
