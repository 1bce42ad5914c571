#include <mutex>

#include "stop_signals.h"
#include "win32_api.h"

namespace k5 {

// The console calls its handlers on a thread of its own; one StopSignals at a time receives them.
struct StopSignals::Watch {
    static std::mutex mutex;
    static StopSignals* current;
    static bool stopping;  // a stop was caught: later events are swallowed until the process exits

    static BOOL WINAPI Handler(DWORD) {
        std::lock_guard lock(mutex);
        if (current == nullptr) return stopping ? TRUE : FALSE;
        current->caught_.store(true);
        current->onSignal_();
        return TRUE;  // handled: the process is not ended by it
    }
};

std::mutex StopSignals::Watch::mutex;
StopSignals* StopSignals::Watch::current = nullptr;
bool StopSignals::Watch::stopping = false;

StopSignals::StopSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    {
        std::lock_guard lock(Watch::mutex);
        Watch::current = this;
    }
    ::SetConsoleCtrlHandler(&Watch::Handler, TRUE);
}

StopSignals::~StopSignals() {
    std::lock_guard lock(Watch::mutex);
    Watch::current = nullptr;
    // Once stopped, the handler stays: a late Ctrl+C cannot end the process before it exits.
    if (caught_.load()) {
        Watch::stopping = true;
    } else {
        ::SetConsoleCtrlHandler(&Watch::Handler, FALSE);
    }
}

// Writes to a closed pipe fail with an error on Windows; nothing ends the process.
void IgnoreClosedOutput() {}

}  // namespace k5
