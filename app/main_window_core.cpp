#include "main_window_core.h"

#include "translation.h"

namespace k5::app {

MainWindowCore::MainWindowCore(serial::Dispatcher& uiThread, MainWindowView& view,
                               const SettingsFile& settings, PackStore& pack)
    : sessionView_(uiThread, DispatchedSessionView::Sink{
                                 [&view](const std::string& line) { view.AddLog(TranslateText(line)); },
                                 [&view](bool visible) { view.ShowProgress(visible); },
                                 [&view](std::uint32_t maximum) { view.SetProgressMax(maximum); },
                                 [&view](std::uint32_t position) { view.SetProgressPosition(position); },
                             }) {
    port_ = std::make_unique<CommSessionPort>(uiThread, settings);
    session_ = std::make_unique<IapSession>(*port_, pack, settings, sessionView_);
    model_ = std::make_unique<MainWindowModel>(view, pack, *session_, settings, portUse_);
    session_->SetFinishedCallback(
        [this, &uiThread] { uiThread.Post([this] { model_->SessionFinished(); }); });
    port_->OnHungUp = [this](const std::string& device) { model_->PortHungUp(device); };
    port_->Comm().OnReceiveData = [this](serial::TComm* sender, const std::uint8_t* buffer,
                                         std::uint16_t length) { AVS1ReceiveData(sender, buffer, length); };
}

void MainWindowCore::AVS1ReceiveData(serial::TComm*, const std::uint8_t* Buffer, std::uint16_t BufferLength) {
    session_->ReceiveData(Buffer, BufferLength);
}

MainWindowCore::~MainWindowCore() {
    // A worker still running must not wait for the UI thread any more.
    sessionView_.Abandon();
    model_.reset();
    session_.reset();
    port_.reset();
}

}  // namespace k5::app
