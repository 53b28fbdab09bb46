#include "gui/app/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace quorvane::gui {

namespace {

// Every drawing works on a 16 x 16 grid and is scaled for the larger sizes.
using Drawing = std::function<void(QPainter&)>;

QIcon drawIcon(const Drawing& draw)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void drawFolder(QPainter& p)
{
    p.setPen(QPen(QColor(0x9a, 0x6b, 0x10), 0.8));
    p.setBrush(QColor(0xe8, 0xb3, 0x3a));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xf7, 0xd0, 0x6b));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7), 0.8, 0.8);
}

void drawLandscape(QPainter& p, const QRectF& frame)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7e, 0xc4, 0xf0));
    p.drawRect(frame);
    p.setBrush(QColor(0xff, 0xd5, 0x4a));
    p.drawEllipse(QPointF(frame.right() - 3, frame.top() + 2.6), 1.5, 1.5);
    QPainterPath hills;
    hills.moveTo(frame.left(), frame.bottom());
    hills.lineTo(frame.left(), frame.bottom() - 2.5);
    hills.lineTo(frame.left() + 4, frame.top() + 3.5);
    hills.lineTo(frame.left() + 7.5, frame.bottom() - 3);
    hills.lineTo(frame.left() + 9.5, frame.bottom() - 4.5);
    hills.lineTo(frame.right(), frame.bottom() - 1.5);
    hills.lineTo(frame.right(), frame.bottom());
    hills.closeSubpath();
    p.setBrush(QColor(0x3f, 0x9b, 0x45));
    p.drawPath(hills);
}

void drawPicture(QPainter& p)
{
    p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    drawLandscape(p, QRectF(3, 4, 10, 8));
}

void drawMovie(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x2b, 0x33));
    p.drawRoundedRect(QRectF(1, 2, 14, 12), 1, 1);
    p.setBrush(QColor(0xee, 0xee, 0xee));
    for (int row = 0; row < 4; ++row) {
        p.drawRect(QRectF(2, 3 + row * 2.8, 1.5, 1.5));
        p.drawRect(QRectF(12.5, 3 + row * 2.8, 1.5, 1.5));
    }
    p.setBrush(QColor(0x7e, 0xc4, 0xf0));
    p.drawRect(QRectF(4.5, 3.5, 7, 9));
    p.setBrush(QColor(0xd9, 0x3b, 0x3b));
    QPolygonF play;
    play << QPointF(6.5, 5.5) << QPointF(10.5, 8) << QPointF(6.5, 10.5);
    p.drawPolygon(play);
}

void drawStatus(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x6f, 0xc4));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.6), 1.2, 1.2);
    p.drawRoundedRect(QRectF(7, 6.8, 2, 5.8), 0.6, 0.6);
}

void drawIdle(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x9d, 0x4a));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF tick;
    tick << QPointF(4.5, 8.3) << QPointF(7, 10.8) << QPointF(11.5, 5.5);
    p.drawPolyline(tick);
}

void drawProcessing(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x8a, 0x1e));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPolygonF glass;
    glass << QPointF(5, 4) << QPointF(11, 4) << QPointF(5, 12) << QPointF(11, 12) << QPointF(5, 4);
    p.drawPolyline(glass);
}

// The program's own icon, the one the menu shows (packaging/icons), in
// every size it was drawn at.
QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quorvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace

QIcon drawnIcon(IconKind kind)
{
    switch (kind) {
    case IconKind::Application:
        return applicationIcon();
    case IconKind::Directory:
        return drawIcon(drawFolder);
    case IconKind::Picture:
        return drawIcon(drawPicture);
    case IconKind::Movie:
        return drawIcon(drawMovie);
    case IconKind::Status:
        return drawIcon(drawStatus);
    case IconKind::Idle:
        return drawIcon(drawIdle);
    case IconKind::Processing:
        return drawIcon(drawProcessing);
    }
    return {};
}

}  // namespace quorvane::gui
