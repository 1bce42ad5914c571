// `k5-iap doctor`: checks what a session needs before it runs: the settings
// file, where the configured port leads, the adapter and what commonly breaks
// it (another program holding the port, ModemManager, brltty, a driver known
// to fail), whether the port can be opened, and on request whether a
// bootloader answers a probe.
#pragma once

#include <iosfwd>
#include <string>

#include "port_survey.h"

namespace k5::cli {

struct DoctorOptions {
    std::string port;             // instead of COM<Port> from the settings file
    std::string settings;         // instead of the default settings file
    bool probe = false;           // send one probe and report whether a bootloader answered
    platform::SurveyRoots roots;  // where the system is looked at (tests lay out their own)
};

// 0 when the port opens (and, with probe, a bootloader answered), 1 when the
// probe went unanswered, 2 when the port does not open.
int RunDoctor(const DoctorOptions& options, std::ostream& out, std::ostream& err);

}  // namespace k5::cli
