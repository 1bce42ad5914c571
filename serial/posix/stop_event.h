// The manual-reset stop event over an eventfd: written once, never read, so
// every later poll sees it.
#pragma once

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "unique_fd.h"

namespace k5::serial {

inline UniqueFd MakeEventFd() { return UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

inline void SignalEvent(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(fd, &one, sizeof one);
}

inline bool EventSignalled(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// Resets an auto-reset use of an eventfd (the writer's queue wake-up).
inline void DrainEvent(int fd) {
    std::uint64_t value = 0;
    [[maybe_unused]] auto n = ::read(fd, &value, sizeof value);
}

}  // namespace k5::serial
