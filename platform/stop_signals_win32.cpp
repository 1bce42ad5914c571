#include <mutex>

#include "stop_signals.h"
#include "win32_api.h"

namespace k5 {

// The console calls its handlers on a thread of its own; one StopSignals at a time receives them.
struct StopSignals::Watch {
    static std::mutex mutex;
    static StopSignals* current;

    static BOOL WINAPI Handler(DWORD) {
        std::lock_guard lock(mutex);
        if (current == nullptr) return FALSE;
        current->caught_.store(true);
        current->onSignal_();
        return TRUE;  // handled: the process is not ended by it
    }
};

std::mutex StopSignals::Watch::mutex;
StopSignals* StopSignals::Watch::current = nullptr;

StopSignals::StopSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    {
        std::lock_guard lock(Watch::mutex);
        Watch::current = this;
    }
    ::SetConsoleCtrlHandler(&Watch::Handler, TRUE);
}

StopSignals::~StopSignals() {
    ::SetConsoleCtrlHandler(&Watch::Handler, FALSE);
    std::lock_guard lock(Watch::mutex);
    Watch::current = nullptr;
}

// Writes to a closed pipe fail with an error on Windows; nothing ends the process.
void IgnoreClosedOutput() {}

}  // namespace k5
