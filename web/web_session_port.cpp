#include "web_session_port.h"

#include <emscripten/emscripten.h>
#include <emscripten/threading.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace k5::web {

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kSilence = std::chrono::milliseconds(100);
}  // namespace

WebSessionPort::WebSessionPort() : handOver_([this] { HandOverLoop(); }) {}

WebSessionPort::~WebSessionPort() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    handOver_.join();
}

void WebSessionPort::Bind(Receiver* receiver) {
    std::lock_guard lock(mutex_);
    receiver_ = receiver;
}

std::uint32_t WebSessionPort::NextRequest() {
    answer_.reset();
    return ++request_;
}

int WebSessionPort::AwaitAnswer(std::unique_lock<std::mutex>& lock, bool stoppable) {
    changed_.wait_for(lock, kAnswerLimit, [&] { return answer_.has_value() || (stoppable && stopped_); });
    if (!answer_.has_value()) {
        ++request_;  // its answer, should it come, is dropped
        unanswered_ = true;
        return stoppable && stopped_ ? ECANCELED : ETIMEDOUT;
    }
    const int result = *answer_;
    answer_.reset();
    return result;
}

std::optional<SessionPort::OpenFailure> WebSessionPort::Open(const std::string& name, std::uint32_t baud,
                                                             Delivery delivery) {
    std::unique_lock lock(mutex_);
    open_ = false;
    pending_.clear();
    hungUp_ = false;
    unanswered_ = false;
    fast_ = delivery == Delivery::Fast;
    // The page closes the port if it is open, then opens it at `baud`.
    openRequest_ = NextRequest();
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5Port.open($0, $1); }, openRequest_, baud);
    // An open can take long (a busy adapter's driver): Stop ends the wait.
    const int error = AwaitAnswer(lock, true);
    if (error != 0) return OpenFailure{name, error};
    return std::nullopt;
}

void WebSessionPort::Write(const std::uint8_t* bytes, std::uint16_t count) {
    {
        std::lock_guard lock(mutex_);
        if (!open_ || count == 0) return;
    }
    // The page copies the bytes out and frees them; writes keep their order.
    auto* copy = static_cast<std::uint8_t*>(std::malloc(count));
    if (copy == nullptr) return;
    std::memcpy(copy, bytes, count);
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5Port.write($0, $1); }, copy, count);
}

void WebSessionPort::Close() {
    std::unique_lock lock(mutex_);
    open_ = false;
    pending_.clear();
    hungUp_ = false;
    MAIN_THREAD_ASYNC_EM_ASM({ Module.k5Port.close($0); }, NextRequest());
    // Behind an open the page has not answered yet, the close waits its turn there: no use waiting.
    // Else the page closes at once, and the session waits, so that its end finds the port closed.
    if (std::exchange(unanswered_, false)) {
        ++request_;
        return;
    }
    AwaitAnswer(lock, false);
}

void WebSessionPort::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

void WebSessionPort::StopCleared() {
    std::lock_guard lock(mutex_);
    stopped_ = false;
}

PortAnswer PortAnswerFromPage(int number) {
    return number >= 0 && number <= static_cast<int>(PortAnswer::Failed) ? static_cast<PortAnswer>(number)
                                                                         : PortAnswer::Failed;
}

namespace {
// As the session reports a port that did not open: the errno value whose kind the answer is.
int OsErrorOf(PortAnswer answer) {
    switch (answer) {
        case PortAnswer::Done:
            return 0;
        case PortAnswer::InUse:
            return EBUSY;
        case PortAnswer::Gone:
            return ENOENT;
        case PortAnswer::NotAllowed:
            return EACCES;
        case PortAnswer::Failed:
            break;
    }
    return EIO;
}
}  // namespace

void WebSessionPort::Answer(std::uint32_t request, PortAnswer answer) {
    const int osError = OsErrorOf(answer);
    {
        std::lock_guard lock(mutex_);
        if (request != request_) return;
        answer_ = osError;
        // Open from here on: the bytes that come before the session wakes are kept.
        if (request == openRequest_ && osError == 0) open_ = true;
    }
    changed_.notify_all();
}

void WebSessionPort::Received(const std::uint8_t* bytes, std::size_t count) {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        pending_.insert(pending_.end(), bytes, bytes + count);
        lastArrival_ = Clock::now();
    }
    changed_.notify_all();
}

void WebSessionPort::HungUp() {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        hungUp_ = true;
    }
    changed_.notify_all();
}

void WebSessionPort::HandOverLoop() {
    std::unique_lock lock(mutex_);
    while (!quit_) {
        if (pending_.empty() && !hungUp_) {
            changed_.wait(lock);
            continue;
        }
        const auto due = lastArrival_ + kSilence;
        if (!pending_.empty() && !fast_ && !hungUp_ && pending_.size() < kLargestBlock &&
            Clock::now() < due) {
            changed_.wait_until(lock, due);
            continue;
        }
        std::vector<std::uint8_t> block;
        block.swap(pending_);
        const bool hungUp = std::exchange(hungUp_, false);
        Receiver* receiver = receiver_;
        lock.unlock();
        if (receiver != nullptr) {
            for (std::size_t at = 0; at < block.size(); at += 0xFFFF) {
                const auto length =
                    static_cast<std::uint16_t>(std::min<std::size_t>(0xFFFF, block.size() - at));
                receiver->ReceiveData(block.data() + at, length);
            }
            if (hungUp) receiver->PortHungUp();
        }
        lock.lock();
    }
}

}  // namespace k5::web
