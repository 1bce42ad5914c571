#include "posix_port_io.h"

#include <poll.h>

#include <cerrno>

#include "read_loop.h"
#include "stop_event.h"

namespace k5::serial::posix {
namespace {

class PosixPortIo : public PortIo {
  public:
    explicit PosixPortIo(std::shared_ptr<PosixSystem> system)
        : system_(std::move(system)), device_(system_->CreateDevice()) {}

    int Open(const std::string& path) override { return device_->Open(path); }
    int SetupQueues(std::size_t inputSize, std::size_t outputSize) override {
        return device_->SetupQueues(inputSize, outputSize) ? 0 : ENOTTY;
    }
    void Purge(bool receive, bool transmit) override { device_->Purge(receive, transmit); }
    void ApplyTimeouts(const CommTimeouts& timeouts) override { timeouts_.Set(timeouts); }
    void ApplyLineSettings(const LineSettings& settings) override { device_->ApplyLineSettings(settings); }
    void SetLowLatency() override { device_->SetLowLatency(); }

    bool CreateEvents() override {
        stopEvent_ = system_->CreateStopEvent();
        writerWake_ = MakeEventFd();
        return stopEvent_.Valid() && writerWake_.Valid();
    }
    void SignalStop() override { SignalEvent(stopEvent_.Get()); }
    bool StopSignalled() override { return EventSignalled(stopEvent_.Get()); }

    bool StartThread(std::thread& thread, std::function<void()> body) override {
        return system_->StartThread(thread, std::move(body));
    }

    void RunReader(Notifier& notifier) override {
        ReadLoop(*device_, stopEvent_.Get(), timeouts_, notifier).Run();
    }

    void WakeWriter() override { SignalEvent(writerWake_.Get()); }

    WriterWake WaitForWork() override {
        switch (WaitFor(writerWake_.Get(), POLLIN)) {
            case Wait::Ready:
                DrainEvent(writerWake_.Get());  // an auto-reset event
                return WriterWake::Work;
            case Wait::Stop:
                return WriterWake::Stop;
            case Wait::Failed:
                break;
        }
        return WriterWake::Failed;
    }

    SendEnd Send(const std::uint8_t* block, std::size_t length) override {
        std::size_t offset = 0;
        while (offset < length) {
            const ssize_t n = device_->Write(block + offset, length - offset);
            if (n > 0) {
                offset += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EBADF) return SendEnd::Quiet;  // closed under us
            if (n < 0 && errno != EAGAIN) return SendEnd::HungUp;
            // Output is full or held by XOFF: wait until the device takes more.
            switch (WaitFor(device_->Descriptor(), POLLOUT)) {
                case Wait::Stop:
                    return SendEnd::Quiet;  // abandoned; the purge drops the rest
                case Wait::Ready:
                    break;
                case Wait::Failed:
                    return SendEnd::HungUp;
            }
        }
        return SendEnd::Sent;
    }

    void Close() override {
        stopEvent_.Reset();
        writerWake_.Reset();
        device_->Close();
    }

  private:
    enum class Wait { Stop, Ready, Failed };

    // Waits for `events` on `descriptor`, the stop event or a hang-up of the device.
    Wait WaitFor(int descriptor, short events) {
        const int device = device_->Descriptor();
        for (;;) {
            // The device is always watched for a hang-up (revents POLLHUP needs no request).
            pollfd fds[3] = {{stopEvent_.Get(), POLLIN, 0}, {descriptor, events, 0}, {device, 0, 0}};
            const nfds_t count = descriptor == device ? 2 : 3;
            const int ready = ::poll(fds, count, -1);
            if (ready < 0) {
                if (errno == EINTR) continue;
                return Wait::Failed;
            }
            if (fds[0].revents & POLLIN) return Wait::Stop;
            if (fds[1].revents & events) return Wait::Ready;
            for (nfds_t i = 1; i < count; ++i) {
                if (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL)) return Wait::Failed;
            }
        }
    }

    std::shared_ptr<PosixSystem> system_;
    std::unique_ptr<SerialDevice> device_;
    UniqueFd stopEvent_;
    UniqueFd writerWake_;
    SharedTimeouts timeouts_;
};

class Ports : public SerialPorts {
  public:
    explicit Ports(std::shared_ptr<PosixSystem> system) : system_(std::move(system)) {}
    std::unique_ptr<PortIo> CreatePortIo() override { return std::make_unique<PosixPortIo>(system_); }

  private:
    std::shared_ptr<PosixSystem> system_;
};

}  // namespace

std::shared_ptr<SerialPorts> PortsOver(std::shared_ptr<PosixSystem> system) {
    return std::make_shared<Ports>(std::move(system));
}

}  // namespace k5::serial::posix

namespace k5::serial {

std::shared_ptr<SerialPorts> NativeSerialPorts() {
    static auto native = posix::PortsOver(posix::NativePosixSystem());
    return native;
}

}  // namespace k5::serial
