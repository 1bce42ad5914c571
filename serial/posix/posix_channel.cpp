#include "posix_channel.h"

#include <cerrno>
#include <thread>

#include "read_thread.h"
#include "stop_event.h"
#include "write_queue.h"
#include "write_thread.h"

namespace k5::serial::posix {
namespace {

class PosixChannel : public PortChannel {
  public:
    explicit PosixChannel(std::shared_ptr<SerialBackend> backend)
        : backend_(std::move(backend)), device_(backend_->CreateDevice()) {}
    ~PosixChannel() override {
        StopReader();
        StopWriter();
        Close();
    }

    int Open(const std::string& path) override { return device_->Open(path); }

    int SetupQueues(std::size_t inputSize, std::size_t outputSize) override {
        return device_->SetupQueues(inputSize, outputSize) ? 0 : ENOTTY;
    }

    void Purge(bool receive, bool transmit) override { device_->Purge(receive, transmit); }

    void ApplyTimeouts(const CommTimeouts& timeouts) override { timeouts_->Set(timeouts); }

    void ApplyLineSettings(const LineSettings& settings) override { device_->ApplyLineSettings(settings); }

    bool CreateStopEvent() override {
        stopEvent_ = backend_->CreateStopEvent();
        queue_ = std::make_shared<WriteQueue>();
        return stopEvent_.Valid() && queue_->Valid();
    }

    bool StartReader(std::shared_ptr<Notifier> notify) override {
        reader_ = std::make_unique<TReadThread>();
        reader_->PortHandle = device_.get();
        reader_->StopEvent = stopEvent_.Get();
        reader_->NotifyWindow = std::move(notify);
        reader_->Timeouts = timeouts_;
        if (backend_->StartThread(readerThread_, [r = reader_.get()] { r->Execute(); })) return true;
        reader_.reset();
        return false;
    }

    bool StartWriter(std::shared_ptr<Notifier> notify) override {
        writer_ = std::make_unique<TWriteThread>();
        writer_->PortHandle = device_.get();
        writer_->StopEvent = stopEvent_.Get();
        writer_->NotifyWindow = std::move(notify);
        writer_->Queue = queue_;
        if (backend_->StartThread(writerThread_, [w = writer_.get()] { w->Execute(); })) return true;
        writer_.reset();
        return false;
    }

    bool Write(WriteRequest request) override { return writer_ && queue_->Push(std::move(request)); }

    void StopReader() override {
        if (!reader_) return;
        SignalEvent(stopEvent_.Get());
        device_->Purge(true, false);
        if (readerThread_.joinable()) readerThread_.join();
        reader_.reset();
    }

    void StopWriter() override {
        if (!writer_) return;
        SignalEvent(stopEvent_.Get());
        device_->Purge(false, true);
        if (writerThread_.joinable()) writerThread_.join();
        writer_.reset();
    }

    void Close() override {
        if (queue_) queue_->Close();
        queue_.reset();
        stopEvent_.Reset();
        device_->Close();
    }

  private:
    std::shared_ptr<SerialBackend> backend_;
    std::unique_ptr<SerialDevice> device_;  // PortHandle
    UniqueFd stopEvent_;
    std::shared_ptr<SharedTimeouts> timeouts_ = std::make_shared<SharedTimeouts>();
    std::shared_ptr<WriteQueue> queue_;
    std::unique_ptr<TReadThread> reader_;
    std::unique_ptr<TWriteThread> writer_;
    std::thread readerThread_;
    std::thread writerThread_;
};

class Channels : public PortBackend {
  public:
    explicit Channels(std::shared_ptr<SerialBackend> backend) : backend_(std::move(backend)) {}
    std::unique_ptr<PortChannel> CreateChannel() override { return std::make_unique<PosixChannel>(backend_); }

  private:
    std::shared_ptr<SerialBackend> backend_;
};

}  // namespace

std::shared_ptr<PortBackend> ChannelsOver(std::shared_ptr<SerialBackend> backend) {
    return std::make_shared<Channels>(std::move(backend));
}

}  // namespace k5::serial::posix

namespace k5::serial {

std::shared_ptr<PortBackend> NativePortBackend() {
    static auto native = posix::ChannelsOver(PosixBackend());
    return native;
}

}  // namespace k5::serial
