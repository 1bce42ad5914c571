#include "win32_gauge.h"

#include <string>

#include "win32_fonts.h"
#include "window_class.h"

namespace k5::app::win32 {
namespace {

constexpr wchar_t kClassName[] = L"K5Gauge";

}  // namespace

Win32Gauge::Win32Gauge(HWND parent) {
    static const ATOM atom = RegisterChildClass(kClassName, &Win32Gauge::WindowProc);
    (void)atom;
    window_ = CreateWindowExW(0, kClassName, L"", WS_CHILD, 0, 0, 0, 0, parent, nullptr,
                              GetModuleHandleW(nullptr), this);
}

void Win32Gauge::SetMaxValue(std::int64_t maximum) {
    if (model_.SetMaxValue(maximum)) Redraw();
}

void Win32Gauge::SetProgress(std::int64_t position) {
    if (model_.SetProgress(position)) Redraw();
}

void Win32Gauge::Redraw() {
    ++redrawRequests_;
    InvalidateRect(window_, nullptr, FALSE);
}

void Win32Gauge::Paint(HDC dc, const RECT& area) const {
    const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    FillRect(dc, &area, white);
    RECT filled = area;
    filled.right = area.left + model_.FilledWidth(area.right - area.left);
    const HBRUSH lime = CreateSolidBrush(Rgb(style::kGaugeFill));
    FillRect(dc, &filled, lime);
    DeleteObject(lime);
    const HBRUSH grey = CreateSolidBrush(Rgb(style::kGaugeFrame));
    FrameRect(dc, &area, grey);
    DeleteObject(grey);

    std::wstring text = std::to_wstring(model_.PercentDone()) + L"%";
    const HGDIOBJ oldFont = SelectObject(dc, font_ != nullptr ? font_ : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Rgb(style::kBlack));
    RECT textArea = area;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textArea,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK Win32Gauge::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const Win32Gauge*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            if (self != nullptr) self->Paint(dc, area);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace k5::app::win32
