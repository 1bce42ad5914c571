#include "comm_session_port.h"

#include "port_names.h"
#include "transfer_mode.h"

namespace k5 {

CommSessionPort::CommSessionPort(serial::Dispatcher& thread, const SettingsFile& settings) : comm_(thread) {
    comm_.SetCommName("COM1");
    comm_.SetBaudRate(9600);
    comm_.SetPortResolver([&settings](const std::string& name) { return ResolvePortName(name, settings); });
    comm_.OnReceiveData = [this](serial::TComm*, const std::uint8_t* buffer, std::uint16_t length) {
        if (receiver_ != nullptr) receiver_->ReceiveData(buffer, length);
    };
    comm_.OnRequestHangup = [this](serial::TComm* sender) {
        if (receiver_ != nullptr) receiver_->PortHungUp();
        if (OnHungUp) OnHungUp(sender->DevicePath());
    };
}

std::optional<SessionPort::OpenFailure> CommSessionPort::Open(const std::string& name, std::uint32_t baud,
                                                              Delivery delivery) {
    comm_.CloseComm();
    comm_.SetCommName(name);
    comm_.SetBaudRate(baud);
    const bool fast = delivery == Delivery::Fast;
    comm_.SetReadIntervalTimeout(fast ? kFastReadIntervalMs : kStandardReadIntervalMs);
    comm_.SetLowLatency(fast);
    try {
        comm_.OpenComm();
    } catch (const serial::ECommsError& e) {
        return OpenFailure{comm_.DevicePath(), e.OsError()};
    }
    return std::nullopt;
}

void CommSessionPort::Write(const std::uint8_t* bytes, std::uint16_t count) {
    if (comm_.WriteComm(bytes, count)) written_ += count;
}

void CommSessionPort::Close() { comm_.CloseComm(); }

}  // namespace k5
