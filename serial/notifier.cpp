#include "notifier.h"

#include <algorithm>
#include <new>

namespace k5::serial {

Notifier::Notifier(Dispatcher& dispatcher, Sink sink) : dispatcher_(dispatcher), sink_(std::move(sink)) {}

bool Notifier::Post(NotifyCode code, std::uint32_t param, std::unique_ptr<std::uint8_t[]> block) {
    auto note = std::make_shared<Notification>(Notification{code, param, std::move(block)});
    return dispatcher_.Post([self = shared_from_this(), note] {
        if (self->sink_) self->sink_(*note);
    });
}

void Notifier::PostHangupOnce() {
    if (!hangupPosted_.exchange(true)) Post(NotifyCode::NotifyRequestHangup);
}

bool Notifier::PostOrHangUp(NotifyCode code, std::uint32_t param) {
    if (Post(code, param)) return true;
    PostHangupOnce();
    return false;
}

bool Notifier::PostReceived(const std::uint8_t* bytes, std::size_t count) {
    std::unique_ptr<std::uint8_t[]> block;
    try {
        block = std::make_unique<std::uint8_t[]>(count + 1);  // zero-filled
    } catch (const std::bad_alloc&) {
        PostHangupOnce();
        return false;
    }
    std::copy(bytes, bytes + count, block.get());
    if (Post(NotifyCode::NotifyReceiveData, static_cast<std::uint32_t>(count), std::move(block))) return true;
    PostHangupOnce();
    return false;
}

}  // namespace k5::serial
