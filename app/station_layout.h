// How the station window arranges its tiles, for both views: in as many
// columns as its width holds, and, as it opens, large enough to show every
// tile within the screen. Lengths in one unit (the Win32 view's at 96 DPI,
// Qt's device-independent pixels).
#pragma once

#include <algorithm>
#include <cstddef>

#include "window_layout.h"

namespace k5::app::station_layout {

struct Size {
    int width, height;
};

// Between tiles, and between the tiles and the window's edges.
inline constexpr int kGap = 10;
// Tiles side by side at most as the window opens (a wider window takes more).
inline constexpr int kMostOpeningColumns = 4;

// The columns of tiles a tile area `width` wide holds: at least one.
constexpr int Columns(int width, int tileWidth) { return std::max(1, (width - kGap) / (tileWidth + kGap)); }

constexpr int Rows(std::size_t tiles, int columns) {
    return static_cast<int>((tiles + static_cast<std::size_t>(columns) - 1) /
                            static_cast<std::size_t>(columns));
}

// Where tile `index` sits in a tile area of `columns`.
constexpr layout::Box TileBox(std::size_t index, int columns, Size tile) {
    const int column = static_cast<int>(index % static_cast<std::size_t>(columns));
    const int row = static_cast<int>(index / static_cast<std::size_t>(columns));
    return {kGap + column * (tile.width + kGap), kGap + row * (tile.height + kGap), tile.width, tile.height};
}

// The room `tiles` take in `columns`, with the gaps around them.
constexpr Size TileAreaSize(std::size_t tiles, int columns, Size tile) {
    const int shownColumns = std::max(1, std::min(columns, static_cast<int>(tiles)));
    return {kGap + shownColumns * (tile.width + kGap), kGap + Rows(tiles, columns) * (tile.height + kGap)};
}

// The client size the window opens at: `controls` (the room its controls need,
// above the tiles) and every tile in up to kMostOpeningColumns, as far as
// `screen` (the client area the screen leaves) allows; a window that cannot
// show every tile scrolls them.
constexpr Size OpeningSize(Size controls, Size tile, std::size_t tiles, Size screen) {
    const int fitting = Columns(screen.width, tile.width);
    const int columns = std::max(1, std::min({kMostOpeningColumns, fitting, static_cast<int>(tiles)}));
    const Size area = TileAreaSize(std::max<std::size_t>(tiles, 1), columns, tile);
    return {std::min(screen.width, std::max(controls.width, area.width)),
            std::min(screen.height, controls.height + area.height)};
}

// Where a window whose outer box (frame included) is `outer` lies within `work`,
// the screen less its panels: moved back in where it reaches past an edge, and
// no larger than `work`.
constexpr layout::Box WithinWorkArea(layout::Box outer, layout::Box work) {
    const int width = std::min(outer.width, work.width);
    const int height = std::min(outer.height, work.height);
    const int x = std::clamp(outer.x, work.x, work.x + work.width - width);
    const int y = std::clamp(outer.y, work.y, work.y + work.height - height);
    return {x, y, width, height};
}

}  // namespace k5::app::station_layout
