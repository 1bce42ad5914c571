#include <pthread.h>
#include <signal.h>

#include <ctime>
#include <thread>

#include "stop_signals.h"

namespace k5 {

// Threads started while the object lives inherit the blocked signals, so the
// watching thread is the only one that sees them.
struct StopSignals::Watch {
    sigset_t set{};
    sigset_t previous{};
    std::atomic<bool> done{false};
    std::thread thread;
};

StopSignals::StopSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)), watch_(std::make_unique<Watch>()) {
    sigemptyset(&watch_->set);
    sigaddset(&watch_->set, SIGINT);
    sigaddset(&watch_->set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &watch_->set, &watch_->previous);
    watch_->thread = std::thread([this] {
        // Every signal is taken here, a second Ctrl+C while stopping too.
        for (;;) {
            int signal = 0;
            sigwait(&watch_->set, &signal);
            if (watch_->done.load()) return;  // the wake-up sent by the destructor
            caught_.store(true);
            onSignal_();
        }
    });
}

StopSignals::~StopSignals() {
    watch_->done.store(true);
    pthread_kill(watch_->thread.native_handle(), SIGTERM);
    watch_->thread.join();
    // A signal that came after the last sigwait would act on the unblocked
    // mask (and kill the process): it has already been answered, take it now.
    const timespec now{};
    while (sigtimedwait(&watch_->set, nullptr, &now) > 0) caught_.store(true);
    // Once stopped, the process is on its way out: a late Ctrl+C stays blocked
    // rather than killing it before it exits with its own status.
    if (!caught_.load()) pthread_sigmask(SIG_SETMASK, &watch_->previous, nullptr);
}

void IgnoreClosedOutput() { ::signal(SIGPIPE, SIG_IGN); }

}  // namespace k5
