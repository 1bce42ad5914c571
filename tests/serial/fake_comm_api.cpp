#include "fake_comm_api.h"

#include <algorithm>
#include <utility>

namespace k5::test {
namespace {

HANDLE const kPort = reinterpret_cast<HANDLE>(0x4B35);

BOOL Failing(DWORD error) {
    ::SetLastError(error);
    return FALSE;
}

}  // namespace

void FakeCommApi::LineEvent(DWORD mask, DWORD errors) {
    std::lock_guard lock(mutex_);
    events_.emplace_back(mask, errors);
    CompleteEvent();
}

void FakeCommApi::Receive(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
    CompleteRead();
}

DCB FakeCommApi::Dcb() {
    std::lock_guard lock(mutex_);
    return dcb_;
}
COMMTIMEOUTS FakeCommApi::Timeouts() {
    std::lock_guard lock(mutex_);
    return timeouts_;
}
std::vector<std::uint8_t> FakeCommApi::Written() {
    std::lock_guard lock(mutex_);
    return written_;
}
int FakeCommApi::Closes() {
    std::lock_guard lock(mutex_);
    return closes_;
}

HANDLE FakeCommApi::Open(const std::wstring&) {
    if (openError != 0) {
        ::SetLastError(openError);
        return INVALID_HANDLE_VALUE;
    }
    return kPort;
}

BOOL FakeCommApi::Close(HANDLE) {
    std::lock_guard lock(mutex_);
    ++closes_;
    // Closing the handle ends what is still pending, as Windows does.
    if (eventWait_) Complete(std::exchange(eventWait_, nullptr), {FALSE, 0, ERROR_OPERATION_ABORTED});
    if (read_) Complete(std::exchange(read_, nullptr), {FALSE, 0, ERROR_OPERATION_ABORTED});
    return TRUE;
}

BOOL FakeCommApi::SetupComm(HANDLE, DWORD, DWORD) {
    return failSetupComm ? Failing(ERROR_INVALID_FUNCTION) : TRUE;
}

BOOL FakeCommApi::GetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts) {
    std::lock_guard lock(mutex_);
    *timeouts = timeouts_;
    return TRUE;
}
BOOL FakeCommApi::SetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts) {
    std::lock_guard lock(mutex_);
    timeouts_ = *timeouts;
    return TRUE;
}
BOOL FakeCommApi::GetCommState(HANDLE, DCB* dcb) {
    std::lock_guard lock(mutex_);
    *dcb = dcb_;
    dcb->fAbortOnError = TRUE;  // a driver's own flags, which a write must not keep
    dcb->fDsrSensitivity = TRUE;
    return TRUE;
}
BOOL FakeCommApi::SetCommState(HANDLE, DCB* dcb) {
    std::lock_guard lock(mutex_);
    dcb_ = *dcb;
    return TRUE;
}

BOOL FakeCommApi::SetCommMask(HANDLE, DWORD) {
    return lineEventsSupported ? TRUE : Failing(ERROR_NOT_SUPPORTED);
}

BOOL FakeCommApi::WaitCommEvent(HANDLE, DWORD* mask, OVERLAPPED* overlapped) {
    std::lock_guard lock(mutex_);
    if (!lineEventsSupported) return Failing(ERROR_NOT_SUPPORTED);
    if (!events_.empty()) {
        *mask = events_.front().first;
        pendingErrors_ |= events_.front().second;
        events_.pop_front();
        return TRUE;
    }
    eventMask_ = mask;
    eventWait_ = overlapped;
    return Failing(ERROR_IO_PENDING);
}

BOOL FakeCommApi::ClearCommError(HANDLE, DWORD* errors) {
    std::lock_guard lock(mutex_);
    *errors = std::exchange(pendingErrors_, 0);
    return TRUE;
}

BOOL FakeCommApi::ReadFile(HANDLE, void* buffer, DWORD size, DWORD* got, OVERLAPPED* overlapped) {
    std::lock_guard lock(mutex_);
    if (!incoming_.empty()) {
        *got = static_cast<DWORD>(std::min<std::size_t>(size, incoming_.size()));
        std::copy_n(incoming_.begin(), *got, static_cast<std::uint8_t*>(buffer));
        incoming_.erase(incoming_.begin(), incoming_.begin() + *got);
        return TRUE;
    }
    readBuffer_ = static_cast<std::uint8_t*>(buffer);
    readSize_ = size;
    read_ = overlapped;
    return Failing(ERROR_IO_PENDING);
}

BOOL FakeCommApi::WriteFile(HANDLE, const void* buffer, DWORD size, DWORD* wrote, OVERLAPPED*) {
    if (const DWORD error = writeError.load(); error != 0) return Failing(error);
    std::lock_guard lock(mutex_);
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    written_.insert(written_.end(), bytes, bytes + size);
    *wrote = size;
    return TRUE;
}

BOOL FakeCommApi::GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* transferred, BOOL) {
    std::lock_guard lock(mutex_);
    const auto found = results_.find(overlapped);
    if (found == results_.end()) return Failing(ERROR_IO_INCOMPLETE);
    const Result result = found->second;
    results_.erase(found);
    *transferred = result.count;
    return result.ok ? TRUE : Failing(result.error);
}

BOOL FakeCommApi::CancelIoEx(HANDLE, OVERLAPPED* overlapped) {
    std::lock_guard lock(mutex_);
    if (overlapped == read_) {
        Complete(std::exchange(read_, nullptr), {FALSE, 0, ERROR_OPERATION_ABORTED});
    } else if (overlapped == eventWait_) {
        Complete(std::exchange(eventWait_, nullptr), {FALSE, 0, ERROR_OPERATION_ABORTED});
    } else {
        return Failing(ERROR_NOT_FOUND);
    }
    return TRUE;
}

void FakeCommApi::Complete(OVERLAPPED* overlapped, Result result) {
    results_[overlapped] = result;
    ::SetEvent(overlapped->hEvent);
}

void FakeCommApi::CompleteRead() {
    if (read_ == nullptr || incoming_.empty()) return;
    const auto count = static_cast<DWORD>(std::min<std::size_t>(readSize_, incoming_.size()));
    std::copy_n(incoming_.begin(), count, readBuffer_);
    incoming_.erase(incoming_.begin(), incoming_.begin() + count);
    Complete(std::exchange(read_, nullptr), {TRUE, count, 0});
}

void FakeCommApi::CompleteEvent() {
    if (eventWait_ == nullptr || events_.empty()) return;
    *eventMask_ = events_.front().first;
    pendingErrors_ |= events_.front().second;
    events_.pop_front();
    Complete(std::exchange(eventWait_, nullptr), {TRUE, 0, 0});
}

}  // namespace k5::test
