// The window style in Win32 terms: the fonts at one DPI (the window's own "MS Sans Serif"
// 8 pt, "微软雅黑" 13 px (plain and bold) for the controls, 16 px bold for
// the web address), and the colours.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "gui_api.h"
#include "window_style.h"

namespace k5::app::win32 {

class Win32Fonts {
  public:
    explicit Win32Fonts(UINT dpi);
    ~Win32Fonts();
    Win32Fonts(const Win32Fonts&) = delete;
    Win32Fonts& operator=(const Win32Fonts&) = delete;

    HFONT window = nullptr;
    HFONT ui = nullptr;
    HFONT uiBold = nullptr;
    HFONT webAddress = nullptr;
    HFONT tileTitle = nullptr;  // the station's tiles
    HFONT tileState = nullptr;

    // `font` made smaller so that a text `width` pixels wide in it takes at
    // most `room`: where the named face is missing, a wider stand-in must still
    // fit. Kept until these fonts go.
    HFONT Fitting(HFONT font, int width, int room);
    // `font` in the largest size in which `text` fits `room` (drawn with DrawText's `flags`: on
    // one line, or wrapped at the room's width), no smaller than kSmallestPixels; `font` itself
    // when it fits. Each size is made once and kept until these fonts go.
    HFONT FittingText(HDC dc, HFONT font, const std::wstring& text, SIZE room, UINT flags) const;

    static constexpr int kSmallestPixels = 8;

  private:
    std::vector<HFONT> fitted_;
    mutable std::map<std::pair<HFONT, LONG>, HFONT> sized_;  // by the font and the height made
};

// The DPI `window` is shown at (96 where the system cannot say).
UINT DpiOf(HWND window);
inline constexpr COLORREF Rgb(style::Colour c) { return RGB(c.red, c.green, c.blue); }

// `pixels` at 96 DPI, at `dpi`.
inline int Scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }

}  // namespace k5::app::win32
