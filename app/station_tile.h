// A station port's status as its tile shows it.
#pragma once

#include <string>

#include "station.h"
#include "station_window_model.h"
#include "window_style.h"

namespace k5::app {

// The colour of a tile's state.
style::Colour ToneColour(TileTone tone);

// `adapter`: the USB adapter behind the port ("0403:6001 A50285BI"), empty where unknown.
// While the station runs (`served`) it probes idle ports; once it has ended the tile keeps
// the last outcome and says that Start serves the port again.
StationTile TileFor(const PortStatus& status, const std::string& adapter, bool served = true);

}  // namespace k5::app
