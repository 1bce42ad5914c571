// The session's port in the page: the page's Web Serial port, which only the
// page's main thread may touch. The session's worker asks the page to open,
// write and close and waits for its answer; the page hands received bytes and
// a lost device to this port on the main thread, and a hand-over thread passes
// them to the session: after 100 ms of silence in the standard mode, at once
// in fast mode. That thread is a worker of its own, so a hidden tab's slowed
// timers do not stretch the hand-over.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "session_port.h"

namespace k5::web {

// What the page answers to an open or close, by the numbers web-port.js's K5WebPort.Answer gives them.
enum class PortAnswer {
    Done = 0,
    InUse = 1,       // another program or tab holds the port
    Gone = 2,        // no port chosen, or the device went away
    NotAllowed = 3,  // the browser refused it
    Failed = 4,      // anything else
};
// The page's number as a PortAnswer; a number it does not have is a failure.
PortAnswer PortAnswerFromPage(int number);

class WebSessionPort : public SessionPort {
  public:
    WebSessionPort();
    ~WebSessionPort() override;
    WebSessionPort(const WebSessionPort&) = delete;
    WebSessionPort& operator=(const WebSessionPort&) = delete;

    // The session's side; Open and Close wait for the page, so never call them on the main thread.
    void Bind(Receiver* receiver) override;
    std::optional<OpenFailure> Open(const std::string& name, std::uint32_t baud, Delivery delivery) override;
    void Write(const std::uint8_t* bytes, std::uint16_t count) override;
    void Close() override;

    // The page's side, on the main thread.
    // The open or close asked for as `request` has ended so. A late answer to an earlier request
    // (one the session stopped waiting for) is dropped.
    void Answer(std::uint32_t request, PortAnswer answer);
    void Received(const std::uint8_t* bytes, std::size_t count);
    void HungUp();  // the device went away while open
    // Stop: ends the session's wait for the page to open the port at once, and every such wait until
    // StopCleared (before the next update). The page still opens the port, and then closes it, in turn.
    void Stop();
    void StopCleared();

    // The most that one hand-over carries in the standard mode when the line never falls silent.
    static constexpr std::size_t kLargestBlock = 4096;
    // How long the session waits for the page to open or close the port.
    static constexpr std::chrono::seconds kAnswerLimit{10};

  private:
    // The number of the next request to the page; its answer, ETIMEDOUT, or ECANCELED when `stoppable`
    // and Stop came first.
    std::uint32_t NextRequest();
    int AwaitAnswer(std::unique_lock<std::mutex>& lock, bool stoppable);
    void HandOverLoop();

    std::mutex mutex_;
    std::condition_variable changed_;
    Receiver* receiver_ = nullptr;
    bool open_ = false;
    bool fast_ = false;
    std::vector<std::uint8_t> pending_;
    std::chrono::steady_clock::time_point lastArrival_;
    bool hungUp_ = false;            // to be handed over after the pending bytes
    std::uint32_t request_ = 0;      // the request waited for
    std::uint32_t openRequest_ = 0;  // the last open asked for
    std::optional<int> answer_;
    bool stopped_ = false;
    bool unanswered_ = false;  // the last open was dropped unanswered: the page is still at it
    bool quit_ = false;
    std::thread handOver_;
};

}  // namespace k5::web
