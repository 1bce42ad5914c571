#include "fake_device.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "stop_event.h"

namespace k5::test {
namespace {

class FakeModemWatch : public serial::ModemWatch {
  public:
    explicit FakeModemWatch(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}
    ~FakeModemWatch() override {
        std::lock_guard lock(line_->mutex);
        line_->modem = nullptr;
    }

  private:
    std::shared_ptr<FakeLine> line_;
};

class FakeDevice : public serial::SerialDevice {
  public:
    explicit FakeDevice(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}
    ~FakeDevice() override { Close(); }

    int Open(const std::string& path) override {
        std::lock_guard lock(line_->mutex);
        line_->openedPaths.push_back(path);
        if (line_->openError != 0) return std::exchange(line_->openError, 0);
        int pair[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return errno;
        ::fcntl(pair[0], F_SETFL, O_NONBLOCK);
        fd_.Reset(pair[0]);
        line_->wire = pair[1];
        ++line_->opens;
        return 0;
    }
    bool SetupQueues(std::size_t, std::size_t) override { return !line_->notATerminal; }
    void SetLowLatency() override { ++line_->lowLatencyRequests; }
    void Close() override {
        if (!fd_.Valid()) return;
        std::lock_guard lock(line_->mutex);
        fd_.Reset();
        if (line_->wire >= 0) ::close(line_->wire);
        line_->wire = -1;
        ++line_->closes;
    }
    int Descriptor() const override { return fd_.Get(); }
    ssize_t Read(std::uint8_t* buffer, std::size_t size) override { return ::read(fd_.Get(), buffer, size); }
    ssize_t Write(const std::uint8_t* buffer, std::size_t size) override {
        if (int err = line_->writeErrno.load()) {
            errno = err;
            return -1;
        }
        return ::send(fd_.Get(), buffer, size, MSG_NOSIGNAL);
    }
    void Purge(bool, bool) override {}
    void ApplyLineSettings(const serial::LineSettings& settings) override {
        std::lock_guard lock(line_->mutex);
        line_->applied.push_back(settings);
    }
    std::optional<serial::LineCounters> Counters() override {
        std::lock_guard lock(line_->mutex);
        return line_->counters;
    }
    std::unique_ptr<serial::ModemWatch> WatchModem(serial::ModemChanged changed) override {
        std::lock_guard lock(line_->mutex);
        line_->modem = std::move(changed);
        return std::make_unique<FakeModemWatch>(line_);
    }

  private:
    std::shared_ptr<FakeLine> line_;
    serial::UniqueFd fd_;
};

}  // namespace

void FakeLine::SendFromWire(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex);
    [[maybe_unused]] auto n = ::send(wire, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::vector<std::uint8_t> FakeLine::ReadWire(std::size_t count, int timeoutMs) {
    std::vector<std::uint8_t> got;
    int fd;
    {
        std::lock_guard lock(mutex);
        fd = wire;
    }
    while (got.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) break;
        std::uint8_t chunk[4096];
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

void FakeLine::CutWire() {
    std::lock_guard lock(mutex);
    if (wire >= 0) ::close(wire);
    wire = -1;
}

std::unique_ptr<serial::SerialDevice> FakeSystem::CreateDevice() {
    return std::make_unique<FakeDevice>(line);
}

serial::UniqueFd FakeSystem::CreateStopEvent() {
    if (failStopEvent) return {};
    return serial::MakeEventFd();
}

bool FakeSystem::StartThread(std::thread& thread, std::function<void()> body) {
    const int index = threadsStarted_++ % 2;
    if (index == failThread) {
        failThread = -1;
        threadsStarted_ = 0;
        return false;
    }
    thread = std::thread(std::move(body));
    return true;
}

}  // namespace k5::test
