// The Win32 calls the port makes, behind an interface so that tests
// can stand in a fake device for what a pty under Wine cannot show: line
// errors, modem events, a failing SetupComm, a port in use.
#pragma once

#include <memory>
#include <string>

#include "port_io.h"
#include "win32_api.h"

namespace k5::serial::win32 {

class CommApi {
  public:
    virtual ~CommApi() = default;
    // The calls of the same names; failures leave their code in GetLastError().
    virtual HANDLE Open(const std::wstring& name) = 0;  // CreateFileW, exclusive and overlapped
    virtual BOOL Close(HANDLE port) = 0;
    virtual BOOL SetupComm(HANDLE port, DWORD input, DWORD output) = 0;
    virtual BOOL PurgeComm(HANDLE port, DWORD flags) = 0;
    virtual BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL GetCommState(HANDLE port, DCB* dcb) = 0;
    virtual BOOL SetCommState(HANDLE port, DCB* dcb) = 0;
    virtual BOOL SetCommMask(HANDLE port, DWORD mask) = 0;
    virtual BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* overlapped) = 0;
    virtual BOOL ClearCommError(HANDLE port, DWORD* errors) = 0;
    virtual BOOL ReadFile(HANDLE port, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE port, const void* buffer, DWORD size, DWORD* wrote,
                           OVERLAPPED* overlapped) = 0;
    virtual BOOL GetOverlappedResult(HANDLE port, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) = 0;
    virtual BOOL CancelIoEx(HANDLE port, OVERLAPPED* overlapped) = 0;
};

// Windows itself.
std::shared_ptr<CommApi> SystemCommApi();

// Ports reached through `api`.
std::shared_ptr<SerialPorts> PortsOver(std::shared_ptr<CommApi> api);

}  // namespace k5::serial::win32
