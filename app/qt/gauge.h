// TGauge: a horizontal progress bar that works in whole per cent, filled lime
// on white from the left, with "N%" centred on it. It redraws only when the
// per cent changes or the maximum is set.
#pragma once

#include <QWidget>
#include <cstdint>

#include "gauge_model.h"

namespace k5::app {

class TGauge : public QWidget {
    Q_OBJECT
  public:
    explicit TGauge(QWidget* parent = nullptr);

    std::int64_t MinValue() const { return 0; }
    std::int64_t MaxValue() const { return model_.MaxValue(); }
    // A maximum below the position lowers the position to it.
    void SetMaxValue(std::int64_t maximum);
    std::int64_t Progress() const { return model_.Progress(); }
    // Clamped into 0 ... MaxValue.
    void SetProgress(std::int64_t position);

    // trunc(100 * Progress / MaxValue), or 0 for a maximum of 0.
    int PercentDone() const { return model_.PercentDone(); }
    // How many redraws the gauge has asked for.
    int RedrawRequests() const { return redrawRequests_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Redraw();

    GaugeModel model_;
    int redrawRequests_ = 0;
};

}  // namespace k5::app
