#include "notifier.h"

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

}  // namespace k5::serial
