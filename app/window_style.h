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

// The station window's tiles, read from a step away.
inline constexpr int kTileTitlePixels = 14;  // bold
inline constexpr int kTileStatePixels = 26;  // bold
inline constexpr int kTileWidth = 300;
inline constexpr Colour kTileIdle{0x40, 0x40, 0x40};
inline constexpr Colour kTileBusy{0x00, 0x00, 0x80};
inline constexpr Colour kTileGood{0x00, 0x80, 0x00};
inline constexpr Colour kTileBad{0xC0, 0x00, 0x00};

}  // namespace k5::app::style
