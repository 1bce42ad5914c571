// How the station window arranges its tiles, for both views: they share the
// tile area's width and height in the columns that let them show their state
// largest, and the window, as it opens and at Start, is large enough to show
// every tile within the screen. Lengths in one unit (the Win32 view's at 96 DPI,
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
// How far a tile's state line grows, per cent of its size in a tile of the least size.
inline constexpr int kMostStatePercent = 300;

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

// How large a tile's state line (its word and its mark) is drawn, per cent of its size in a tile
// of `least` size whose state line is `stateHeight` high: as far as the tile's width allows, and
// into all the height the tile has beyond `least`.
constexpr int StatePercent(Size tile, Size least, int stateHeight) {
    const int byWidth = tile.width * 100 / std::max(1, least.width);
    const int byHeight = 100 + (tile.height - least.height) * 100 / std::max(1, stateHeight);
    return std::clamp(std::min(byWidth, byHeight), 100, kMostStatePercent);
}

// How the tiles share the tile area: in how many columns, how large each is, and how large its
// state line is drawn (StatePercent).
struct TileGrid {
    int columns;
    Size tile;
    int statePercent;
};

// `tiles` sharing a tile area of `area` (the gaps around them included): in the columns that
// let their state lines grow largest, the larger tiles where that is even (four ports fill it as
// 2x2 or as 4x1), each at least `least` large. Where the area is too small for that, as many
// columns as its width holds, and rows that do not fit scroll.
constexpr TileGrid ShareArea(std::size_t tiles, Size area, Size least, int stateHeight) {
    const int count = static_cast<int>(std::max<std::size_t>(tiles, 1));
    const auto tileIn = [&](int columns) {
        const int rows = Rows(static_cast<std::size_t>(count), columns);
        return Size{(area.width - kGap) / columns - kGap, (area.height - kGap) / rows - kGap};
    };
    TileGrid best{0, least, 0};
    for (int columns = 1; columns <= count; ++columns) {
        const Size tile = tileIn(columns);
        if (tile.width < least.width || tile.height < least.height) continue;
        const int percent = StatePercent(tile, least, stateHeight);
        if (percent > best.statePercent ||
            (percent == best.statePercent && static_cast<long long>(tile.width) * tile.height >
                                                 static_cast<long long>(best.tile.width) * best.tile.height))
            best = {columns, tile, percent};
    }
    if (best.columns > 0) return best;
    const int columns = std::min(count, Columns(area.width, least.width));
    const Size tile{std::max(least.width, tileIn(columns).width),
                    std::max(least.height, tileIn(columns).height)};
    return {columns, tile, StatePercent(tile, least, stateHeight)};
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

// The client size once the tiles are those of Start: `client`, grown where it is smaller than the
// opening size, within `screen`.
constexpr Size GrownForTiles(Size client, Size controls, Size tile, std::size_t tiles, Size screen) {
    const Size opening = OpeningSize(controls, tile, tiles, screen);
    return {std::min(screen.width, std::max(client.width, opening.width)),
            std::min(screen.height, std::max(client.height, opening.height))};
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
