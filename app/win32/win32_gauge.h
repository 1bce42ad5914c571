// Gauge1 on Win32: the progress bar in whole per cent, lime on white with
// "N%" centred, redrawn only when the per cent changes or the maximum is set.
#pragma once

#include <cstdint>

#include "gauge_model.h"
#include "gui_api.h"

namespace k5::app::win32 {

class Win32Gauge {
  public:
    // A hidden child of `parent`.
    explicit Win32Gauge(HWND parent);
    Win32Gauge(const Win32Gauge&) = delete;
    Win32Gauge& operator=(const Win32Gauge&) = delete;

    HWND Handle() const { return window_; }
    void SetFont(HFONT font) { font_ = font; }

    std::int64_t MaxValue() const { return model_.MaxValue(); }
    std::int64_t Progress() const { return model_.Progress(); }
    int PercentDone() const { return model_.PercentDone(); }
    void SetMaxValue(std::int64_t maximum);
    void SetProgress(std::int64_t position);
    // How many redraws the gauge has asked for.
    int RedrawRequests() const { return redrawRequests_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Redraw();
    void Paint(HDC dc, const RECT& area) const;

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    GaugeModel model_;
    int redrawRequests_ = 0;
};

}  // namespace k5::app::win32
