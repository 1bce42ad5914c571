// The port channel on Windows: a COM port opened exclusively for overlapped
// I/O, a manual-reset stop event, a reader that waits on {stop, line event,
// read} and a writer fed through a queue. Every overlapped operation is
// complete (or cancelled and waited for) before its OVERLAPPED and buffer go.
#include "notifier.h"
#include "port_channel.h"
#include "win32_text.h"

// After the component's headers: <windows.h> defines CE_* and EV_* as macros.
#include "comm_api.h"

#include <algorithm>
#include <array>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace k5::serial {
namespace {

constexpr DWORD kLineEventMask = EV_ERR | EV_RLSD | EV_RING;  // 0x01A0
constexpr DWORD kReadSize = 4096;
// How long a cancelled operation may take to complete, and then how long after
// the handle closed (Wine completes a cancelled wait for line events only then).
constexpr DWORD kCancelGrace = 200;
constexpr DWORD kCloseGrace = 2000;

class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h = nullptr) {
        if (Valid()) ::CloseHandle(h_);
        h_ = h;
    }

  private:
    HANDLE h_ = nullptr;
};

// One overlapped operation's record and event, alive until the operation is complete.
struct Overlapped {
    OVERLAPPED ov{};
    Handle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool pending = false;
    Overlapped() { ov.hEvent = done.Get(); }
    void Rearm() {
        ov = OVERLAPPED{};
        ov.hEvent = done.Get();
        ::ResetEvent(done.Get());
    }
    // Cancels the operation and waits up to `limit` for it to end. True when it has.
    bool CancelAndWait(win32::CommApi& api, HANDLE port, DWORD limit) {
        if (!pending) return true;
        api.CancelIoEx(port, &ov);
        if (::WaitForSingleObject(done.Get(), limit) != WAIT_OBJECT_0) return false;
        DWORD ignored = 0;
        api.GetOverlappedResult(port, &ov, &ignored, FALSE);
        pending = false;
        return true;
    }
};

// The reader's operations. Owned by the channel, so that a wait for line events
// that only closing the handle ends (Wine) outlives the reader thread.
struct ReaderIo {
    Overlapped event;
    Overlapped read;
    DWORD mask = 0;
    std::array<std::uint8_t, kReadSize> buffer{};
};

class WriteQueue {
  public:
    bool Push(WriteRequest request) {
        {
            std::lock_guard lock(mutex_);
            if (closed_) return false;
            requests_.push_back(std::move(request));
        }
        ::SetEvent(wake_.Get());
        return true;
    }
    bool TryPop(WriteRequest& request) {
        std::lock_guard lock(mutex_);
        if (requests_.empty()) return false;
        request = std::move(requests_.front());
        requests_.pop_front();
        return true;
    }
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        requests_.clear();
    }
    bool Valid() const { return wake_.Valid(); }
    HANDLE Wake() const { return wake_.Get(); }

  private:
    std::mutex mutex_;
    std::deque<WriteRequest> requests_;
    bool closed_ = false;
    Handle wake_{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // auto-reset
};

