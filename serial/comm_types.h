// Types shared by the serial port component, its threads and its devices.
#pragma once

#include <cstdint>
#include <functional>

namespace k5::serial {

class TComm;

enum class TByteSize : std::uint8_t { _5, _6, _7, _8 };
enum class TParity : std::uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : std::uint8_t { _1, _1_5, _2 };
// The first value is the enable setting, the second the disable setting.
enum class TDtrControl : std::uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : std::uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Events: a handler bound to its object; an unassigned (empty) event is not called.
using TReceiveDataEvent =
    std::function<void(TComm* Sender, const std::uint8_t* Buffer, std::uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm* Sender, std::uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm* Sender, std::uint32_t ModemEvent)>;
using TSendDataEmptyEvent = std::function<void(TComm* Sender)>;
using TNotifyEvent = std::function<void(TComm* Sender)>;

// Line-error flags handed to OnReceiveError.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;

// Modem bits handed to OnModemStateChange.
inline constexpr std::uint32_t kModemCarrierDetectChanged = 8;
inline constexpr std::uint32_t kModemRing = 4;

// Notification codes posted by the reader and writer threads.
enum class NotifyCode : std::uint16_t {
    NotifyReceiveData = 0x0401,
    NotifyReceiveError = 0x0402,
    NotifyRequestHangup = 0x0403,
    NotifyModemStateChange = 0x0404,
    NotifySendDataEmpty = 0x0405,
};

inline constexpr std::size_t kQueueSize = 4096;               // driver queue each way, and one read
inline constexpr std::uint32_t kTimeoutForever = 0xFFFFFFFF;  // MAXDWORD in the time-out fields

// Everything the line-settings group writes to the device, as the properties hold it.
struct LineSettings {
    std::uint32_t baudRate = 9600;
    bool parityCheck = false;
    bool outxCtsFlow = false;
    bool outxDsrFlow = false;
    TDtrControl dtrControl = TDtrControl::DtrEnable;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = true;
    bool outxXonXoffFlow = true;
    bool inxXonXoffFlow = true;
    bool replaceWhenParityError = false;
    bool ignoreNullChar = false;
    TRtsControl rtsControl = TRtsControl::RtsEnable;
    std::uint16_t xonLimit = 500;
    std::uint16_t xoffLimit = 500;
    TByteSize byteSize = TByteSize::_8;
    TParity parity = TParity::None;
    TStopBits stopBits = TStopBits::_1;
    std::uint8_t xonChar = 0x11;
    std::uint8_t xoffChar = 0x13;
    std::uint8_t replacedChar = 0x00;

    bool operator==(const LineSettings&) const = default;
};

// The five time-outs, in milliseconds (per byte for the multipliers).
struct CommTimeouts {
    std::uint32_t readIntervalTimeout = 100;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;

    bool operator==(const CommTimeouts&) const = default;
};

}  // namespace k5::serial
