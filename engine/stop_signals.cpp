#include "stop_signals.h"

#include <pthread.h>

#include <ctime>

namespace k5 {

StopSignals::StopSignals(std::function<void()> onSignal) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    thread_ = std::thread([this, onSignal = std::move(onSignal)] {
        // Every signal is taken here, a second Ctrl+C while stopping too.
        for (;;) {
            int signal = 0;
            sigwait(&set_, &signal);
            if (done_.load()) return;  // the wake-up sent by the destructor
            caught_.store(true);
            onSignal();
        }
    });
}

StopSignals::~StopSignals() {
    done_.store(true);
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
    // A signal that came after the last sigwait would act on the unblocked
    // mask (and kill the process): it has already been answered, take it now.
    const timespec now{};
    while (sigtimedwait(&set_, nullptr, &now) > 0) caught_.store(true);
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void IgnoreClosedOutput() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace k5
