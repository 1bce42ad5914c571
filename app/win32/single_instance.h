// One window per user on Windows. A named mutex with the user's SID in its name
// tells whether the user's first start runs; a later start finds that start's
// main window (its class, owned by the same user) and hands it its pack file
// with WM_COPYDATA, then exits. A crashed start leaves nothing behind: the
// system drops the mutex with its last handle.
#pragma once

#include <string>

#include "gui_api.h"

namespace k5::app::win32 {

// WM_COPYDATA's dwData for a handed-over file: the UTF-16 path, without its terminator
// (none: only come to the front).
inline constexpr ULONG_PTR kHandedPackTag = 0x4B355041;  // "K5PA"

class SingleInstance {
  public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Whether no other start of this user runs (this one then holds the mutex while it lives).
    bool First() const { return first_; }
    // Hands `file` (empty: none) to the first start's window, which comes to the front. Waits up to
    // `timeoutMs` for that window to exist and take it; true when it did.
    bool HandOver(const std::wstring& file, DWORD timeoutMs = 5000) const;

  private:
    HANDLE mutex_ = nullptr;
    bool first_ = true;
};

// The main window of this user's first start, if there is one yet.
HWND FindUsersMainWindow();

}  // namespace k5::app::win32
