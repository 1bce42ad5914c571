// TComm: a serial port component. It opens and configures a named port, queues
// outgoing blocks to a writer thread, and delivers received blocks and line
// events as events on the thread that created it, in the order the port's
// threads produced them.
//
// Threads: events run only on the creating thread, through the Dispatcher it
// was given. OpenComm, CloseComm, WriteComm and the setters may be called from
// one other thread at a time. CloseComm waits for both port threads to end.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "comm_types.h"
#include "dispatcher.h"
#include "port_channel.h"

namespace k5::serial {

class Notifier;
struct Notification;

// Raised by OpenComm. The message is stored as the component gives it: GBK
// bytes for the Chinese texts (convert them to show them).
class ECommsError : public std::runtime_error {
  public:
    explicit ECommsError(const std::string& message, int osError = 0)
        : std::runtime_error(message), osError_(osError) {}
    int OsError() const { return osError_; }  // the OS error of a failed open (errno, GetLastError()), else 0

  private:
    int osError_;
};

// OpenComm's messages (GBK bytes).
namespace comm_message {
extern const char* const kAlreadyOpen;         // 此串口已经打开
extern const char* const kCannotOpen;          // "Opne Port Error\r\nmaybe port set is ircorrect"
extern const char* const kQueueSetupFailed;    // 初始化缓冲区出错
extern const char* const kCannotCreateEvent;   // 无法创建事件
extern const char* const kCannotCreateReader;  // 无法创建读线程
extern const char* const kCannotCreateWriter;  // 无法创建写线程
}  // namespace comm_message

// Maps a port name (for example "COM3") to the device path to open.
using PortResolver = std::function<std::string(const std::string& commName)>;

class TComm {
  public:
    explicit TComm(Dispatcher& dispatcher, std::shared_ptr<SerialPorts> ports = NativeSerialPorts());
    ~TComm();
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    // Opens and configures the port named by CommName and starts both threads.
    // Raises ECommsError; on failure everything it made is released.
    void OpenComm();
    // Stops both threads and closes the port. Never raises; does nothing when closed.
    void CloseComm();
    // Queues a copy of the bytes and returns at once. False when the port is
    // closed (or its writer has ended), for a length of 0, or when the copy
    // could not be queued.
    bool WriteComm(const std::uint8_t* Buffer, std::uint16_t BufferLength);
    bool IsOpen() const { return channel_ != nullptr; }

    // Without a resolver, CommName is opened as it is.
    void SetPortResolver(PortResolver resolver) { resolver_ = std::move(resolver); }
    // The device the last OpenComm tried.
    const std::string& DevicePath() const { return devicePath_; }

