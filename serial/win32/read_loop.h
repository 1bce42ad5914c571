// The reader's loop on Windows: one overlapped read and one overlapped wait for
// line events, both armed, and a single wait on them and the stop event.
#pragma once

#include <array>
#include <cstdint>

#include "notifier.h"
#include "overlapped.h"

namespace k5::serial::win32 {

constexpr DWORD kReadSize = 4096;

// The reader's operations. Owned by the port, so that a wait for line events
// that only closing the handle ends (Wine) outlives the reader thread.
struct ReaderIo {
    Overlapped event;
    Overlapped read;
    DWORD mask = 0;
    std::array<std::uint8_t, kReadSize> buffer{};
};

class ReadLoop {
  public:
    ReadLoop(CommApi& api, HANDLE port, HANDLE stop, Notifier& notifier, ReaderIo& io)
        : api_(api), port_(port), stop_(stop), notifier_(notifier), io_(io) {}

    // Until the stop event, a failure or a refused notification.
    void Run();

  private:
    enum class Step { Armed, Stop, Failed };

    Step ArmEventWait();
    Step ArmRead();
    bool HandleLineEvent(DWORD mask);
    bool Deliver(DWORD count);
    void Fail(DWORD error);

    CommApi& api_;
    HANDLE port_;
    HANDLE stop_;
    Notifier& notifier_;
    ReaderIo& io_;
    bool lineEvents_ = true;
};

}  // namespace k5::serial::win32
