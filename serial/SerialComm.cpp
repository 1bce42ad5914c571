#include "SerialComm.h"

#include <cerrno>

#include "notifier.h"
#include "read_thread.h"
#include "stop_event.h"
#include "write_queue.h"
#include "write_thread.h"

namespace k5::serial {

namespace comm_message {
const char* const kAlreadyOpen = "\xB4\xCB\xB4\xAE\xBF\xDA\xD2\xD1\xBE\xAD\xB4\xF2\xBF\xAA";
const char* const kCannotOpen = "Opne Port Error\r\nmaybe port set is ircorrect";
const char* const kQueueSetupFailed = "\xB3\xF5\xCA\xBC\xBB\xAF\xBB\xBA\xB3\xE5\xC7\xF8\xB3\xF6\xB4\xED";
const char* const kCannotCreateEvent = "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xCA\xC2\xBC\xFE";
const char* const kCannotCreateReader = "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB6\xC1\xCF\xDF\xB3\xCC";
const char* const kCannotCreateWriter = "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xD0\xB4\xCF\xDF\xB3\xCC";
}  // namespace comm_message

TComm::TComm(Dispatcher& dispatcher, std::shared_ptr<SerialBackend> backend)
    : backend_(std::move(backend)),
      notifyWindow_(std::make_shared<Notifier>(dispatcher, [this](Notification& n) { Dispatch(n); })) {}

TComm::~TComm() {
    CloseComm();
    notifyWindow_->Detach();
}

void TComm::OpenComm() {
    if (IsOpen()) throw ECommsError(comm_message::kAlreadyOpen);

    devicePath_ = resolver_ ? resolver_(commName_) : commName_;
    auto device = backend_->CreateDevice();
    if (const int err = device->Open(devicePath_); err != 0) {
        throw ECommsError(comm_message::kCannotOpen, err);
    }
    if (!device->SetupQueues(kQueueSize, kQueueSize)) {
        device->Close();
        throw ECommsError(comm_message::kQueueSetupFailed, ENOTTY);
    }
    device_ = std::move(device);
    device_->Purge(true, true);
    appliedTimeouts_ = std::make_shared<SharedTimeouts>();
    ApplyTimeouts();
    ApplyLineSettings();

    stopEvent_ = backend_->CreateStopEvent();
    writeQueue_ = std::make_shared<WriteQueue>();
    if (!stopEvent_.Valid() || !writeQueue_->Valid()) {
        ReleasePort();
        throw ECommsError(comm_message::kCannotCreateEvent);
    }

    notifyWindow_->Rearm();
    reader_ = std::make_unique<TReadThread>();
    reader_->PortHandle = device_.get();
    reader_->StopEvent = stopEvent_.Get();
    reader_->NotifyWindow = notifyWindow_;
    reader_->Timeouts = appliedTimeouts_;
    if (!backend_->StartThread(readerThread_, [r = reader_.get()] { r->Execute(); })) {
        reader_.reset();
        ReleasePort();
        throw ECommsError(comm_message::kCannotCreateReader);
    }

    writer_ = std::make_unique<TWriteThread>();
    writer_->PortHandle = device_.get();
    writer_->StopEvent = stopEvent_.Get();
    writer_->NotifyWindow = notifyWindow_;
    writer_->Queue = writeQueue_;
    if (!backend_->StartThread(writerThread_, [w = writer_.get()] { w->Execute(); })) {
        writer_.reset();
        StopReader();
        ReleasePort();
        throw ECommsError(comm_message::kCannotCreateWriter);
    }
}

void TComm::CloseComm() {
    if (!IsOpen()) return;
    StopReader();
    StopWriter();
    ReleasePort();
}

void TComm::StopReader() {
    if (!reader_) return;
    SignalEvent(stopEvent_.Get());
    device_->Purge(true, false);
    if (readerThread_.joinable()) readerThread_.join();
    reader_.reset();
}

void TComm::StopWriter() {
    if (!writer_) return;
    SignalEvent(stopEvent_.Get());
    device_->Purge(false, true);
    if (writerThread_.joinable()) writerThread_.join();
    writer_.reset();
}

void TComm::ReleasePort() {
    if (writeQueue_) writeQueue_->Close();
    writeQueue_.reset();
    stopEvent_.Reset();
    appliedTimeouts_.reset();
    if (device_) device_->Close();
    device_.reset();
}

bool TComm::WriteComm(const std::uint8_t* Buffer, std::uint16_t BufferLength) {
    if (!writer_ || BufferLength == 0 || Buffer == nullptr) return false;
    WriteRequest request;
    request.length = BufferLength;
    try {
        request.block = std::make_unique<std::uint8_t[]>(BufferLength + 1u);  // zero-filled
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::copy(Buffer, Buffer + BufferLength, request.block.get());
    return writeQueue_->Push(std::move(request));
}

void TComm::ApplyTimeouts() {
    if (appliedTimeouts_) appliedTimeouts_->Set(timeouts_);
}

void TComm::ApplyLineSettings() {
    if (device_) device_->ApplyLineSettings(line_);
}

void TComm::Dispatch(Notification& note) {
    switch (note.code) {
        case NotifyCode::NotifyReceiveData:
            // The block is released when `note` goes, after the handler, even if it raises.
            if (OnReceiveData) OnReceiveData(this, note.block.get(), static_cast<std::uint16_t>(note.param));
            break;
        case NotifyCode::NotifyReceiveError:
            if (OnReceiveError) OnReceiveError(this, note.param);
            break;
        case NotifyCode::NotifyRequestHangup:
            if (OnRequestHangup) OnRequestHangup(this);
            break;
        case NotifyCode::NotifyModemStateChange:
            if (OnModemStateChange) OnModemStateChange(this, note.param);
            break;
        case NotifyCode::NotifySendDataEmpty:
            if (OnSendDataEmpty) OnSendDataEmpty(this);
            break;
    }
}

}  // namespace k5::serial
