// The windows' texts whose words follow a count: each in English's two forms
// (for 1, for any other count), which a catalogue gives in its language's own
// number of forms (po/). %1 is the count.
#pragma once

#include <string>

#include "message_text.h"
#include "translation.h"

namespace k5::app::text {

// A station tile's counts, and the station's total ("%1, %2 since Start").
inline constexpr PluralText kGoodCount = NP_("%1 good", "%1 good");
inline constexpr PluralText kFailedCount = NP_("%1 failed", "%1 failed");
// A running update on a tile: "%1 of %2 bytes", %2 (the image's length) the count.
inline constexpr PluralText kTileBytes = NP_("%1 of %2 bytes", "%1 of %2 bytes");

}  // namespace k5::app::text

namespace k5::app {

// `count` with the words that follow it in the windows' language: "1 good", "3 failed".
inline std::string CountText(const PluralText& text, long count) {
    return FillIn(TrN(text, static_cast<unsigned long>(count)), {std::to_string(count)});
}

}  // namespace k5::app
