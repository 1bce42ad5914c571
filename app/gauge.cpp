#include "gauge.h"

#include <QPainter>
#include <algorithm>

namespace k5::app {

TGauge::TGauge(QWidget* parent) : QWidget(parent) {}

int TGauge::PercentDone() const {
    if (maxValue_ <= 0) return 0;
    return static_cast<int>(100 * progress_ / maxValue_);
}

void TGauge::SetMaxValue(std::int64_t maximum) {
    maxValue_ = std::max<std::int64_t>(0, maximum);
    progress_ = std::min(progress_, maxValue_);
    Redraw();
}

void TGauge::SetProgress(std::int64_t position) {
    const int before = PercentDone();
    progress_ = std::clamp<std::int64_t>(position, 0, maxValue_);
    if (PercentDone() != before) Redraw();
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
    const int filled = percent * area.width() / 100;
    painter.fillRect(QRect(area.left(), area.top(), filled, area.height()), QColor(0x00, 0xFF, 0x00));
    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.drawText(area, Qt::AlignCenter, QString::number(percent) + "%");
}

}  // namespace k5::app
