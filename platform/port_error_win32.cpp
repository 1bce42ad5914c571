#include "port_error.h"
#include "text_mark.h"
#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {

const char* const kPermissionAdvice = N_("ask the administrator for access to the port");

std::string InUseAdvice(const std::string&) {
    return N_("another program has the port open: a terminal, a driver tool, another k5-iap");
}

PortErrorKind KindOfPortError(int osError) {
    switch (static_cast<DWORD>(osError)) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
            return PortErrorKind::Missing;
        // Windows answers an exclusive open of a port in use with "access denied".
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return PortErrorKind::InUse;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_PARAMETER:
            return PortErrorKind::NotASerialPort;
        default:
            return PortErrorKind::Other;
    }
}

std::string OsErrorText(int osError) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(osError), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(osError);
    if (text) ::LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.')) {
        message.pop_back();
    }
    return Narrow(message);
}

std::string PermissionAdvice(const std::string&) { return kPermissionAdvice; }

}  // namespace k5::platform
