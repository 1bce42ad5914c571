// What a desktop main window owns besides its controls, the same for every
// toolkit: the serial port component AVS1, the session that runs on it, the
// hand-over of the session's calls to the UI thread, and the window model that
// the controls' handlers call. Each view makes one after its Dispatcher and
// its MainWindowView, and keeps only the drawing.
#pragma once

#include <functional>
#include <memory>

#include "comm_session_port.h"
#include "dispatched_session_view.h"
#include "iap_session.h"
#include "main_window_model.h"
#include "settings_file.h"

namespace k5::app {

class MainWindowCore {
  public:
    // AVS1 is "COM1" at 9600 baud, closed; its received data reaches the session on the UI thread.
    // The session's log lines and progress reach `view` on that thread. Everything given must
    // outlive the core.
    MainWindowCore(serial::Dispatcher& uiThread, MainWindowView& view, const SettingsFile& settings,
                   PackStore& pack);
    // Stops a running session and waits for it, without waiting for the UI thread any more.
    ~MainWindowCore();
    MainWindowCore(const MainWindowCore&) = delete;
    MainWindowCore& operator=(const MainWindowCore&) = delete;

    serial::TComm* Port() { return &port_->Comm(); }
    IapSession& Session() { return *session_; }
    MainWindowModel& Model() { return *model_; }
    // The ports the main window's session and the station hold.
    PortUse& PortsInUse() { return portUse_; }

    // AVS1's OnReceiveData handler, on the UI thread: the session's flags take the block.
    void AVS1ReceiveData(serial::TComm* Sender, const std::uint8_t* Buffer, std::uint16_t BufferLength);

  private:
    PortUse portUse_;
    DispatchedSessionView sessionView_;
    std::unique_ptr<CommSessionPort> port_;
    std::unique_ptr<IapSession> session_;
    std::unique_ptr<MainWindowModel> model_;
};

}  // namespace k5::app
