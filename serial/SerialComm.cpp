#include "SerialComm.h"

#include <algorithm>

#include "notifier.h"

namespace k5::serial {

namespace comm_message {
const char* const kAlreadyOpen = "\xB4\xCB\xB4\xAE\xBF\xDA\xD2\xD1\xBE\xAD\xB4\xF2\xBF\xAA";
const char* const kCannotOpen = "Opne Port Error\r\nmaybe port set is ircorrect";
const char* const kQueueSetupFailed = "\xB3\xF5\xCA\xBC\xBB\xAF\xBB\xBA\xB3\xE5\xC7\xF8\xB3\xF6\xB4\xED";
const char* const kCannotCreateEvent = "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xCA\xC2\xBC\xFE";
const char* const kCannotCreateReader = "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB6\xC1\xCF\xDF\xB3\xCC";
const char* const kCannotCreateWriter = "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xD0\xB4\xCF\xDF\xB3\xCC";
}  // namespace comm_message

TComm::TComm(Dispatcher& dispatcher, std::shared_ptr<SerialPorts> ports)
    : ports_(std::move(ports)),
      notifier_(std::make_shared<Notifier>(dispatcher, [this](Notification& n) { Dispatch(n); })) {}

TComm::~TComm() {
    CloseComm();
    notifier_->Detach();
}

void TComm::OpenComm() {
    if (IsOpen()) throw ECommsError(comm_message::kAlreadyOpen);

    devicePath_ = resolver_ ? resolver_(commName_) : commName_;
    auto channel = std::make_unique<PortChannel>(ports_->CreatePortIo());
    if (const int error = channel->Open(devicePath_); error != 0) {
        throw ECommsError(comm_message::kCannotOpen, error);
    }
    if (const int error = channel->SetupQueues(kQueueSize, kQueueSize); error != 0) {
        channel->Close();
        throw ECommsError(comm_message::kQueueSetupFailed, error);
    }
    channel_ = std::move(channel);
    channel_->Purge(true, true);
    channel_->ApplyTimeouts(timeouts_);
    channel_->ApplyLineSettings(line_);
    if (lowLatency_) channel_->SetLowLatency();

    if (!channel_->PrepareThreads()) {
        ReleasePort();
        throw ECommsError(comm_message::kCannotCreateEvent);
    }
    notifier_->Rearm();
    if (!channel_->StartReader(notifier_)) {
        ReleasePort();
        throw ECommsError(comm_message::kCannotCreateReader);
    }
    if (!channel_->StartWriter(notifier_)) {
        channel_->StopReader();
        ReleasePort();
        throw ECommsError(comm_message::kCannotCreateWriter);
    }
}

void TComm::CloseComm() {
    if (!IsOpen()) return;
    channel_->StopReader();
    channel_->StopWriter();
    ReleasePort();
}

void TComm::ReleasePort() {
    channel_->Close();
    channel_.reset();
}

bool TComm::WriteComm(const std::uint8_t* Buffer, std::uint16_t BufferLength) {
    if (!channel_ || BufferLength == 0 || Buffer == nullptr) return false;
    WriteRequest request;
    request.length = BufferLength;
    try {
        request.block = std::make_unique<std::uint8_t[]>(BufferLength + 1u);  // zero-filled
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::copy(Buffer, Buffer + BufferLength, request.block.get());
    return channel_->Write(std::move(request));
}

void TComm::ApplyTimeouts() {
    if (channel_) channel_->ApplyTimeouts(timeouts_);
}

void TComm::ApplyLineSettings() {
    if (channel_) channel_->ApplyLineSettings(line_);
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
