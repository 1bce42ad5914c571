// Line speeds by name, as the command line and a station set-up give them:
// "default" (the standard speed, not searched), "auto" (searched at each
// connection), or a speed in baud ("115200").
#pragma once

#include <string>
#include <vector>

#include "transfer_mode.h"

namespace k5 {

// Every speed the protocol has as a baud index, the fastest first (the search's order).
std::vector<int> FastestFirst();

// The speeds in baud, the fastest first: "115200, 57600, 38400".
std::string SpeedList();

// The speed `name` names, applied to `mode`; false (and `mode` as it was) for a name that names none.
bool ApplySpeedName(const std::string& name, TransferMode& mode);

}  // namespace k5
