#include "stop_signals.h"

#include <pthread.h>

namespace k5 {

StopSignals::StopSignals(std::function<void()> onSignal) {
    sigemptyset(&set_);
    sigaddset(&set_, SIGINT);
    sigaddset(&set_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    thread_ = std::thread([this, onSignal = std::move(onSignal)] {
        int signal = 0;
        sigwait(&set_, &signal);
        if (done_.load()) return;  // the wake-up sent by the destructor
        caught_.store(true);
        onSignal();
    });
}

StopSignals::~StopSignals() {
    done_.store(true);
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace k5