bool Signalled(HANDLE event) { return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// A device that cannot report line events (a pty under Wine, some virtual COM drivers).
bool NoLineEvents(DWORD error) { return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION; }

class Reader {
  public:
    Reader(win32::CommApi& api, HANDLE port, HANDLE stop, std::shared_ptr<Notifier> notify, ReaderIo& io)
        : api(api), port_(port), stop_(stop), notify_(std::move(notify)), io_(io) {}

    void Run() {
        ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
        if (!io_.event.done.Valid() || !io_.read.done.Valid()) {
            notify_->PostHangupOnce();
        } else {
            Loop();
        }
        End();
    }

  private:
    enum class Step { Armed, Stop, Failed };

    void Loop() {
        lineEvents_ = api.SetCommMask(port_, kLineEventMask) != 0;
        if (!lineEvents_ && !NoLineEvents(::GetLastError())) {
            notify_->PostHangupOnce();
            return;
        }
        if (ArmEventWait() != Step::Armed || ArmRead() != Step::Armed) return;
        for (;;) {
            HANDLE handles[3] = {stop_, io_.event.done.Get(), io_.read.done.Get()};
            const DWORD count = lineEvents_ ? 3 : 2;
            if (!lineEvents_) handles[1] = io_.read.done.Get();
            const DWORD which = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0) return;
            DWORD transferred = 0;
            if (lineEvents_ && which == WAIT_OBJECT_0 + 1) {
                io_.event.pending = false;
                if (!api.GetOverlappedResult(port_, &io_.event.ov, &transferred, FALSE)) {
                    const DWORD error = ::GetLastError();
                    if (NoLineEvents(error)) {
                        lineEvents_ = false;  // the device gave up on line events: data only
                        continue;
                    }
                    Fail(error);
                    return;
                }
                if (!HandleLineEvent(io_.mask) || ArmEventWait() != Step::Armed) return;
            } else if (which == WAIT_OBJECT_0 + (lineEvents_ ? 2 : 1)) {
                io_.read.pending = false;
                if (!api.GetOverlappedResult(port_, &io_.read.ov, &transferred, FALSE)) {
                    Fail(::GetLastError());
                    return;
                }
                if (!Deliver(transferred) || ArmRead() != Step::Armed) return;
            } else {
                notify_->PostHangupOnce();
                return;
            }
        }
    }

    Step ArmEventWait() {
        while (lineEvents_) {
            if (Signalled(stop_)) return Step::Stop;
            io_.event.Rearm();
            io_.mask = 0;
            if (api.WaitCommEvent(port_, &io_.mask, &io_.event.ov)) {
                if (!HandleLineEvent(io_.mask)) return Step::Failed;
                continue;
            }
            const DWORD error = ::GetLastError();
            if (error == ERROR_IO_PENDING) {
                io_.event.pending = true;
                return Step::Armed;
            }
            if (NoLineEvents(error)) {
                lineEvents_ = false;
                break;
            }
            Fail(error);
            return Step::Failed;
        }
        return Step::Armed;
    }

    Step ArmRead() {
        for (;;) {
            if (Signalled(stop_)) return Step::Stop;
            io_.read.Rearm();
            DWORD got = 0;
            if (api.ReadFile(port_, io_.buffer.data(), kReadSize, &got, &io_.read.ov)) {
                if (!Deliver(got)) return Step::Failed;
                continue;
            }
            const DWORD error = ::GetLastError();
            if (error == ERROR_IO_PENDING) {
                io_.read.pending = true;
                return Step::Armed;
            }
            Fail(error);
            return Step::Failed;
        }
    }

    // False when the thread must end.
    bool HandleLineEvent(DWORD mask) {
        if (mask & EV_ERR) {
            DWORD errors = 0;
            if (!api.ClearCommError(port_, &errors)) {
                Fail(::GetLastError());
                return false;
            }
            if (!Post(NotifyCode::NotifyReceiveError, errors)) return false;
        }
        const std::uint32_t modem =
            ((mask & EV_RLSD) ? kModemCarrierDetectChanged : 0) | ((mask & EV_RING) ? kModemRing : 0);
        if (modem != 0 && !Post(NotifyCode::NotifyModemStateChange, modem)) return false;
        if ((mask & kLineEventMask) == 0) {
            notify_->PostHangupOnce();
            return false;
        }
        return true;
    }

    bool Deliver(DWORD count) {
        // An empty completion (only total time-outs make one) simply starts the next read.
        if (count == 0) return true;
        std::unique_ptr<std::uint8_t[]> block;
        try {
            block = std::make_unique<std::uint8_t[]>(count + 1);  // zero-filled
        } catch (const std::bad_alloc&) {
            notify_->PostHangupOnce();
            return false;
        }
        std::copy(io_.buffer.begin(), io_.buffer.begin() + count, block.get());
        return Post(NotifyCode::NotifyReceiveData, count, std::move(block));
    }

    bool Post(NotifyCode code, std::uint32_t param, std::unique_ptr<std::uint8_t[]> block = {}) {
        if (notify_->Post(code, param, std::move(block))) return true;
        notify_->PostHangupOnce();
        return false;
    }

    // The failure rule: a closed handle ends the thread quietly, anything else is a hang-up.
    void Fail(DWORD error) {
        if (error != ERROR_INVALID_HANDLE && error != ERROR_OPERATION_ABORTED) notify_->PostHangupOnce();
    }

    void End() {
        api.PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR);
        // Purging does not end pending operations everywhere (Wine): cancel and wait.
        // A driver that does not end them (Wine's wait for line events) ends them when the
        // channel closes the handle.
        io_.read.CancelAndWait(api, port_, kCancelGrace);
        io_.event.CancelAndWait(api, port_, kCancelGrace);
    }

    win32::CommApi& api;
    HANDLE port_;
    HANDLE stop_;
    std::shared_ptr<Notifier> notify_;
    ReaderIo& io_;
    bool lineEvents_ = true;
};

class Writer {
  public:
    Writer(win32::CommApi& api, HANDLE port, HANDLE stop, std::shared_ptr<Notifier> notify,
           std::shared_ptr<WriteQueue> queue)
        : api(api), port_(port), stop_(stop), notify_(std::move(notify)), queue_(std::move(queue)) {}

