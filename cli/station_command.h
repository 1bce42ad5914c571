// `k5-iap station`: one pack, controller after controller on one or more ports,
// a record line for each update.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace k5::cli {

struct StationCommandOptions {
    std::string pack;                // or the set-up's
    std::string setup;               // a station set-up file (*.k5station): its pack, ports, record and modes
    std::vector<std::string> ports;  // default: COM<Port> of the settings file
    std::string settings;
    std::string record;  // CSV, or JSON Lines for *.jsonl; none when empty
    int count = 0;
    bool fast = false;
    std::string speed;  // as program --speed
    bool noAuto = false;
    bool json = false;
    bool anyProduct = false;
    bool labelRequired = false;  // an update starts only on a port given a label
    std::string operatorName;    // for the record
    std::string workOrder;       // for the record (a set-up's WorkOrder otherwise)
};

// Reads the operator's lines from `in` (see operator_line.h).
int RunStation(const StationCommandOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
               bool terminal);

}  // namespace k5::cli
