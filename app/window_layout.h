// Where the desktop program's controls sit, in pixels at 96 DPI, relative to
// the client area (inside the pack-information group: relative to the group).
// Shared by both views; the Win32 view scales it with the monitor's DPI.
#pragma once

namespace k5::app::layout {

struct Box {
    int x, y, width, height;
};

// Main window.
inline constexpr int kOuterWidth = 496;
inline constexpr int kOuterHeight = 488;
inline constexpr int kToolBarHeight = 49;
inline constexpr int kButtonHeight = 39;
inline constexpr int kReadPackWidth = 185;
inline constexpr int kProgramWidth = 264;
inline constexpr int kPictureSize = 24;
inline constexpr Box kPackGroup{2, 56, 471, 145};
inline constexpr Box kFirmwareNameLabel{8, 32, 0, 0};
inline constexpr Box kFileNameField{8, 52, 457, 27};
inline constexpr Box kVersionLabel{8, 88, 0, 0};
inline constexpr Box kVersionField{8, 108, 121, 27};
inline constexpr Box kKindLabel{208, 88, 241, 19};
inline constexpr Box kTipLabel{208, 112, 0, 0};
inline constexpr Box kLogo{296, 18, 169, 25};
inline constexpr Box kGauge{2, 208, 471, 17};
inline constexpr Box kLog{2, 232, 471, 129};
inline constexpr int kLogLineHeight = 19;
inline constexpr Box kNotice{8, 360, 0, 0};
inline constexpr Box kNoticeReconnect{8, 384, 0, 0};
inline constexpr Box kNoticeOldTool{8, 408, 0, 0};
inline constexpr Box kWebAddress{280, 360, 185, 19};

// Port dialog: its outer size. (Each view lays out its controls inside.)
inline constexpr int kDialogWidth = 221;
inline constexpr int kDialogHeight = 273;

}  // namespace k5::app::layout
