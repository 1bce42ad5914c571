#include "gauge.h"

#include <QPainter>

#include "fonts.h"

namespace k5::app {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

void TGauge::SetMaxValue(std::int64_t maximum) {
    if (model_.SetMaxValue(maximum)) Redraw();
}

void TGauge::SetProgress(std::int64_t position) {
    if (model_.SetProgress(position)) Redraw();
}

void TGauge::Redraw() {
    ++redrawRequests_;
    update();
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, Qt::white);
    const int percent = PercentDone();
    const int filled = model_.FilledWidth(area.width());
    painter.fillRect(QRect(area.left(), area.top(), filled, area.height()), ToQColor(style::kGaugeFill));
    painter.setPen(ToQColor(style::kGaugeFrame));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.drawText(area, Qt::AlignCenter, QString::number(percent) + "%");
}

}  // namespace k5::app
