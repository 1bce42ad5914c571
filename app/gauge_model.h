// The progress bar's arithmetic, shared by both desktop programs: a position
// clamped into 0 ... maximum, shown in whole per cent. A new position needs a
// redraw only when the per cent changes; a new maximum always does.
#pragma once

#include <algorithm>
#include <cstdint>

namespace k5::app {

class GaugeModel {
  public:
    std::int64_t MaxValue() const { return maxValue_; }
    std::int64_t Progress() const { return progress_; }

    // trunc(100 * Progress / MaxValue), or 0 for a maximum of 0.
    int PercentDone() const { return maxValue_ <= 0 ? 0 : static_cast<int>(100 * progress_ / maxValue_); }

    // A maximum below the position lowers the position to it. Returns whether to redraw (always).
    bool SetMaxValue(std::int64_t maximum) {
        maxValue_ = std::max<std::int64_t>(0, maximum);
        progress_ = std::min(progress_, maxValue_);
        return true;
    }

    // Returns whether the shown per cent changed.
    bool SetProgress(std::int64_t position) {
        const int before = PercentDone();
        progress_ = std::clamp<std::int64_t>(position, 0, maxValue_);
        return PercentDone() != before;
    }

    // The filled part of a bar `width` pixels wide.
    int FilledWidth(int width) const { return PercentDone() * width / 100; }

  private:
    std::int64_t maxValue_ = 1000;
    std::int64_t progress_ = 0;
};

}  // namespace k5::app
