#include "main_window_model.h"

#include <algorithm>
#include <cctype>

#include "k5_version.h"
#include "machine.h"
#include "message_text.h"
#include "port_names.h"
#include "port_problem_text.h"
#include "session_advice.h"
#include "station_setup.h"
#include "station_window_model.h"
#include "translation.h"
#include "utf8_path.h"
#include "window_texts.h"

namespace k5::app {

using Control = MainWindowView::Control;
using Field = MainWindowView::Field;

class MainWindowModel::HandlerScope {
  public:
    explicit HandlerScope(MainWindowModel& model) : running_(model.handlersRunning_) { ++running_; }
    ~HandlerScope() { --running_; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

  private:
    int& running_;
};

MainWindowModel::MainWindowModel(MainWindowView& view, PackStore& pack, IapSession& session,
                                 const SettingsFile& settings, PortUse& portUse, PortLookup lookup)
    : view_(view),
      pack_(pack),
      session_(session),
      settings_(settings),
      portUse_(portUse),
      lookup_(lookup.exists ? std::move(lookup) : SystemPortLookup(settings)) {
    view_.Check(Control::FastTransfer, settings_.GetTransferMode().fast);
    view_.CheckLanguage(settings_.GetLanguage());
}

void MainWindowModel::ShowKind() { view_.SetField(Field::Kind, Tr(PackKindText(pack_.Header().PackKind()))); }

void MainWindowModel::Btn_ReadUserPackClick() {
    // Disabled while a session runs, as the window shows it (the session sends its own copy).
    if (SessionRunning()) return;
    const HandlerScope scope(*this);
    const auto path = view_.ChoosePackFile();
    if (path) LoadAndShow(*path);
}

void MainWindowModel::ReadPackFile(const std::string& path) {
    // Read inside an open box, a pack would change the stores under the handler that showed it.
    if (HandlerRunning()) {
        waitingPacks_.push_back(path);
        return;
    }
    const HandlerScope scope(*this);
    LoadAndShow(path);
}

void MainWindowModel::ReadWaitingPack() {
    if (HandlerRunning() || waitingPacks_.empty()) return;
    const std::string path = waitingPacks_.front();
    waitingPacks_.erase(waitingPacks_.begin());
    if (IsStationSetupFile(path)) return OpenStationSetup(path);
    ReadPackFile(path);
}

bool MainWindowModel::IsStationSetupFile(const std::string& path) {
    std::string extension = Utf8FromPath(PathFromUtf8(path).extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == kStationSetupExtension;
}

void MainWindowModel::OpenStationSetup(const std::string& path) {
    if (station_ != nullptr && station_->Running()) {
        view_.AddLog(Utf8FromPath(PathFromUtf8(path).filename()) + ": " +
                     Tr(text::kSetupNotOpenedWhileRunning));
        view_.ShowStationWindow();
        return;
    }
    const HandlerScope scope(*this);
    view_.ShowStationWindow();
    if (station_ != nullptr) station_->OpenSetup(path);
}

void MainWindowModel::LoadAndShow(const std::string& path) {
    const std::string name = Utf8FromPath(PathFromUtf8(path).filename());
    if (SessionRunning()) {
        view_.AddLog(name + ": " + Tr(text::kPackNotReadDuringSession));
        return;
    }
    // A file that cannot be read raises here and leaves the stores, and so the acceptance, as they were.
    packAccepted_ = pack_.LoadPack(path);
    if (!packAccepted_) {
        view_.Enable(Control::Program, false);
        view_.AddLog(std::string(Tr(text::kPackBroken)) + ": " + TranslateText(pack_.RejectionReason()));
        view_.Warning(Tr(text::kPackBroken), Tr(text::kPackBrokenTitle));
        // The fields keep the previous pack, which the stores no longer hold.
        view_.AddLog(shownPack_.empty() ? std::string(Tr(text::kPackRefusedProgramOff))
                                        : FillIn(Tr(text::kPackRefusedStillShown), {shownPack_}));
        return;
    }
    const PackHeader& header = pack_.Header();
    view_.SetField(Field::FileName, name);
    view_.SetField(Field::Version, std::to_string(header.Version()));
    ShowKind();
    shownPack_ = name;
    if (header.ProductCode() != kExpectedProductCode) {
        // Disabled while the warning shows, then enabled all the same: a foreign pack can be programmed.
        view_.Enable(Control::Program, false);
        view_.Warning(Tr(text::kForeignPack), Tr(text::kForeignPackTitle));
        view_.AddLog(FillIn(Tr(text::kForeignPackLine),
                            {std::to_string(header.ProductCode()), std::to_string(kExpectedProductCode)}));
    }
    view_.Enable(Control::Program, true);
}

void MainWindowModel::Btn_SendToControllerClick() {
    view_.ClearLog();
    if (SessionRunning()) return;  // a click during a session only clears the log
    if (!packAccepted_) return;    // Program is disabled then; a click that comes anyway sends nothing
    const HandlerScope scope(*this);
    ShowKind();
    const std::string port = SettingsPortName(settings_);
    const std::string device = ResolvePortName(port, settings_);
    if (portUse_.StationHolds(device)) {
        view_.Warning(port + " " + Tr(text::kSessionPortTaken), text::kWindowTitle);
        return;
    }
    StartTrace();
    hungUpDevice_.clear();
    if (!session_.BeginSession()) return;
    portUse_.SetSessionDevice(device);
    view_.Enable(Control::ReadPack, false);
    view_.Enable(Control::UartPort, false);
    view_.Enable(Control::FastTransfer, false);
}

void MainWindowModel::UartPort1Click() {
    if (SessionRunning()) return;
    const HandlerScope scope(*this);
    view_.ShowPortDialog();
}

void MainWindowModel::FastTransfer1Click() {
    if (SessionRunning()) return;
    const bool fast = !settings_.GetTransferMode().fast;
    settings_.SetFastTransfer(fast);
    view_.Check(Control::FastTransfer, fast);
}

void MainWindowModel::StartTrace() {
    trace_.reset();
    if (const auto path = settings_.GetTraceFile()) {
        const std::string tool = std::string("k5-iap-tool ") + K5_VERSION_TEXT + " " + platform::SystemName();
        trace_ = std::make_shared<WireTrace>(PathFromUtf8(*path), tool, settings_.GetTraceData());
        tracePath_ = *path;
        if (trace_->Failed()) {
            view_.AddLog(std::string(Tr(text::kTraceUnwritable)) + " " + *path + ": " +
                         TranslateText(WireTraceProblemText(*trace_)));
            trace_.reset();
        }
    }
    session_.SetTrace(trace_);
}

void MainWindowModel::Station1Click() { view_.ShowStationWindow(); }

void MainWindowModel::LanguageClick(const std::string& language) {
    const HandlerScope scope(*this);
    if (language != settings_.GetLanguage()) settings_.SetLanguage(language);
    view_.CheckLanguage(language);
    view_.Warning(Tr(text::kLanguageAtNextStart), Tr(text::kLanguageMenu));
}

void MainWindowModel::StationWindowClosed() {
    station_ = nullptr;
    if (closeAfterStation_) view_.CloseWindow();
}

void MainWindowModel::PortHungUp(const std::string& device) {
    view_.AddLog(FillIn(Tr(text::kPortHungUp), {device}));
    hungUpDevice_ = device;
}

void MainWindowModel::SessionFinished() {
    if (SessionRunning()) return;
    if (trace_ && trace_->Error() != 0) {
        view_.AddLog(std::string(Tr(text::kTraceIncomplete)) + " " + tracePath_ + ": " +
                     TranslateText(WireTraceProblemText(*trace_)));
    }
    trace_.reset();
    // After the session's own lines, why the port failed and which adapter to choose instead.
    const std::string port = SettingsPortName(settings_);
    if (session_.LastOutcome() == SessionOutcome::PortError && !session_.FailedDevice().empty()) {
        const std::string& device = session_.FailedDevice();
        view_.AddLog(PortAdvice(
            port, device, TranslateText(PortProblemText(session_.FailedDeviceError(), device)), lookup_));
    } else if (session_.LastOutcome() == SessionOutcome::ConnectFail && !hungUpDevice_.empty()) {
        view_.AddLog(PortAdvice(port, hungUpDevice_, Tr(text::kPortWentAway), lookup_));
    } else if (session_.LastOutcome() == SessionOutcome::ConnectFail) {
        view_.AddLog(TranslateText(
            NothingAnsweredText(port, ResolvePortName(port, settings_), lookup_.present(), kFindPortDialog)));
    }
    if (FirmwareLeftIncomplete(session_.LastOutcome(), session_.LastStep()))
        view_.AddLog(Tr(kFirmwareIncompleteText));
    portUse_.ClearSessionDevice();
    view_.Enable(Control::ReadPack, true);
    view_.Enable(Control::UartPort, true);
    view_.Enable(Control::FastTransfer, true);
    if (closeWhenIdle_) view_.CloseWindow();
}

bool MainWindowModel::CloseRequested() {
    if (!SessionRunning()) {
        if (station_ == nullptr) return true;
        if (!station_->CloseRequested()) {
            closeAfterStation_ = station_->Closing();
            return false;
        }
        view_.CloseStationWindow();
        return true;
    }
    if (closeWhenIdle_) return false;  // already stopping
    const HandlerScope scope(*this);
    if (!view_.Confirm(Tr(text::kStopAndCloseQuestion))) return false;
    // The session stops, closes the port and clears SessionRunning; then the window closes.
    closeWhenIdle_ = true;
    session_.RequestStop();
    return false;
}

}  // namespace k5::app
