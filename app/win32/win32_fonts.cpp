#include "win32_fonts.h"

#include <algorithm>
#include <initializer_list>

#include "win32_text.h"
#include "window_style.h"

namespace k5::app::win32 {
namespace {

HFONT MakeFont(const char* face, int height, bool bold) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, Widen(face).c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

}  // namespace

Win32Fonts::Win32Fonts(UINT dpi) {
    // Negative heights are character heights: pixels as the layout gives them.
    window =
        MakeFont(style::kWindowFace, -MulDiv(style::kWindowFontPoints, static_cast<int>(dpi), 72), false);
    ui = MakeFont(style::kUiFace, -Scaled(style::kUiFontPixels, dpi), false);
    uiBold = MakeFont(style::kUiFace, -Scaled(style::kUiFontPixels, dpi), true);
    webAddress = MakeFont(style::kUiFace, -Scaled(style::kWebAddressFontPixels, dpi), true);
    tileTitle = MakeFont(style::kUiFace, -Scaled(style::kTileTitlePixels, dpi), true);
    tileState = MakeFont(style::kUiFace, -Scaled(style::kTileStatePixels, dpi), true);
}

Win32Fonts::~Win32Fonts() {
    for (HFONT font : {window, ui, uiBold, webAddress, tileTitle, tileState}) {
        if (font != nullptr) DeleteObject(font);
    }
    for (HFONT font : fitted_) DeleteObject(font);
    for (const auto& [made, font] : sized_) DeleteObject(font);
}

HFONT Win32Fonts::Fitting(HFONT font, int width, int room) {
    LOGFONTW shape{};
    if (width <= 0 || GetObjectW(font, sizeof shape, &shape) == 0) return font;
    // Heights are negative (character heights); at least a pixel smaller.
    shape.lfHeight = std::min<LONG>(MulDiv(shape.lfHeight, room, width), shape.lfHeight + 1);
    shape.lfWidth = 0;
    HFONT smaller = CreateFontIndirectW(&shape);
    if (smaller == nullptr) return font;
    fitted_.push_back(smaller);
    return smaller;
}

HFONT Win32Fonts::FittingText(HDC dc, HFONT font, const std::wstring& text, SIZE room, UINT flags) const {
    LOGFONTW shape{};
    if (text.empty() || GetObjectW(font, sizeof shape, &shape) == 0) return font;
    const auto fits = [&](HFONT candidate) {
        const HGDIOBJ old = SelectObject(dc, candidate);
        RECT needed{0, 0, room.cx, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                  (flags & ~DT_VCENTER) | DT_NOPREFIX | DT_CALCRECT);
        SelectObject(dc, old);
        return needed.right <= room.cx && needed.bottom <= room.cy;
    };
    HFONT chosen = font;
    // Heights are negative (character heights): a pixel smaller each step.
    for (LONG height = shape.lfHeight; !fits(chosen) && -height > kSmallestPixels;) {
        ++height;
        auto& made = sized_[{font, height}];
        if (made == nullptr) {
            LOGFONTW smaller = shape;
            smaller.lfHeight = height;
            smaller.lfWidth = 0;
            made = CreateFontIndirectW(&smaller);
            if (made == nullptr) return chosen;
        }
        chosen = made;
    }
    return chosen;
}

UINT DpiOf(HWND window) {
    // GetDpiForWindow exists from Windows 10 1607 on; older systems draw at 96 DPI.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpiForWindow != nullptr && window != nullptr ? getDpiForWindow(window) : 0;
    if (dpi != 0) return dpi;
    const HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return systemDpi > 0 ? static_cast<UINT>(systemDpi) : 96;
}

}  // namespace k5::app::win32
