// Prints what the running desktop program's main window shows in its pack
// fields (file name, version), one per line, for the installer test: it opens
// a pack through its file association and checks what the window read.
#include <cstdio>

#include "p_UpdateDispController.h"
#include "win32_text.h"

int wmain() {
    const HWND window = FindWindowW(k5::app::win32::kMainWindowClassName, nullptr);
    if (window == nullptr) return 1;
    HWND edit = nullptr;
    while ((edit = FindWindowExW(window, edit, L"Edit", nullptr)) != nullptr) {
        // WM_GETTEXT, not GetWindowText, which does not read another program's controls.
        wchar_t text[512] = {};
        SendMessageW(edit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", k5::Narrow(text).c_str());
    }
    return 0;
}
