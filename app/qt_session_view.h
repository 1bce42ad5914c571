// The session's view over Qt: every call is carried to the UI thread in call
// order; AddLog returns once the line is on screen.
#pragma once

#include <QObject>
#include <QString>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "session_view.h"

namespace k5::app {

struct ProgressSink {
    std::function<void(const QString&)> addLog;
    std::function<void(bool)> showProgress;
    std::function<void(std::uint32_t)> setMaximum;
    std::function<void(std::uint32_t)> setPosition;
};

class QtSessionView : public SessionView {
  public:
    explicit QtSessionView(ProgressSink sink);

    void AddLog(const std::string& text) override;
    void ShowProgress(bool visible) override;
    void SetProgressMax(std::uint32_t maximum) override;
    void SetProgressPosition(std::uint32_t position) override;

    // From now on AddLog no longer waits for the UI thread (it is going away).
    void Abandon();

  private:
    bool OnUiThread() const;
    void Post(std::function<void()> task);
    // Runs `call` now on the UI thread, or queues it there in call order.
    void OnUi(std::function<void()> call);

    ProgressSink sink_;
    QObject context_;
    std::mutex mutex_;
    std::condition_variable shown_;
    bool abandoned_ = false;
};

}  // namespace k5::app
