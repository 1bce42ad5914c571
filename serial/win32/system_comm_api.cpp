// The Win32 calls themselves.
#include "comm_api.h"

namespace k5::serial::win32 {
namespace {

class SystemApi : public CommApi {
  public:
    HANDLE Open(const std::wstring& name) override {
        return ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    }
    BOOL Close(HANDLE port) override { return ::CloseHandle(port); }
    BOOL SetupComm(HANDLE port, DWORD input, DWORD output) override {
        return ::SetupComm(port, input, output);
    }
    BOOL PurgeComm(HANDLE port, DWORD flags) override { return ::PurgeComm(port, flags); }
    BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* t) override { return ::GetCommTimeouts(port, t); }
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* t) override { return ::SetCommTimeouts(port, t); }
    BOOL GetCommState(HANDLE port, DCB* dcb) override { return ::GetCommState(port, dcb); }
    BOOL SetCommState(HANDLE port, DCB* dcb) override { return ::SetCommState(port, dcb); }
    BOOL SetCommMask(HANDLE port, DWORD mask) override { return ::SetCommMask(port, mask); }
    BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* ov) override {
        return ::WaitCommEvent(port, mask, ov);
    }
    BOOL ClearCommError(HANDLE port, DWORD* errors) override {
        return ::ClearCommError(port, errors, nullptr);
    }
    BOOL ReadFile(HANDLE port, void* buffer, DWORD size, DWORD* got, OVERLAPPED* ov) override {
        return ::ReadFile(port, buffer, size, got, ov);
    }
    BOOL WriteFile(HANDLE port, const void* buffer, DWORD size, DWORD* wrote, OVERLAPPED* ov) override {
        return ::WriteFile(port, buffer, size, wrote, ov);
    }
    BOOL GetOverlappedResult(HANDLE port, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override {
        return ::GetOverlappedResult(port, ov, transferred, wait);
    }
    BOOL CancelIoEx(HANDLE port, OVERLAPPED* ov) override { return ::CancelIoEx(port, ov); }
};

}  // namespace

std::shared_ptr<CommApi> SystemCommApi() {
    static auto api = std::make_shared<SystemApi>();
    return api;
}

}  // namespace k5::serial::win32
