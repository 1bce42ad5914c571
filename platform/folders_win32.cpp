#include <cstdlib>
#include <string>

#include "folders.h"
#include "win32_api.h"

namespace k5::platform {

std::filesystem::path ExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::filesystem::path ExecutableDirectory() {
    const auto exe = ExecutablePath();
    return exe.empty() ? std::filesystem::current_path() : exe.parent_path();
}

std::filesystem::path UserConfigDirectory() {
    const wchar_t* appData = ::_wgetenv(L"APPDATA");
    return appData != nullptr && *appData != L'\0' ? std::filesystem::path(appData) : std::filesystem::path();
}

bool FolderWritable(const std::filesystem::path& folder) {
    // The ACLs decide; only trying tells. The probe goes when its handle closes.
    const auto probe = folder / (L".k5-write-probe-" + std::to_wstring(::GetCurrentProcessId()));
    const HANDLE h = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

}  // namespace k5::platform
