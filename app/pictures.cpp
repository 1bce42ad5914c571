#include "pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace k5::app {
namespace {

QPixmap Blank() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QPixmap ReadPackPicture() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Folder: back with its tab, then the front flap.
    p.setPen(QPen(QColor(0x9A, 0x6A, 0x00), 1));
    p.setBrush(QColor(0xE8, 0xB4, 0x1A));
    QPainterPath back;
    back.moveTo(2, 7);
    back.lineTo(9, 7);
    back.lineTo(11, 9);
    back.lineTo(21, 9);
    back.lineTo(21, 21);
    back.lineTo(2, 21);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xFF, 0xD8, 0x4A));
    QPainterPath front;
    front.moveTo(2, 21);
    front.lineTo(5, 12);
    front.lineTo(23, 12);
    front.lineTo(21, 21);
    front.closeSubpath();
    p.drawPath(front);
    // Green arrow pointing down into the folder.
    p.setPen(QPen(QColor(0x0A, 0x6A, 0x0A), 1));
    p.setBrush(QColor(0x22, 0xB0, 0x22));
    QPainterPath arrow;
    arrow.moveTo(14, 1);
    arrow.lineTo(18, 1);
    arrow.lineTo(18, 8);
    arrow.lineTo(21, 8);
    arrow.lineTo(16, 14);
    arrow.lineTo(11, 8);
    arrow.lineTo(14, 8);
    arrow.closeSubpath();
    p.drawPath(arrow);
    return pixmap;
}

QPixmap ProgramPicture() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shine(QPointF(9, 8), 14);
    shine.setColorAt(0, QColor(0x7C, 0xE8, 0x7C));
    shine.setColorAt(1, QColor(0x14, 0x8C, 0x14));
    p.setPen(QPen(QColor(0x0A, 0x5A, 0x0A), 1));
    p.setBrush(shine);
    p.drawEllipse(QRectF(1.5, 1.5, 21, 21));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPainterPath arrow;
    arrow.moveTo(10, 5);
    arrow.lineTo(14, 5);
    arrow.lineTo(14, 11);
    arrow.lineTo(18, 11);
    arrow.lineTo(12, 18);
    arrow.lineTo(6, 11);
    arrow.lineTo(10, 11);
    arrow.closeSubpath();
    p.drawPath(arrow);
    return pixmap;
}

}  // namespace k5::app
