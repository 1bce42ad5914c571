#include "line_speed_names.h"

#include "iap_session.h"

namespace k5 {

std::vector<int> FastestFirst() {
    TransferMode search;
    search.autoSpeed = true;
    return ProbeSpeedOrder(search, 0);
}

std::string SpeedList() {
    std::string list;
    for (const int index : FastestFirst())
        list += (list.empty() ? "" : ", ") + std::to_string(SessionBaudRate(index));
    return list;
}

bool ApplySpeedName(const std::string& name, TransferMode& mode) {
    if (name == "default") {
        mode.autoSpeed = false;
        mode.baudIndex = -1;
        return true;
    }
    if (name == "auto") {
        mode.autoSpeed = true;
        return true;
    }
    for (const int index : FastestFirst()) {
        if (name == std::to_string(SessionBaudRate(index))) {
            mode.autoSpeed = false;
            mode.baudIndex = index;
            return true;
        }
    }
    return false;
}

}  // namespace k5
