// A Win32 serial port in memory, for what a pty under Wine cannot show: line
// errors, modem events, a failing SetupComm, a port in use. Operations that
// cannot complete at once stay pending, as a driver's do, until the test
// feeds them or the channel cancels them.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "comm_api.h"

namespace k5::test {

class FakeCommApi : public serial::win32::CommApi {
  public:
    // What the next calls do.
    DWORD openError = 0;  // Open fails with it (ERROR_ACCESS_DENIED: in use)
    bool failSetupComm = false;
    std::atomic<DWORD> writeError{0};  // WriteFile fails with it (ERROR_GEN_FAILURE: unplugged)
    bool lineEventsSupported = true;   // false: SetCommMask fails with ERROR_NOT_SUPPORTED, as under Wine

    // The far end: a line event (with line-error flags for EV_ERR), received bytes.
    void LineEvent(DWORD mask, DWORD errors = 0);
    void Receive(const std::vector<std::uint8_t>& bytes);

    // What the channel did.
    DCB Dcb();
    COMMTIMEOUTS Timeouts();
    std::vector<std::uint8_t> Written();
    int Closes();

    HANDLE Open(const std::wstring& name) override;
    BOOL Close(HANDLE port) override;
    BOOL SetupComm(HANDLE, DWORD, DWORD) override;
    BOOL PurgeComm(HANDLE, DWORD) override { return TRUE; }
    BOOL GetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts) override;
    BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts) override;
    BOOL GetCommState(HANDLE, DCB* dcb) override;
    BOOL SetCommState(HANDLE, DCB* dcb) override;
    BOOL SetCommMask(HANDLE, DWORD mask) override;
    BOOL WaitCommEvent(HANDLE, DWORD* mask, OVERLAPPED* overlapped) override;
    BOOL ClearCommError(HANDLE, DWORD* errors) override;
    BOOL ReadFile(HANDLE, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped) override;
    BOOL WriteFile(HANDLE, const void* buffer, DWORD size, DWORD* wrote, OVERLAPPED* overlapped) override;
    BOOL GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) override;
    BOOL CancelIoEx(HANDLE, OVERLAPPED* overlapped) override;

  private:
    struct Result {
        BOOL ok;
        DWORD count;
        DWORD error;
    };
    void Complete(OVERLAPPED* overlapped, Result result);  // with the lock held
    void CompleteRead();
    void CompleteEvent();

    std::mutex mutex_;
    DCB dcb_{};
    COMMTIMEOUTS timeouts_{};
    std::vector<std::uint8_t> written_;
    int closes_ = 0;
    std::deque<std::pair<DWORD, DWORD>> events_;  // mask, line errors
    std::deque<std::uint8_t> incoming_;
    DWORD pendingErrors_ = 0;
    DWORD* eventMask_ = nullptr;
    OVERLAPPED* eventWait_ = nullptr;
    std::uint8_t* readBuffer_ = nullptr;
    DWORD readSize_ = 0;
    OVERLAPPED* read_ = nullptr;
    std::map<OVERLAPPED*, Result> results_;
};

}  // namespace k5::test
