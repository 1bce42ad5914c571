// Modem-line changes and line counters from the driver (TIOCMIWAIT, TIOCGICOUNT).
#include <linux/serial.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <thread>

#include "posix_device.h"

namespace k5::serial::posix {
namespace {

// TIOCMIWAIT cannot wait on the stop event: the watch ends it with a signal
// whose handler does nothing, so the ioctl returns EINTR.
int WakeSignal() { return SIGRTMIN + 4; }

void InstallWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the ioctl must return
        sigaction(WakeSignal(), &action, nullptr);
    });
}

std::optional<serial_icounter_struct> ReadCounters(int fd) {
    serial_icounter_struct counters{};
    if (::ioctl(fd, TIOCGICOUNT, &counters) != 0) return std::nullopt;
    return counters;
}

class PosixModemWatch : public ModemWatch {
  public:
    PosixModemWatch(int fd, ModemChanged changed) : fd_(fd), changed_(std::move(changed)) {
        InstallWakeHandler();
        thread_ = std::thread([this] { Run(); });
    }
    ~PosixModemWatch() override {
        stop_.store(true);
        // A signal sent just before the thread enters the ioctl is lost: repeat until it is gone.
        while (!finished_.load()) {
            pthread_kill(thread_.native_handle(), WakeSignal());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        thread_.join();
    }

  private:
    void Run() {
        auto last = ReadCounters(fd_);
        while (last && !stop_.load()) {
            if (::ioctl(fd_, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG) != 0) {
                if (errno == EINTR) continue;
                break;  // the driver cannot wait, or the device went away (the reader reports that)
            }
            auto now = ReadCounters(fd_);
            if (!now) break;
            std::uint32_t bits = 0;
            if (now->dcd != last->dcd) bits |= kModemCarrierDetectChanged;
            if (now->rng != last->rng) bits |= kModemRing;
            last = now;
            if (bits != 0 && !stop_.load()) changed_(bits);
        }
        finished_.store(true);
    }

    int fd_;
    ModemChanged changed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace

std::optional<LineCounters> PosixDevice::Counters() {
    auto c = ReadCounters(fd_.Get());
    if (!c) return std::nullopt;
    return LineCounters{static_cast<std::uint32_t>(c->frame), static_cast<std::uint32_t>(c->parity),
                        static_cast<std::uint32_t>(c->brk), static_cast<std::uint32_t>(c->overrun),
                        static_cast<std::uint32_t>(c->buf_overrun)};
}

std::unique_ptr<ModemWatch> StartModemWatch(int fd, ModemChanged changed) {
    // Drivers that keep no counters (pseudo-terminals among them) cannot wait either.
    if (!ReadCounters(fd)) return nullptr;
    return std::make_unique<PosixModemWatch>(fd, std::move(changed));
}

}  // namespace k5::serial::posix
