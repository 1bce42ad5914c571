#include "single_instance.h"

#include <sddl.h>

#include "p_UpdateDispController.h"

#include <memory>
#include <vector>

namespace k5::app::win32 {

namespace {

// The token user's SID of `process` (this one when null), or nothing.
std::vector<BYTE> UserSidOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    const bool read = size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    CloseHandle(token);
    if (!read) return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<BYTE> copy(GetLengthSid(sid));
    CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid);
    return copy;
}

std::wstring MutexName() {
    std::wstring name = L"Local\\k5-iap-tool";
    const std::vector<BYTE> sid = UserSidOf(GetCurrentProcess());
    wchar_t* text = nullptr;
    if (!sid.empty() && ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text)) {
        name += L"-";
        name += text;
        LocalFree(text);
    }
    return name;
}

bool OwnedByThisUser(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return false;
    const std::vector<BYTE> theirs = UserSidOf(process);
    CloseHandle(process);
    const std::vector<BYTE> ours = UserSidOf(GetCurrentProcess());
    return !theirs.empty() && !ours.empty() &&
           EqualSid(const_cast<BYTE*>(theirs.data()), const_cast<BYTE*>(ours.data()));
}

}  // namespace

SingleInstance::SingleInstance() {
    mutex_ = CreateMutexW(nullptr, FALSE, MutexName().c_str());
    first_ = mutex_ == nullptr || GetLastError() != ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

HWND FindUsersMainWindow() {
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, kMainWindowClassName, nullptr)) != nullptr) {
        if (OwnedByThisUser(window)) return window;
    }
    return nullptr;
}

bool SingleInstance::HandOver(const std::wstring& file, DWORD timeoutMs) const {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        if (const HWND window = FindUsersMainWindow()) {
            DWORD processId = 0;
            GetWindowThreadProcessId(window, &processId);
            AllowSetForegroundWindow(processId);  // this start has the user's click: pass it on
            COPYDATASTRUCT data{kHandedPackTag, static_cast<DWORD>(file.size() * sizeof(wchar_t)),
                                const_cast<wchar_t*>(file.data())};
            DWORD_PTR taken = 0;
            if (SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                                    timeoutMs, &taken) != 0 &&
                taken == TRUE) {
                return true;
            }
        }
        Sleep(100);  // the first start is still making its window
    } while (GetTickCount64() < deadline);
    return false;
}

}  // namespace k5::app::win32