    // Published properties. A changed line setting or time-out is applied at
    // once while open; an equal value does nothing. CommName and Parity are
    // plain stores.
    const std::string& CommName() const { return commName_; }
    void SetCommName(const std::string& value) { commName_ = value; }
    std::uint32_t BaudRate() const { return line_.baudRate; }
    void SetBaudRate(std::uint32_t value) { SetLine(line_.baudRate, value); }
    bool ParityCheck() const { return line_.parityCheck; }
    void SetParityCheck(bool value) { SetLine(line_.parityCheck, value); }
    bool Outx_CtsFlow() const { return line_.outxCtsFlow; }
    void SetOutx_CtsFlow(bool value) { SetLine(line_.outxCtsFlow, value); }
    bool Outx_DsrFlow() const { return line_.outxDsrFlow; }
    void SetOutx_DsrFlow(bool value) { SetLine(line_.outxDsrFlow, value); }
    TDtrControl DtrControl() const { return line_.dtrControl; }
    void SetDtrControl(TDtrControl value) { SetLine(line_.dtrControl, value); }
    bool DsrSensitivity() const { return line_.dsrSensitivity; }
    void SetDsrSensitivity(bool value) { SetLine(line_.dsrSensitivity, value); }
    bool TxContinueOnXoff() const { return line_.txContinueOnXoff; }
    void SetTxContinueOnXoff(bool value) { SetLine(line_.txContinueOnXoff, value); }
    bool Outx_XonXoffFlow() const { return line_.outxXonXoffFlow; }
    void SetOutx_XonXoffFlow(bool value) { SetLine(line_.outxXonXoffFlow, value); }
    bool Inx_XonXoffFlow() const { return line_.inxXonXoffFlow; }
    void SetInx_XonXoffFlow(bool value) { SetLine(line_.inxXonXoffFlow, value); }
    bool ReplaceWhenParityError() const { return line_.replaceWhenParityError; }
    void SetReplaceWhenParityError(bool value) { SetLine(line_.replaceWhenParityError, value); }
    bool IgnoreNullChar() const { return line_.ignoreNullChar; }
    void SetIgnoreNullChar(bool value) { SetLine(line_.ignoreNullChar, value); }
    TRtsControl RtsControl() const { return line_.rtsControl; }
    void SetRtsControl(TRtsControl value) { SetLine(line_.rtsControl, value); }
    std::uint16_t XonLimit() const { return line_.xonLimit; }
    void SetXonLimit(std::uint16_t value) { SetLine(line_.xonLimit, value); }
    std::uint16_t XoffLimit() const { return line_.xoffLimit; }
    void SetXoffLimit(std::uint16_t value) { SetLine(line_.xoffLimit, value); }
    TByteSize ByteSize() const { return line_.byteSize; }
    void SetByteSize(TByteSize value) { SetLine(line_.byteSize, value); }
    TParity Parity() const { return line_.parity; }
    // Stored only: takes effect with the next application of the line settings.
    void SetParity(TParity value) { line_.parity = value; }
    TStopBits StopBits() const { return line_.stopBits; }
    void SetStopBits(TStopBits value) { SetLine(line_.stopBits, value); }
    std::uint8_t XonChar() const { return line_.xonChar; }
    void SetXonChar(std::uint8_t value) { SetLine(line_.xonChar, value); }
    std::uint8_t XoffChar() const { return line_.xoffChar; }
    void SetXoffChar(std::uint8_t value) { SetLine(line_.xoffChar, value); }
    std::uint8_t ReplacedChar() const { return line_.replacedChar; }
    void SetReplacedChar(std::uint8_t value) { SetLine(line_.replacedChar, value); }
    std::uint32_t ReadIntervalTimeout() const { return timeouts_.readIntervalTimeout; }
    void SetReadIntervalTimeout(std::uint32_t value) { SetTimeout(timeouts_.readIntervalTimeout, value); }
    std::uint32_t ReadTotalTimeoutMultiplier() const { return timeouts_.readTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(std::uint32_t value) {
        SetTimeout(timeouts_.readTotalTimeoutMultiplier, value);
    }
    std::uint32_t ReadTotalTimeoutConstant() const { return timeouts_.readTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(std::uint32_t value) {
        SetTimeout(timeouts_.readTotalTimeoutConstant, value);
    }
    std::uint32_t WriteTotalTimeoutMultiplier() const { return timeouts_.writeTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t value) {
        SetTimeout(timeouts_.writeTotalTimeoutMultiplier, value);
    }
    std::uint32_t WriteTotalTimeoutConstant() const { return timeouts_.writeTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(std::uint32_t value) {
        SetTimeout(timeouts_.writeTotalTimeoutConstant, value);
    }

    // Not one of the component's published properties: asks the driver to hand
    // received bytes over without holding them back (Linux: ASYNC_LOW_LATENCY,
    // which FTDI adapters turn into a 1 ms latency timer), from the next
    // OpenComm on; the driver's own setting is put back at close. Drivers that
    // refuse it (pseudo-terminals) are left as they are.
    bool LowLatency() const { return lowLatency_; }
    void SetLowLatency(bool value) { lowLatency_ = value; }

    // Events, run on the creating thread. The Buffer given to OnReceiveData is
    // the component's, followed by one zero byte, and valid until the handler returns.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

  private:
    template <typename T>
    void SetLine(T& field, T value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyLineSettings();
    }
    void SetTimeout(std::uint32_t& field, std::uint32_t value) {
        if (field == value) return;
        field = value;
        if (IsOpen()) ApplyTimeouts();
    }
    void ApplyLineSettings();
    void ApplyTimeouts();
    void ReleasePort();
    void Dispatch(Notification& note);

    std::shared_ptr<SerialPorts> ports_;
    std::shared_ptr<Notifier> notifier_;
    PortResolver resolver_;

    std::string commName_ = "COM2";
    LineSettings line_;
    CommTimeouts timeouts_;
    bool lowLatency_ = false;
    std::string devicePath_;

    std::unique_ptr<PortChannel> channel_;  // while open
};

}  // namespace k5::serial
