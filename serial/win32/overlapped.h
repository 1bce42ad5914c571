// Win32 handles and overlapped operations for the port's threads. Every
// overlapped operation is complete (or cancelled and waited for) before its
// OVERLAPPED and buffer go.
#pragma once

#include "comm_api.h"

namespace k5::serial::win32 {

class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) ::CloseHandle(h_);
        h_ = h;
    }

  private:
    HANDLE h_ = nullptr;
};

// One overlapped operation's record and event, alive until the operation is complete.
struct Overlapped {
    OVERLAPPED ov{};
    Handle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool pending = false;
    Overlapped() { ov.hEvent = done.Get(); }
    void Rearm() {
        ov = OVERLAPPED{};
        ov.hEvent = done.Get();
        ::ResetEvent(done.Get());
    }
    // Cancels the operation and waits up to `limit` for it to end. True when it has.
    bool CancelAndWait(CommApi& api, HANDLE port, DWORD limit) {
        if (!pending) return true;
        api.CancelIoEx(port, &ov);
        if (::WaitForSingleObject(done.Get(), limit) != WAIT_OBJECT_0) return false;
        DWORD ignored = 0;
        api.GetOverlappedResult(port, &ov, &ignored, FALSE);
        pending = false;
        return true;
    }
};

inline bool Signalled(HANDLE event) { return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

}  // namespace k5::serial::win32
