// The port on Windows: a COM port opened exclusively for overlapped I/O, a
// manual-reset stop event, the reader's loop (read_loop.cpp) and a writer that
// waits on {stop, its write}.
#include "notifier.h"
#include "port_io.h"
#include "win32_text.h"

// After the component's headers: <windows.h> defines CE_* and EV_* as macros.
#include "comm_api.h"
#include "overlapped.h"
#include "read_loop.h"

#include <memory>

namespace k5::serial::win32 {
namespace {

// How long a cancelled read may take to complete, and then how long after the
// handle closed (Wine completes a cancelled wait for line events only then).
constexpr DWORD kCancelGrace = 200;
constexpr DWORD kCloseGrace = 2000;

BYTE DtrBits(TDtrControl control) {
    switch (control) {
        case TDtrControl::DtrEnable:
            return DTR_CONTROL_ENABLE;
        case TDtrControl::DtrHandshake:
            return DTR_CONTROL_HANDSHAKE;
        default:
            return DTR_CONTROL_DISABLE;
    }
}

BYTE RtsBits(TRtsControl control) {
    switch (control) {
        case TRtsControl::RtsEnable:
            return RTS_CONTROL_ENABLE;
        case TRtsControl::RtsHandshake:
            return RTS_CONTROL_HANDSHAKE;
        case TRtsControl::RtsTransmissionAvailable:
            return RTS_CONTROL_TOGGLE;
        default:
            return RTS_CONTROL_DISABLE;
    }
}

bool EndedWithTheHandle(Overlapped& operation) {
    if (!operation.pending) return true;
    if (::WaitForSingleObject(operation.done.Get(), kCloseGrace) != WAIT_OBJECT_0) return false;
    operation.pending = false;
    return true;
}

class Win32PortIo : public PortIo {
  public:
    explicit Win32PortIo(std::shared_ptr<CommApi> api) : apiOwner_(std::move(api)), api_(*apiOwner_) {}

    int Open(const std::string& device) override {
        // "\\.\" reaches every COM port, COM10 and above included.
        const std::string name = device.rfind("\\\\", 0) == 0 ? device : "\\\\.\\" + device;
        const HANDLE port = api_.Open(Widen(name));
        if (port == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
        port_ = port;
        return 0;
    }

    int SetupQueues(std::size_t inputSize, std::size_t outputSize) override {
        if (api_.SetupComm(port_, static_cast<DWORD>(inputSize), static_cast<DWORD>(outputSize))) return 0;
        return static_cast<int>(::GetLastError());
    }

    void Purge(bool receive, bool transmit) override {
        DWORD flags = 0;
        if (transmit) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
        if (receive) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        api_.PurgeComm(port_, flags);
    }

    void ApplyTimeouts(const CommTimeouts& t) override {
        COMMTIMEOUTS timeouts{};
        api_.GetCommTimeouts(port_, &timeouts);
        timeouts.ReadIntervalTimeout = t.readIntervalTimeout;
        timeouts.ReadTotalTimeoutMultiplier = t.readTotalTimeoutMultiplier;
        timeouts.ReadTotalTimeoutConstant = t.readTotalTimeoutConstant;
        timeouts.WriteTotalTimeoutMultiplier = t.writeTotalTimeoutMultiplier;
        timeouts.WriteTotalTimeoutConstant = t.writeTotalTimeoutConstant;
        api_.SetCommTimeouts(port_, &timeouts);
    }

    void ApplyLineSettings(const LineSettings& s) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        api_.GetCommState(port_, &dcb);
        dcb.BaudRate = s.baudRate;
        // The flags word is rebuilt from zero, not merged with the driver's.
        dcb.fBinary = TRUE;
        dcb.fParity = s.parityCheck;
        dcb.fOutxCtsFlow = s.outxCtsFlow;
        dcb.fOutxDsrFlow = s.outxDsrFlow;
        dcb.fDtrControl = DtrBits(s.dtrControl);
        dcb.fDsrSensitivity = s.dsrSensitivity;
        dcb.fTXContinueOnXoff = s.txContinueOnXoff;
        dcb.fOutX = s.outxXonXoffFlow;
        dcb.fInX = s.inxXonXoffFlow;
        dcb.fErrorChar = s.replaceWhenParityError;
        dcb.fNull = s.ignoreNullChar;
        dcb.fRtsControl = RtsBits(s.rtsControl);
        dcb.fAbortOnError = FALSE;
        dcb.fDummy2 = 0;
        dcb.XonLim = s.xonLimit;
        dcb.XoffLim = s.xoffLimit;
        dcb.ByteSize = static_cast<BYTE>(static_cast<int>(s.byteSize) + 5);
        dcb.Parity = static_cast<BYTE>(s.parity);
        dcb.StopBits = static_cast<BYTE>(s.stopBits);
        dcb.XonChar = static_cast<char>(s.xonChar);
        dcb.XoffChar = static_cast<char>(s.xoffChar);
        dcb.ErrorChar = static_cast<char>(s.replacedChar);
        api_.SetCommState(port_, &dcb);  // a refused value keeps the driver's, as intended
    }

