// What the station records of one session (the front end writes it: CSV or JSON Lines).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace k5 {

struct StationRecord {
    std::chrono::system_clock::time_point ended;
    std::string host;     // filled by the front end
    std::string port;     // as named ("COM3", a device path)
    std::string device;   // what it opened
    std::string adapter;  // USB vendor:product and serial where the system knows them (front end)
    std::string packFile;
    std::string sha256;
    int version = 0;
    std::uint32_t productCode = 0;
    int kind = 0;
    std::uint32_t imageLength = 0;
    bool fast = false;
    std::string outcome;
    std::vector<std::string> log;
    double seconds = 0;
    std::uint64_t bytesSent = 0;
    std::string label;         // the controller's, typed or scanned for this update; empty when none
    std::string setup;         // the name of the station set-up it ran with ("Line 3"); empty when none
    std::string workOrder;     // the set-up's or the command line's
    std::string operatorName;  // who ran the station (asked at Start in a locked station)
};

}  // namespace k5
