// How a station tile looks for its kind, for both views: painted whole in the
// kind's colours (an idle tile in the window's own), with a mark beside its
// state word, so that the kind does not rest on colour alone.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "message_text.h"
#include "station_window_model.h"
#include "translation.h"
#include "window_style.h"
#include "window_texts.h"

namespace k5::app {

enum class TileMark {
    None,
    Hourglass,  // waiting
    Ring,       // working: a ring that fills as the transfer goes on
    Check,      // good
    Cross,      // failed
};

struct TileLook {
    std::optional<style::TilePaint> paint;  // none: the window's own colours
    TileMark mark;
};

constexpr TileLook LookOf(TileKind kind) {
    switch (kind) {
        case TileKind::Waiting:
            return {style::kTileWaitingPaint, TileMark::Hourglass};
        case TileKind::Working:
            return {style::kTileWorkingPaint, TileMark::Ring};
        case TileKind::Good:
            return {style::kTileGoodPaint, TileMark::Check};
        case TileKind::Failed:
            return {style::kTileFailedPaint, TileMark::Cross};
        case TileKind::Idle:
            break;
    }
    return {std::nullopt, TileMark::None};
}

// A mark is drawn in a square box 100 units wide, in the text's colour: lines kMarkStroke units
// wide with round ends through each stroke's points; the ring a circle of kRingRadius about the
// box's centre, a pie inside it for the part of the transfer done.
struct MarkPoint {
    int x, y;
};
inline constexpr int kMarkStroke = 12;
inline constexpr int kRingRadius = 40;

inline constexpr MarkPoint kCheckStroke[] = {{14, 54}, {40, 80}, {88, 24}};
inline constexpr MarkPoint kCrossStrokes[2][2] = {{{20, 20}, {80, 80}}, {{80, 20}, {20, 80}}};
// Two glasses meeting at the waist, closed at the top and the bottom.
inline constexpr MarkPoint kHourglassStroke[] = {{22, 12}, {78, 12}, {22, 88}, {78, 88}, {22, 12}};

// The strokes of `mark` (none for the ring, and for no mark).
inline std::vector<std::span<const MarkPoint>> MarkStrokes(TileMark mark) {
    switch (mark) {
        case TileMark::Check:
            return {kCheckStroke};
        case TileMark::Cross:
            return {kCrossStrokes[0], kCrossStrokes[1]};
        case TileMark::Hourglass:
            return {kHourglassStroke};
        case TileMark::Ring:
        case TileMark::None:
            break;
    }
    return {};
}

// The line under a tile's label field: why the text last given was refused, else the label
// taken for the port's next update.
inline std::string TileLabelNote(const StationTile& tile) {
    if (!tile.labelProblem.empty()) return tile.labelProblem;
    return tile.label.empty() ? "" : FillIn(Tr(text::kTileNextLabel), {tile.label});
}

}  // namespace k5::app