    bool CreateEvents() override {
        stop_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));         // manual reset
        writerWake_.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));  // auto-reset
        readerIo_ = std::make_unique<ReaderIo>();
        return stop_.Valid() && writerWake_.Valid() && write_.done.Valid() && readerIo_->event.done.Valid() &&
               readerIo_->read.done.Valid();
    }
    void SignalStop() override { ::SetEvent(stop_.Get()); }
    bool StopSignalled() override { return Signalled(stop_.Get()); }

    void RunReader(Notifier& notifier) override {
        ReadLoop(api_, port_, stop_.Get(), notifier, *readerIo_).Run();
    }

    void ReaderEnded() override {
        // Purging does not end pending operations everywhere (Wine): cancel and wait.
        // A driver that does not end them (Wine's wait for line events) ends them when
        // Close closes the handle.
        readerIo_->read.CancelAndWait(api_, port_, kCancelGrace);
        readerIo_->event.CancelAndWait(api_, port_, kCancelGrace);
    }

    void WakeWriter() override { ::SetEvent(writerWake_.Get()); }

    WriterWake WaitForWork() override {
        HANDLE handles[2] = {stop_.Get(), writerWake_.Get()};
        switch (::WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
            case WAIT_OBJECT_0 + 1:
                return WriterWake::Work;
            case WAIT_OBJECT_0:
                return WriterWake::Stop;
            default:
                return WriterWake::Failed;
        }
    }

    SendEnd Send(const std::uint8_t* block, std::size_t length) override {
        const DWORD total = static_cast<DWORD>(length);
        DWORD offset = 0;
        while (offset < total) {
            write_.Rearm();
            DWORD written = 0;
            if (!api_.WriteFile(port_, block + offset, total - offset, &written, &write_.ov)) {
                const DWORD error = ::GetLastError();
                if (error != ERROR_IO_PENDING) {
                    return error == ERROR_INVALID_HANDLE ? SendEnd::Quiet : SendEnd::HungUp;
                }
                write_.pending = true;
                HANDLE handles[2] = {stop_.Get(), write_.done.Get()};
                const DWORD which = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
                if (which == WAIT_OBJECT_0) return SendEnd::Quiet;  // WriterEnded cancels what is pending
                if (which != WAIT_OBJECT_0 + 1) return SendEnd::HungUp;
                write_.pending = false;
                if (!api_.GetOverlappedResult(port_, &write_.ov, &written, TRUE)) {
                    const DWORD failure = ::GetLastError();
                    const bool closed = failure == ERROR_INVALID_HANDLE || failure == ERROR_OPERATION_ABORTED;
                    return closed ? SendEnd::Quiet : SendEnd::HungUp;
                }
            }
            // No progress (only write time-outs cause it): issue the rest again unless stopped.
            if (written == 0 && Signalled(stop_.Get())) return SendEnd::Quiet;
            offset += written;
        }
        return SendEnd::Sent;
    }

    void WriterEnded() override { write_.CancelAndWait(api_, port_, INFINITE); }

    void Close() override {
        if (port_ != INVALID_HANDLE_VALUE) api_.Close(port_);
        port_ = INVALID_HANDLE_VALUE;
        // What cancelling did not end ends with the handle; what not even that ends
        // must keep its OVERLAPPED and buffer: they are left behind rather than freed.
        if (readerIo_ && !(EndedWithTheHandle(readerIo_->event) && EndedWithTheHandle(readerIo_->read))) {
            (void)readerIo_.release();
        }
        readerIo_.reset();
        stop_.Reset();
        writerWake_.Reset();
    }

  private:
    std::shared_ptr<CommApi> apiOwner_;
    CommApi& api_;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    Handle stop_;
    Handle writerWake_;
    Overlapped write_;
    std::unique_ptr<ReaderIo> readerIo_;
};

class Ports : public SerialPorts {
  public:
    explicit Ports(std::shared_ptr<CommApi> api) : api_(std::move(api)) {}
    std::unique_ptr<PortIo> CreatePortIo() override { return std::make_unique<Win32PortIo>(api_); }

  private:
    std::shared_ptr<CommApi> api_;
};

}  // namespace

std::shared_ptr<SerialPorts> PortsOver(std::shared_ptr<CommApi> api) {
    return std::make_shared<Ports>(std::move(api));
}

}  // namespace k5::serial::win32

namespace k5::serial {

std::shared_ptr<SerialPorts> NativeSerialPorts() {
    static auto native = win32::PortsOver(win32::SystemCommApi());
    return native;
}

}  // namespace k5::serial
