// The session's view for a desktop window: every call the worker makes is
// carried to the UI thread through the Dispatcher, in call order, and AddLog
// returns once the line is shown there, so the log keeps pace with the
// session. Calls made on the UI thread itself run at once.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "dispatcher.h"
#include "session_view.h"

namespace k5::app {

class DispatchedSessionView : public SessionView {
  public:
    // What the window does with each call, on the UI thread.
    struct Sink {
        std::function<void(const std::string&)> addLog;
        std::function<void(bool)> showProgress;
        std::function<void(std::uint32_t)> setMaximum;
        std::function<void(std::uint32_t)> setPosition;
    };

    // Made on the UI thread, which `dispatcher` posts to.
    DispatchedSessionView(serial::Dispatcher& dispatcher, Sink sink);

    void AddLog(const std::string& text) override;
    void ShowProgress(bool visible) override;
    void SetProgressMax(std::uint32_t maximum) override;
    void SetProgressPosition(std::uint32_t position) override;

    // From now on AddLog no longer waits for the UI thread (the window is going away).
    void Abandon();

  private:
    bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
    void OnUi(std::function<void()> call);

    serial::Dispatcher& dispatcher_;
    Sink sink_;
    const std::thread::id uiThread_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable shown_;
    bool abandoned_ = false;
};

}  // namespace k5::app
