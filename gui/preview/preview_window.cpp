#include "gui/preview/preview_window.h"

#include <QPainter>

#include <cstring>

namespace quorvane::gui {

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Photo Preview"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(kPreviewClientWidth, kPreviewClientHeight);
    // The program ends with its main window, whether or not the preview is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewWindow::setPicture(const Image& picture)
{
    const QImage::Format format = picture.components == 1 ? QImage::Format_Grayscale8
                                                          : QImage::Format_RGB888;
    QImage converted(static_cast<int>(picture.width), static_cast<int>(picture.height), format);
    for (std::uint32_t y = 0; y < picture.height; ++y)
        std::memcpy(converted.scanLine(static_cast<int>(y)), picture.row(y), picture.rowBytes());
    picture_ = std::move(converted);
    update();
}

void PreviewWindow::clearPicture()
{
    picture_ = QImage();
    update();
}

Placement PreviewWindow::picturePlacement() const
{
    return centrePicture(picture_.width(), picture_.height(), width(), height());
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull())
        return;
    const Placement at = picturePlacement();
    painter.drawImage(at.left, at.top, picture_);
}

}  // namespace quorvane::gui
