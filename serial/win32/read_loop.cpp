#include "read_loop.h"

namespace k5::serial::win32 {
namespace {

constexpr DWORD kLineEventMask = EV_ERR | EV_RLSD | EV_RING;  // 0x01A0

// A device that cannot report line events (a pty under Wine, some virtual COM drivers).
bool NoLineEvents(DWORD error) { return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION; }

}  // namespace

void ReadLoop::Run() {
    lineEvents_ = api_.SetCommMask(port_, kLineEventMask) != 0;
    if (!lineEvents_ && !NoLineEvents(::GetLastError())) {
        notifier_.PostHangupOnce();
        return;
    }
    if (ArmEventWait() != Step::Armed || ArmRead() != Step::Armed) return;
    for (;;) {
        HANDLE handles[3] = {stop_, io_.event.done.Get(), io_.read.done.Get()};
        const DWORD count = lineEvents_ ? 3 : 2;
        if (!lineEvents_) handles[1] = io_.read.done.Get();
        const DWORD which = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0) return;
        DWORD transferred = 0;
        if (lineEvents_ && which == WAIT_OBJECT_0 + 1) {
            io_.event.pending = false;
            if (!api_.GetOverlappedResult(port_, &io_.event.ov, &transferred, FALSE)) {
                const DWORD error = ::GetLastError();
                if (NoLineEvents(error)) {
                    lineEvents_ = false;  // the device gave up on line events: data only
                    continue;
                }
                Fail(error);
                return;
            }
            if (!HandleLineEvent(io_.mask) || ArmEventWait() != Step::Armed) return;
        } else if (which == WAIT_OBJECT_0 + (lineEvents_ ? 2 : 1)) {
            io_.read.pending = false;
            if (!api_.GetOverlappedResult(port_, &io_.read.ov, &transferred, FALSE)) {
                Fail(::GetLastError());
                return;
            }
            if (!Deliver(transferred) || ArmRead() != Step::Armed) return;
        } else {
            notifier_.PostHangupOnce();
            return;
        }
    }
}

ReadLoop::Step ReadLoop::ArmEventWait() {
    while (lineEvents_) {
        if (Signalled(stop_)) return Step::Stop;
        io_.event.Rearm();
        io_.mask = 0;
        if (api_.WaitCommEvent(port_, &io_.mask, &io_.event.ov)) {
            if (!HandleLineEvent(io_.mask)) return Step::Failed;
            continue;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            io_.event.pending = true;
            return Step::Armed;
        }
        if (NoLineEvents(error)) {
            lineEvents_ = false;
            break;
        }
        Fail(error);
        return Step::Failed;
    }
    return Step::Armed;
}

ReadLoop::Step ReadLoop::ArmRead() {
    for (;;) {
        if (Signalled(stop_)) return Step::Stop;
        io_.read.Rearm();
        DWORD got = 0;
        if (api_.ReadFile(port_, io_.buffer.data(), kReadSize, &got, &io_.read.ov)) {
            if (!Deliver(got)) return Step::Failed;
            continue;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            io_.read.pending = true;
            return Step::Armed;
        }
        Fail(error);
        return Step::Failed;
    }
}

// False when the thread must end.
bool ReadLoop::HandleLineEvent(DWORD mask) {
    if (mask & EV_ERR) {
        DWORD errors = 0;
        if (!api_.ClearCommError(port_, &errors)) {
            Fail(::GetLastError());
            return false;
        }
        if (!notifier_.PostOrHangUp(NotifyCode::NotifyReceiveError, errors)) return false;
    }
    const std::uint32_t modem =
        ((mask & EV_RLSD) ? kModemCarrierDetectChanged : 0) | ((mask & EV_RING) ? kModemRing : 0);
    if (modem != 0 && !notifier_.PostOrHangUp(NotifyCode::NotifyModemStateChange, modem)) return false;
    if ((mask & kLineEventMask) == 0) {
        notifier_.PostHangupOnce();
        return false;
    }
    return true;
}

bool ReadLoop::Deliver(DWORD count) {
    // An empty completion (only total time-outs make one) simply starts the next read.
    return count == 0 || notifier_.PostReceived(io_.buffer.data(), count);
}

// The failure rule: a closed handle ends the thread quietly, anything else is a hang-up.
void ReadLoop::Fail(DWORD error) {
    if (error != ERROR_INVALID_HANDLE && error != ERROR_OPERATION_ABORTED) notifier_.PostHangupOnce();
}

}  // namespace k5::serial::win32
