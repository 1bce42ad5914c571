// Where the port's threads hand their notifications. Each one is carried by
// the Dispatcher to the thread that created the component and handed to the
// component there, in posting order. Lives as long as the component; once the
// component is gone, notifications still queued are dropped.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "comm_types.h"
#include "dispatcher.h"

namespace k5::serial {

struct Notification {
    NotifyCode code;
    std::uint32_t param = 0;                // byte count, error flags or modem bits
    std::unique_ptr<std::uint8_t[]> block;  // received bytes plus one zero byte
};

class Notifier : public std::enable_shared_from_this<Notifier> {
  public:
    using Sink = std::function<void(Notification&)>;

    Notifier(Dispatcher& dispatcher, Sink sink);

    // Any thread. False when the dispatcher refused it (the block is released).
    bool Post(NotifyCode code, std::uint32_t param = 0, std::unique_ptr<std::uint8_t[]> block = {});

    // Any thread: posts NotifyRequestHangup unless it was posted since Rearm.
    // The reader and the writer often see the same hang-up; it is reported once.
    void PostHangupOnce();

    // For the port threads: a notification the dispatcher refuses becomes a
    // hang-up, and the thread must end (false).
    bool PostOrHangUp(NotifyCode code, std::uint32_t param = 0);
    // Received bytes as one block of `count` + 1 bytes, the last one 0.
    bool PostReceived(const std::uint8_t* bytes, std::size_t count);
    // Called by OpenComm before the threads start.
    void Rearm() { hangupPosted_.store(false); }

    // On the creating thread: notifications not yet delivered are dropped.
    void Detach() { sink_ = nullptr; }

  private:
    Dispatcher& dispatcher_;
    Sink sink_;  // touched only on the creating thread
    std::atomic<bool> hangupPosted_{false};
};

}  // namespace k5::serial
