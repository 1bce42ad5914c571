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

// A closed outline through `corners`.
QPainterPath Outline(std::initializer_list<QPointF> corners) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(corners)));
    path.closeSubpath();
    return path;
}

}  // namespace

QPixmap ReadPackPicture() {
    QPixmap pixmap = Blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // Folder: back with its tab, then the front flap.
    p.setPen(QPen(QColor(0x9A, 0x6A, 0x00), 1));
    p.setBrush(QColor(0xE8, 0xB4, 0x1A));
    const QPainterPath back = Outline({{2, 7}, {9, 7}, {11, 9}, {21, 9}, {21, 21}, {2, 21}});
    p.drawPath(back);
    p.setBrush(QColor(0xFF, 0xD8, 0x4A));
    const QPainterPath front = Outline({{2, 21}, {5, 12}, {23, 12}, {21, 21}});
    p.drawPath(front);
    // Green arrow pointing down into the folder.
    p.setPen(QPen(QColor(0x0A, 0x6A, 0x0A), 1));
    p.setBrush(QColor(0x22, 0xB0, 0x22));
    const QPainterPath arrow = Outline({{14, 1}, {18, 1}, {18, 8}, {21, 8}, {16, 14}, {11, 8}, {14, 8}});
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
    const QPainterPath arrow = Outline({{10, 5}, {14, 5}, {14, 11}, {18, 11}, {12, 18}, {6, 11}, {10, 11}});
    p.drawPath(arrow);
    return pixmap;
}

}  // namespace k5::app
