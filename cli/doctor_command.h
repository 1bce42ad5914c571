// `k5-iap doctor`: checks what a session needs before it runs: the settings
// file, where the configured port leads, and whether it can be opened.
#pragma once

#include <iosfwd>
#include <string>

namespace k5::cli {

struct DoctorOptions {
    std::string port;      // instead of COM<Port> from the settings file
    std::string settings;  // instead of the default settings file
};

// 0 when the port can be opened, 2 when it cannot.
int RunDoctor(const DoctorOptions& options, std::ostream& out, std::ostream& err);

}  // namespace k5::cli
