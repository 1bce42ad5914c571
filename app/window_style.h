// How the desktop program's windows look, beside where their controls sit
// (window_layout.h): faces, sizes and colours, for both views.
#pragma once

#include <cstdint>

namespace k5::app::style {

// "微软雅黑" (Microsoft YaHei by its Chinese name, which Windows knows it by too).
inline constexpr const char* kUiFace = "\u5FAE\u8F6F\u96C5\u9ED1";
inline constexpr const char* kWindowFace = "MS Sans Serif";
inline constexpr int kWindowFontPoints = 8;
inline constexpr int kUiFontPixels = 13;          // labels, fields, the log, the toolbar (bold)
inline constexpr int kWebAddressFontPixels = 16;  // bold

struct Colour {
    std::uint8_t red, green, blue;
};
inline constexpr Colour kBlack{0x00, 0x00, 0x00};
inline constexpr Colour kNavy{0x00, 0x00, 0x80};  // the group's caption, the web address
inline constexpr Colour kBlue{0x00, 0x00, 0xFF};  // the pack's kind
inline constexpr Colour kGaugeFill{0x00, 0xFF, 0x00};
inline constexpr Colour kGaugeFrame{0x80, 0x80, 0x80};

// The station window's tiles, read from two metres away.
inline constexpr int kTileTitlePixels = 14;  // bold
inline constexpr int kTileStatePixels = 26;  // bold, in a tile of the least size; larger in a larger one
inline constexpr int kTileWidth = 300;       // the least
inline constexpr Colour kTileIdle{0x40, 0x40, 0x40};
inline constexpr Colour kTileBusy{0x00, 0x00, 0x80};
inline constexpr Colour kTileGood{0x00, 0x7A, 0x00};
inline constexpr Colour kTileBad{0xC0, 0x00, 0x00};

// Each colour of ours above has a counterpart for a dark background (a dark
// palette or dark system colours), as readable there as the first is on a light one.
inline constexpr Colour kNavyOnDark{0x9D, 0xB7, 0xFF};
inline constexpr Colour kBlueOnDark{0x6C, 0xB4, 0xFF};
inline constexpr Colour kTileIdleOnDark{0xC0, 0xC0, 0xC0};
inline constexpr Colour kTileGoodOnDark{0x5D, 0xD5, 0x5D};
inline constexpr Colour kTileBadOnDark{0xFF, 0x80, 0x80};

// A tile is painted whole in its state's colours (an idle one in the window's own); the text on
// each keeps WCAG AA's contrast of 4.5:1 to its background.
struct TilePaint {
    Colour background, text;
};
inline constexpr Colour kWhite{0xFF, 0xFF, 0xFF};
inline constexpr TilePaint kTileWaitingPaint{{0xF2, 0xC2, 0x30}, kBlack};  // amber
inline constexpr TilePaint kTileWorkingPaint{{0x15, 0x65, 0xC0}, kWhite};  // blue
inline constexpr TilePaint kTileGoodPaint{{0x1B, 0x7A, 0x2E}, kWhite};     // green
inline constexpr TilePaint kTileFailedPaint{{0xB7, 0x1C, 0x1C}, kWhite};   // red

constexpr bool operator==(Colour a, Colour b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// A background darker than mid-grey, by its perceived lightness.
constexpr bool IsDark(Colour background) {
    return 299 * background.red + 587 * background.green + 114 * background.blue < 128 * 1000;
}

// `ours` as it is drawn on `background`: itself on a light one, its counterpart on a dark one.
constexpr Colour OnBackground(Colour ours, Colour background) {
    if (!IsDark(background)) return ours;
    constexpr struct {
        Colour light, dark;
    } kCounterparts[] = {{kNavy, kNavyOnDark},
                         {kBlue, kBlueOnDark},
                         {kTileIdle, kTileIdleOnDark},
                         {kTileGood, kTileGoodOnDark},
                         {kTileBad, kTileBadOnDark}};
    for (const auto& pair : kCounterparts) {
        if (pair.light == ours) return pair.dark;
    }
    return ours;
}

}  // namespace k5::app::style
