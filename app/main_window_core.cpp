#include "main_window_core.h"

#include "port_names.h"

namespace k5::app {

MainWindowCore::MainWindowCore(serial::Dispatcher& uiThread, MainWindowView& view,
                               const SettingsFile& settings, PackStore& pack, SessionState& sessionState,
                               serial::TReceiveDataEvent receiveData)
    : sessionView_(uiThread, DispatchedSessionView::Sink{
                                 [&view](const std::string& line) { view.AddLog(line); },
                                 [&view](bool visible) { view.ShowProgress(visible); },
                                 [&view](std::uint32_t maximum) { view.SetProgressMax(maximum); },
                                 [&view](std::uint32_t position) { view.SetProgressPosition(position); },
                             }) {
    port_ = std::make_unique<serial::TComm>(uiThread);
    port_->SetCommName("COM1");
    port_->SetBaudRate(9600);
    port_->SetPortResolver([&settings](const std::string& name) { return ResolvePortName(name, settings); });
    port_->OnReceiveData = std::move(receiveData);

    session_ = std::make_unique<IapSession>(*port_, pack, settings, sessionView_, sessionState);
    model_ = std::make_unique<MainWindowModel>(view, pack, *session_);
    session_->SetFinishedCallback(
        [this, &uiThread] { uiThread.Post([this] { model_->SessionFinished(); }); });
    port_->OnRequestHangup = [this](serial::TComm* sender) { model_->PortHungUp(sender->DevicePath()); };
}

MainWindowCore::~MainWindowCore() {
    // A worker still running must not wait for the UI thread any more.
    sessionView_.Abandon();
    model_.reset();
    session_.reset();
    port_.reset();
}

}  // namespace k5::app
