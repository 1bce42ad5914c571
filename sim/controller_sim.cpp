#include "controller_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "termios_mapping.h"

namespace k5::sim {
ControllerSim::ControllerSim(SimOptions options) : pace_(options.pace), model_(std::move(options)) {
    model_.trace = [this](const std::string& text) {
        if (trace) trace(text);
    };
    model_.answerByteTime = [this] { return ByteTime(LineBaud()); };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    slavePath_ = ::ptsname(master_);
    holder_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (holder_ >= 0) {
        termios t{};
        ::tcgetattr(holder_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(holder_, TCSANOW, &t);
    }
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

ControllerSim::~ControllerSim() {
    Stop();
    if (holder_ >= 0) ::close(holder_);
    if (master_ >= 0) ::close(master_);
    if (stopEvent_ >= 0) ::close(stopEvent_);
}

void ControllerSim::Start() {
    thread_ = std::thread([this] { Run(false, std::chrono::milliseconds(0)); });
}

void ControllerSim::RequestStop() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stopEvent_, &one, sizeof one);
}

void ControllerSim::Stop() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

SimReport ControllerSim::Report() const { return model_.Report(); }

std::uint32_t ControllerSim::LineBaud() const {
    termios t{};
    if (master_ < 0 || ::tcgetattr(master_, &t) != 0) return 0;  // a master reports its slave's settings
    return serial::posix::RateOfSpeed(cfgetospeed(&t));
}

ControllerSim::Clock::duration ControllerSim::ByteTime(std::uint32_t baud) const {
    if (!pace_ || baud == 0) return Clock::duration::zero();
    // Start bit, eight data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
}

void ControllerSim::Run(bool once, std::chrono::milliseconds idleExit) {
    lastTraffic_ = Clock::now();
    bool sawTraffic = false;
    for (;;) {
        const auto now = Clock::now();
        std::optional<Clock::time_point> next;
        auto consider = [&](Clock::time_point t) { next = next ? std::min(*next, t) : t; };
        if (!incoming_.empty()) consider(incoming_.front().at);
        if (const auto due = model_.NextDue()) consider(*due);
        if (once && sawTraffic) consider(lastTraffic_ + idleExit);
        if (lingerUntil_) consider(*lingerUntil_);

        int timeout = -1;
        if (next) {
            timeout = static_cast<int>(
                std::max<long>(0, std::chrono::ceil<std::chrono::milliseconds>(*next - now).count()));
        }
        pollfd fds[2] = {{stopEvent_, POLLIN, 0}, {master_, POLLIN, 0}};
        const nfds_t count = master_ >= 0 ? 2 : 1;
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) break;
        if (count == 2 && (fds[1].revents & POLLIN)) {
            ReadLine();
            sawTraffic = true;
        }

        const auto later = Clock::now();
        while (!incoming_.empty() && incoming_.front().at <= later) {
            const WireByte byte = incoming_.front().byte;
            incoming_.pop_front();
            model_.Deliver(byte);
        }
        if (model_.Unplugged()) CloseLine();
        model_.Advance(later);
        FlushDue();
        if (once && master_ < 0) break;
        if (once && model_.SessionEnded() && model_.Answers().empty()) {
            // Hanging up at once would discard the verdict unread at the other end; without a
            // verdict, the line stays until the tool's wait for it (2 s) has run out, as a
            // controller's would, so that the tool's outcome never races the hang-up.
            const auto linger = std::chrono::milliseconds(model_.MayWithholdVerdict() ? 3500 : 1500);
            if (!lingerUntil_) lingerUntil_ = later + linger;
            if (later >= *lingerUntil_) break;
        }
        if (once && sawTraffic && idleExit.count() > 0 && later - lastTraffic_ >= idleExit) break;
    }
}

void ControllerSim::ReadLine() {
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0) return;
        const auto now = Clock::now();
        lastTraffic_ = now;
        const std::uint32_t baud = LineBaud();
        for (ssize_t i = 0; i < n; ++i) {
            lineFreeIn_ = std::max(lineFreeIn_, now) + ByteTime(baud);
            incoming_.push_back({{baud, chunk[i]}, lineFreeIn_});
        }
    }
}

void ControllerSim::FlushDue() {
    const auto now = Clock::now();
    while (!model_.Answers().empty() && model_.Answers().front().at <= now && master_ >= 0) {
        const std::uint8_t value = model_.Answers().front().value;
        if (::write(master_, &value, 1) != 1) break;
        model_.PopAnswer();
    }
}

// The cable pulled: the other end sees its line hang up.
void ControllerSim::CloseLine() {
    if (holder_ >= 0) ::close(holder_);
    holder_ = -1;
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    incoming_.clear();
}

}  // namespace k5::sim
