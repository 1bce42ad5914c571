#include "write_thread.h"

#include <poll.h>

#include <cerrno>

#include "stop_event.h"
#include "thread_priority.h"

namespace k5::serial {

TWriteThread::WaitEnd TWriteThread::WaitFor(int descriptor, short events) {
    const int device = PortHandle->Descriptor();
    for (;;) {
        // The device is always watched for a hang-up (revents POLLHUP needs no request).
        pollfd fds[3] = {{StopEvent, POLLIN, 0}, {descriptor, events, 0}, {device, 0, 0}};
        const nfds_t count = descriptor == device ? 2 : 3;
        const int ready = ::poll(fds, count, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return WaitEnd::Failed;
        }
        if (fds[0].revents & POLLIN) return WaitEnd::Stop;
        if (fds[1].revents & events) return WaitEnd::Ready;
        for (nfds_t i = 1; i < count; ++i) {
            if (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL)) return WaitEnd::Failed;
        }
    }
}

bool TWriteThread::WriteBlock(const std::uint8_t* block, std::size_t length) {
    std::size_t offset = 0;
    while (offset < length) {
        const ssize_t n = PortHandle->Write(block + offset, length - offset);
        if (n > 0) {
            offset += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EBADF) return false;  // closed under us: end quietly
        if (n < 0 && errno != EAGAIN) {
            NotifyWindow->PostHangupOnce();
            return false;
        }
        // Output is full or held by XOFF: wait until the device takes more.
        switch (WaitFor(PortHandle->Descriptor(), POLLOUT)) {
            case WaitEnd::Stop:
                return false;  // abandoned; the purge drops the rest
            case WaitEnd::Ready:
                break;
            case WaitEnd::Failed:
                NotifyWindow->PostHangupOnce();
                return false;
        }
    }
    return true;
}

void TWriteThread::Execute() {
    SetCurrentThreadPriority(ThreadPriority::AboveNormal);
    bool notifyWhenEmpty = true;
    for (;;) {
        auto request = Queue->TryPop();
        if (!request) {
            if (notifyWhenEmpty) {
                if (!NotifyWindow->Post(NotifyCode::NotifySendDataEmpty)) {
                    NotifyWindow->PostHangupOnce();
                    break;
                }
                notifyWhenEmpty = false;
            }
            const WaitEnd wait = WaitFor(Queue->WakeDescriptor(), POLLIN);
            if (wait == WaitEnd::Stop) break;
            if (wait == WaitEnd::Failed) {
                NotifyWindow->PostHangupOnce();
                break;
            }
            continue;
        }
        if (EventSignalled(StopEvent)) break;
        if (!WriteBlock(request->block.get(), request->length)) break;
        notifyWhenEmpty = true;
    }
    PortHandle->Purge(false, true);
    Queue->Close();
}

}  // namespace k5::serial
