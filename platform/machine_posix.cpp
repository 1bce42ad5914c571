#include <limits.h>
#include <unistd.h>

#include "machine.h"

namespace k5::platform {

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

const char* SystemName() { return "linux"; }

}  // namespace k5::platform
