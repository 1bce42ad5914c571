// Which ports the desktop program's two users of serial ports hold: the main
// window's session and the station. Neither takes a port the other holds.
// Devices are compared as their port names lead to them. UI thread only.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace k5::app {

class PortUse {
  public:
    void SetSessionDevice(std::string device) { sessionDevice_ = std::move(device); }
    void ClearSessionDevice() { sessionDevice_.clear(); }
    bool SessionHolds(const std::string& device) const {
        return !sessionDevice_.empty() && device == sessionDevice_;
    }

    void SetStationDevices(std::vector<std::string> devices) { stationDevices_ = std::move(devices); }
    void ClearStationDevices() { stationDevices_.clear(); }
    bool StationHolds(const std::string& device) const {
        return std::find(stationDevices_.begin(), stationDevices_.end(), device) != stationDevices_.end();
    }

  private:
    std::string sessionDevice_;
    std::vector<std::string> stationDevices_;
};

}  // namespace k5::app
