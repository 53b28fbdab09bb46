#include "gui/preview/preview_window.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvane::gui {

namespace {

// Small enough for any screen, large enough to see what the picture is.
constexpr int kMinimumWidth = 200;
constexpr int kMinimumHeight = 150;
// Resampling the picture at every step of a drag would lag behind the mouse.
constexpr int kRefitDelayMs = 150;
constexpr int kGap = 8;

}  // namespace

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Photo Preview"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    resize(kPreviewClientWidth, kPreviewClientHeight);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    // The program ends with its main window, whether or not the preview is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    refitTimer_.setSingleShot(true);
    refitTimer_.setInterval(kRefitDelayMs);
    connect(&refitTimer_, &QTimer::timeout, this, &PreviewWindow::refitWanted);
}

void PreviewWindow::setPicture(const Image& picture, qreal devicePixelRatio)
{
    const QImage::Format format = picture.components == 1 ? QImage::Format_Grayscale8
                                                          : QImage::Format_RGB888;
    QImage converted(static_cast<int>(picture.width), static_cast<int>(picture.height), format);
    for (std::uint32_t y = 0; y < picture.height; ++y)
        std::memcpy(converted.scanLine(static_cast<int>(y)), picture.row(y), picture.rowBytes());
    converted.setDevicePixelRatio(devicePixelRatio);
    picture_ = std::move(converted);
    update();
}

void PreviewWindow::clearPicture()
{
    picture_ = QImage();
    update();
}

QSize PreviewWindow::deviceSize() const
{
    const qreal ratio = devicePixelRatioF();
    return {static_cast<int>(std::floor(width() * ratio)), static_cast<int>(std::floor(height() * ratio))};
}

Placement PreviewWindow::picturePlacement() const
{
    const QSizeF logical = picture_.deviceIndependentSize();
    return centrePicture(static_cast<int>(logical.width()), static_cast<int>(logical.height()), width(),
                         height());
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (picture_.isNull())
        return;
    const Placement at = picturePlacement();
    painter.drawImage(QPoint(at.left, at.top), picture_);
}

void PreviewWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refitTimer_.start();
}

QPoint besidePosition(const QRect& anchor, const QSize& frame, const QRect& available)
{
    const int top = std::clamp(anchor.top(), available.top(),
                               std::max(available.top(), available.bottom() + 1 - frame.height()));
    if (anchor.right() + kGap + frame.width() <= available.right() + 1)
        return {anchor.right() + 1 + kGap, top};
    if (anchor.left() - kGap - frame.width() >= available.left())
        return {anchor.left() - kGap - frame.width(), top};
    return {std::max(available.left(), available.right() + 1 - frame.width()), top};
}

}  // namespace quorvane::gui
