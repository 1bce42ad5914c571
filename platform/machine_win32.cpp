#include "machine.h"
#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {

std::string HostName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &size) ? Narrow(std::wstring(name, size)) : "";
}

const char* SystemName() { return "windows"; }

}  // namespace k5::platform