    void Run() {
        ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
        if (!write_.done.Valid()) {
            notify_->PostHangupOnce();
        } else {
            Loop();
        }
        api.PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR);
        write_.CancelAndWait(api, port_, INFINITE);
    }

  private:
    void Loop() {
        bool notifyWhenEmpty = true;
        for (;;) {
            WriteRequest request;
            if (!queue_->TryPop(request)) {
                if (notifyWhenEmpty) {
                    if (!notify_->Post(NotifyCode::NotifySendDataEmpty)) {
                        notify_->PostHangupOnce();
                        return;
                    }
                    notifyWhenEmpty = false;
                }
                HANDLE handles[2] = {stop_, queue_->Wake()};
                const DWORD which = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
                if (which == WAIT_OBJECT_0 + 1) continue;
                if (which != WAIT_OBJECT_0) notify_->PostHangupOnce();
                return;
            }
            if (Signalled(stop_)) return;
            if (!WriteBlock(request.block.get(), request.length)) return;
            notifyWhenEmpty = true;
        }
    }

    bool WriteBlock(const std::uint8_t* block, DWORD length) {
        DWORD offset = 0;
        while (offset < length) {
            write_.Rearm();
            DWORD written = 0;
            if (!api.WriteFile(port_, block + offset, length - offset, &written, &write_.ov)) {
                const DWORD error = ::GetLastError();
                if (error != ERROR_IO_PENDING) {
                    if (error != ERROR_INVALID_HANDLE) notify_->PostHangupOnce();
                    return false;
                }
                write_.pending = true;
                HANDLE handles[2] = {stop_, write_.done.Get()};
                const DWORD which = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
                if (which == WAIT_OBJECT_0) return false;  // Run cancels what is pending
                if (which != WAIT_OBJECT_0 + 1) {
                    notify_->PostHangupOnce();
                    return false;
                }
                write_.pending = false;
                if (!api.GetOverlappedResult(port_, &write_.ov, &written, TRUE)) {
                    const DWORD failure = ::GetLastError();
                    if (failure != ERROR_INVALID_HANDLE && failure != ERROR_OPERATION_ABORTED) {
                        notify_->PostHangupOnce();
                    }
                    return false;
                }
            }
            // No progress (only write time-outs cause it): issue the rest again unless stopped.
            if (written == 0 && Signalled(stop_)) return false;
            offset += written;
        }
        return true;
    }

    win32::CommApi& api;
    HANDLE port_;
    HANDLE stop_;
    std::shared_ptr<Notifier> notify_;
    std::shared_ptr<WriteQueue> queue_;
    Overlapped write_;
};

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

class Win32Channel : public PortChannel {
  public:
    explicit Win32Channel(std::shared_ptr<win32::CommApi> api) : api_(std::move(api)), api(*api_) {}
    ~Win32Channel() override {
        StopReader();
        StopWriter();
        Close();
    }

    int Open(const std::string& device) override {
        // "\\.\" reaches every COM port, COM10 and above included.
        const std::string name = device.rfind("\\\\", 0) == 0 ? device : "\\\\.\\" + device;
        const HANDLE port = api.Open(Widen(name));
        if (port == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
        port_ = port;
        return 0;
    }

    int SetupQueues(std::size_t inputSize, std::size_t outputSize) override {
        if (api.SetupComm(port_, static_cast<DWORD>(inputSize), static_cast<DWORD>(outputSize))) return 0;
        return static_cast<int>(::GetLastError());
    }

    void Purge(bool receive, bool transmit) override {
        DWORD flags = 0;
        if (transmit) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
        if (receive) flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        api.PurgeComm(port_, flags);
    }

    void ApplyTimeouts(const CommTimeouts& t) override {
        COMMTIMEOUTS timeouts{};
        api.GetCommTimeouts(port_, &timeouts);
        timeouts.ReadIntervalTimeout = t.readIntervalTimeout;
        timeouts.ReadTotalTimeoutMultiplier = t.readTotalTimeoutMultiplier;
        timeouts.ReadTotalTimeoutConstant = t.readTotalTimeoutConstant;
        timeouts.WriteTotalTimeoutMultiplier = t.writeTotalTimeoutMultiplier;
        timeouts.WriteTotalTimeoutConstant = t.writeTotalTimeoutConstant;
        api.SetCommTimeouts(port_, &timeouts);
    }

    void ApplyLineSettings(const LineSettings& s) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        api.GetCommState(port_, &dcb);
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
        api.SetCommState(port_, &dcb);  // a refused value keeps the driver's, as intended
    }

