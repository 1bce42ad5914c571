// The Dispatcher of the Win32 desktop program: work posted from any thread runs
// on the thread that made the dispatcher, in posting order, through a
// message-only window. Modal loops (message boxes, the file dialog, the port
// dialog) dispatch its messages too, so the session's log keeps moving while
// one is open. Post never blocks.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include "dispatcher.h"
#include "gui_api.h"

namespace k5::app::win32 {

class Win32Dispatcher : public serial::Dispatcher {
  public:
    Win32Dispatcher();
    ~Win32Dispatcher() override;  // work still queued is dropped
    Win32Dispatcher(const Win32Dispatcher&) = delete;
    Win32Dispatcher& operator=(const Win32Dispatcher&) = delete;

    bool Post(std::function<void()> task) override;

  private:
    void RunQueued();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    bool wakePending_ = false;
    bool closed_ = false;
};

}  // namespace k5::app::win32
