// Where the desktop program's controls sit, in pixels at 96 DPI, relative to
// the client area (inside the pack-information group: relative to the group).
// Shared by both views; the Win32 view scales it with the monitor's DPI.
#pragma once

#include <span>

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
inline constexpr int kNoticeLineHeight = 19;

// The one-line labels of the main window: each may reach from its left edge up to the next
// control on its row, else to its group's right edge (inside the group) or the client area's
// (`clientWidth`; kMinClientWidth, so that it fits at the smallest size too), less this margin. A text wider
// than that (a longer language's) is drawn in a face made smaller to fit.
inline constexpr int kLabelMargin = 8;

constexpr int LabelRoom(Box label, bool inGroup, int clientWidth) {
    constexpr Box kInGroup[] = {kFirmwareNameLabel, kFileNameField, kVersionLabel, kVersionField,
                                kKindLabel,         kTipLabel,      kLogo};
    constexpr Box kInClient[] = {kNotice, kNoticeReconnect, kNoticeOldTool, kWebAddress};
    int right = inGroup ? kPackGroup.width : clientWidth;
    for (const Box& other : inGroup ? std::span<const Box>(kInGroup) : std::span<const Box>(kInClient)) {
        if (other.y == label.y && other.x > label.x && other.x < right) right = other.x;
    }
    return right - kLabelMargin - label.x;
}

// The smallest client area (below the menu bar) in which every control shows
// whole where it sits: the group and the log with the margin left of them on
// their right too, down to the last notice line.
inline constexpr int kMinClientWidth = kPackGroup.x + kPackGroup.width + kPackGroup.x;
inline constexpr int kMinClientHeight = kNoticeOldTool.y + kNoticeLineHeight;

// The controls that follow the window's size. At the client size the window
// opens with (`opening`, its outer size less the frame and the menu bar) or
// smaller, they sit where they are given above; made larger, the log (and the
// progress bar above it) takes the room, and the lines under the log move down
// with its bottom edge.
struct FollowingBoxes {
    Box gauge, log, notice, noticeReconnect, noticeOldTool, webAddress;
};

constexpr FollowingBoxes MainWindowLayout(int clientWidth, int clientHeight, int openingWidth,
                                          int openingHeight) {
    const int wider = clientWidth > openingWidth ? clientWidth - openingWidth : 0;
    const int taller = clientHeight > openingHeight ? clientHeight - openingHeight : 0;
    const auto down = [taller](Box box) { return Box{box.x, box.y + taller, box.width, box.height}; };
    return {
        {kGauge.x, kGauge.y, kGauge.width + wider, kGauge.height},
        {kLog.x, kLog.y, kLog.width + wider, kLog.height + taller},
        down(kNotice),
        down(kNoticeReconnect),
        down(kNoticeOldTool),
        down(kWebAddress),
    };
}

// Port dialog: its outer size, and its controls in whatever client area the
// frame leaves: the buttons along the bottom, the group above them.
inline constexpr int kDialogWidth = 221;
inline constexpr int kDialogHeight = 273;

// How far a port dialog's drop-down list opens (Win32 sizes a combo box by it).
inline constexpr int kDropDownListHeight = 200;

struct PortDialogBoxes {
    Box group, portLabel, portBox, baudLabel, baudBox, save, exit;
    Box portLine;  // ours: what the selected port is, over the hidden baud box
};

// `px` scales a 96-DPI length to the screen's (the identity where the toolkit scales).
template <typename Scale>
constexpr PortDialogBoxes PortDialogLayout(int clientWidth, int clientHeight, Scale px) {
    const int margin = px(10);
    const int buttonWidth = px(75);
    const int buttonHeight = px(28);
    const int buttonTop = clientHeight - margin - buttonHeight;
    const int gap = (clientWidth - 2 * buttonWidth) / 3;
    const int groupWidth = clientWidth - 2 * margin;
    const int inner = margin + px(16);
    const int boxWidth = groupWidth - 2 * px(16);
    return {
        {margin, margin, groupWidth, buttonTop - 2 * margin},
        {inner, margin + px(26), boxWidth, px(19)},
        {inner, margin + px(48), boxWidth, px(27)},
        {inner, margin + px(88), boxWidth, px(19)},
        {inner, margin + px(110), boxWidth, px(27)},
        {gap, buttonTop, buttonWidth, buttonHeight},
        {clientWidth - gap - buttonWidth, buttonTop, buttonWidth, buttonHeight},
        {inner, margin + px(80), boxWidth, buttonTop - 2 * margin - px(88)},
    };
}

}  // namespace k5::app::layout