    bool CreateStopEvent() override {
        stop_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));  // manual reset
        queue_ = std::make_shared<WriteQueue>();
        return stop_.Valid() && queue_->Valid();
    }

    bool StartReader(std::shared_ptr<Notifier> notify) override {
        readerIo_ = std::make_unique<ReaderIo>();
        auto reader = std::make_shared<Reader>(api, port_, stop_.Get(), std::move(notify), *readerIo_);
        return Start(readerThread_, [reader] { reader->Run(); });
    }

    bool StartWriter(std::shared_ptr<Notifier> notify) override {
        auto writer = std::make_shared<Writer>(api, port_, stop_.Get(), std::move(notify), queue_);
        return Start(writerThread_, [writer] { writer->Run(); });
    }

    bool Write(WriteRequest request) override {
        return writerThread_.joinable() && queue_ && queue_->Push(std::move(request));
    }

    void StopReader() override {
        if (!readerThread_.joinable()) return;
        ::SetEvent(stop_.Get());
        api.PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR);
        readerThread_.join();
    }

    void StopWriter() override {
        if (!writerThread_.joinable()) return;
        ::SetEvent(stop_.Get());
        api.PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR);
        writerThread_.join();
    }

    void Close() override {
        if (queue_) queue_->Close();
        queue_.reset();
        if (port_ != INVALID_HANDLE_VALUE) api.Close(port_);
        port_ = INVALID_HANDLE_VALUE;
        // What cancelling did not end ends with the handle; what not even that ends
        // must keep its OVERLAPPED and buffer: they are left behind rather than freed.
        if (readerIo_ && !(EndedWithTheHandle(readerIo_->event) && EndedWithTheHandle(readerIo_->read))) {
            (void)readerIo_.release();
        }
        readerIo_.reset();
        stop_.Reset();
    }

  private:
    static bool EndedWithTheHandle(Overlapped& operation) {
        if (!operation.pending) return true;
        if (::WaitForSingleObject(operation.done.Get(), kCloseGrace) != WAIT_OBJECT_0) return false;
        operation.pending = false;
        return true;
    }

    template <typename Body>
    static bool Start(std::thread& thread, Body body) {
        try {
            thread = std::thread(std::move(body));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }

    std::shared_ptr<win32::CommApi> api_;
    win32::CommApi& api;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    Handle stop_;
    std::shared_ptr<WriteQueue> queue_;
    std::unique_ptr<ReaderIo> readerIo_;
    std::thread readerThread_;
    std::thread writerThread_;
};

class Win32Backend : public PortBackend {
  public:
    explicit Win32Backend(std::shared_ptr<win32::CommApi> api) : api_(std::move(api)) {}
    std::unique_ptr<PortChannel> CreateChannel() override { return std::make_unique<Win32Channel>(api_); }

  private:
    std::shared_ptr<win32::CommApi> api_;
};

class SystemApi : public win32::CommApi {
  public:
    HANDLE Open(const std::wstring& name) override {
        return ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    }
    BOOL Close(HANDLE port) override { return ::CloseHandle(port); }
    BOOL SetupComm(HANDLE port, DWORD input, DWORD output) override {
        return ::SetupComm(port, input, output);
    }
    BOOL PurgeComm(HANDLE port, DWORD flags) override { return ::PurgeComm(port, flags); }
    BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* t) override { return ::GetCommTimeouts(port, t); }
    BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* t) override { return ::SetCommTimeouts(port, t); }
    BOOL GetCommState(HANDLE port, DCB* dcb) override { return ::GetCommState(port, dcb); }
    BOOL SetCommState(HANDLE port, DCB* dcb) override { return ::SetCommState(port, dcb); }
    BOOL SetCommMask(HANDLE port, DWORD mask) override { return ::SetCommMask(port, mask); }
    BOOL WaitCommEvent(HANDLE port, DWORD* mask, OVERLAPPED* ov) override {
        return ::WaitCommEvent(port, mask, ov);
    }
    BOOL ClearCommError(HANDLE port, DWORD* errors) override {
        return ::ClearCommError(port, errors, nullptr);
    }
    BOOL ReadFile(HANDLE port, void* buffer, DWORD size, DWORD* got, OVERLAPPED* ov) override {
        return ::ReadFile(port, buffer, size, got, ov);
    }
    BOOL WriteFile(HANDLE port, const void* buffer, DWORD size, DWORD* wrote, OVERLAPPED* ov) override {
        return ::WriteFile(port, buffer, size, wrote, ov);
    }
    BOOL GetOverlappedResult(HANDLE port, OVERLAPPED* ov, DWORD* transferred, BOOL wait) override {
        return ::GetOverlappedResult(port, ov, transferred, wait);
    }
    BOOL CancelIoEx(HANDLE port, OVERLAPPED* ov) override { return ::CancelIoEx(port, ov); }
};

}  // namespace

namespace win32 {

std::shared_ptr<CommApi> SystemCommApi() {
    static auto api = std::make_shared<SystemApi>();
    return api;
}

std::shared_ptr<PortBackend> ChannelsOver(std::shared_ptr<CommApi> api) {
    return std::make_shared<Win32Backend>(std::move(api));
}

}  // namespace win32

std::shared_ptr<PortBackend> NativePortBackend() {
    static auto backend = win32::ChannelsOver(win32::SystemCommApi());
    return backend;
}

}  // namespace k5::serial
