#include "page_model.h"

#include <algorithm>
#include <cmath>

#include "json_writer.h"
#include "k5_version.h"
#include "port_error.h"
#include "session_advice.h"
#include "utf8_path.h"

namespace k5::web {

namespace {

const char* OutcomeName(SessionOutcome outcome) {
    switch (outcome) {
        case SessionOutcome::Programmed:
            return "programmed";
        case SessionOutcome::PortError:
            return "port-error";
        case SessionOutcome::ConnectFail:
            return "connect-fail";
        case SessionOutcome::TransferFail:
            return "transfer-fail";
        case SessionOutcome::VerdictFail:
            return "verdict-fail";
        case SessionOutcome::Stopped:
            return "stopped";
        case SessionOutcome::InternalError:
            return "internal-error";
        case SessionOutcome::None:
        case SessionOutcome::Answered:
            break;
    }
    return "none";
}

const char* PortErrorKindName(int error) {
    switch (platform::KindOfPortError(error)) {
        case platform::PortErrorKind::Missing:
            return "missing";
        case platform::PortErrorKind::InUse:
            return "in-use";
        case platform::PortErrorKind::NoPermission:
            return "no-permission";
        default:
            return "other";
    }
}

// Every baud index the protocol has, the slowest (the settings' default) first.
std::vector<int> BaudIndexesSlowestFirst() {
    TransferMode search;
    search.autoSpeed = true;
    std::vector<int> indexes = ProbeSpeedOrder(search, 0);
    std::reverse(indexes.begin(), indexes.end());
    return indexes;
}

}  // namespace

PageModel::PageModel(PackStore& pack, IapSession& session, const SettingsFile& settings,
                     std::string tracePath)
    : pack_(pack), session_(session), settings_(settings), tracePath_(std::move(tracePath)) {}

std::vector<SpeedChoice> PageModel::SpeedChoices() {
    std::vector<SpeedChoice> choices{{"auto", "auto"}};
    for (const int index : BaudIndexesSlowestFirst())
        choices.push_back({std::to_string(index), std::to_string(SessionBaudRate(index))});
    return choices;
}

bool PageModel::BeginPackRead() {
    if (running_ || packBusy_) return false;
    packBusy_ = true;
    return true;
}

void PageModel::EndPackRead() { packBusy_ = false; }

PackCheck PageModel::CheckPack(const std::string& path) {
    PackStore store;
    PackCheck check;
    try {
        check.ok = store.LoadPack(path);
    } catch (const EInOutError& error) {
        check.error = error.what();
        return check;
    }
    if (!check.ok) {
        check.error = kPackBrokenText;
        check.detail = store.RejectionReason();
        return check;
    }
    const PackHeader& header = store.Header();
    check.version = header.Version();
    check.kind = PackKindText(header.PackKind());
    check.productCode = header.ProductCode();
    check.foreign = header.ProductCode() != kExpectedProductCode;
    return check;
}

PackCheck PageModel::UsePack(const std::string& path, const std::string& name) {
    if (running_) return PackCheck{};
    PackCheck check = CheckPack(path);
    if (!check.ok) return check;
    // Checked above; read again into the stores the session sends from. Should that fail now (the
    // file changed or went away), the stores no longer hold the pack shown: nothing is programmed.
    try {
        if (!pack_.LoadPack(path)) {
            packShown_.reset();
            return CheckPack(path);
        }
    } catch (const EInOutError& error) {
        packShown_.reset();
        PackCheck failed;
        failed.error = error.what();
        return failed;
    }
    packShown_ = PackShown{name, check.version, check.kind};
    return check;
}

void PageModel::PackRefused() {
    if (!running_) packShown_.reset();
}

bool PageModel::Program(bool fast, const std::string& speed) {
    if (running_ || packBusy_ || !packShown_ || !portChosen_ || session_.Running()) return false;
    TransferMode mode = settings_.GetTransferMode();
    mode.fast = fast;
    mode.autoSpeed = speed == "auto";
    mode.baudIndex = -1;
    for (const int index : BaudIndexesSlowestFirst()) {
        if (speed == std::to_string(index)) mode.baudIndex = index;
    }
    session_.SetTransferMode(mode);
    trace_.reset();
    if (!tracePath_.empty()) {
        trace_ = std::make_shared<WireTrace>(PathFromUtf8(tracePath_),
                                             std::string("k5-iap ") + K5_VERSION_TEXT + " web", false);
        if (trace_->Failed()) trace_.reset();
    }
    session_.SetTrace(trace_);
    portLost_ = false;
    outcome_.reset();
    progress_ = TransferProgress{};
    if (!session_.BeginSession()) return false;
    fast_ = fast;
    speed_ = speed;
    running_ = true;
    return true;
}

void PageModel::ProgressMax(std::uint32_t maximum) { progress_.Start(maximum); }

void PageModel::ProgressPosition(std::uint32_t position, Clock::time_point now) {
    progress_.MoveTo(position, now);
}

void PageModel::Finished() {
    if (session_.Running()) return;
    running_ = false;
    Outcome outcome;
    const SessionOutcome last = session_.LastOutcome();
    outcome.name = OutcomeName(last);
    outcome.text = SessionOutcomeText(last);
    outcome.lineBaud = session_.LineBaud();
    outcome.detail = "own";
    if (last == SessionOutcome::PortError)
        outcome.detail = std::string("port-error:") + PortErrorKindName(session_.FailedDeviceError());
    if (last == SessionOutcome::TransferFail) outcome.detail = "reconnect";
    // A pulled cable explains any failure better than the step it broke.
    if (portLost_ && last != SessionOutcome::Programmed) outcome.detail = "port-went-away";
    if (FirmwareLeftIncomplete(last, session_.LastStep())) outcome.advice = kFirmwareIncompleteText;
    if (trace_ != nullptr) {
        outcome.hasTrace = true;
        if (trace_->Error() != 0) outcome.traceProblem = WireTraceProblemText(*trace_);
    }
    trace_.reset();
    outcome_ = std::move(outcome);
}

std::string PageModel::State() const {
    const bool idle = !running_;
    const bool packFree = idle && !packBusy_;
    JsonObject enabled;
    enabled.Add("readPack", packFree)
        .Add("offered", packFree)
        .Add("choosePort", idle)
        .Add("program", packFree && packShown_.has_value() && portChosen_)
        .Add("stop", running_)
        .Add("saveTrace", idle && outcome_.has_value() && outcome_->hasTrace)
        .Add("copyReport", idle && !log_.empty())
        .Add("options", idle);

    JsonObject state;
    state.Add("running", running_).Add("packBusy", packBusy_).AddJson("enabled", enabled.Str());
    if (packShown_) {
        JsonObject pack;
        pack.Add("name", packShown_->name)
            .Add("version", std::int64_t{packShown_->version})
            .Add("kind", packShown_->kind);
        state.AddJson("pack", pack.Str());
    }
    if (outcome_) {
        JsonObject outcome;
        outcome.Add("name", outcome_->name)
            .Add("detail", outcome_->detail)
            .Add("tone", outcome_->name == "programmed" ? "good" : "bad")
            .Add("lineBaud", std::int64_t{outcome_->lineBaud})
            .Add("trace", outcome_->hasTrace ? tracePath_ : std::string())
            .Add("traceProblem", outcome_->traceProblem)
            .Add("advice", outcome_->advice);
        state.AddJson("outcome", outcome.Str());
    }
    JsonObject progress;
    progress.Add("percent", std::int64_t{progress_.Percent()})
        .Add("done", std::int64_t{progress_.Done()})
        .Add("total", std::int64_t{progress_.Total()})
        .Add("rate", std::int64_t{std::llround(progress_.BytesPerSecond())});
    state.AddJson("progress", progress.Str());
    std::string speeds = "[";
    for (const SpeedChoice& choice : SpeedChoices()) {
        JsonObject item;
        item.Add("value", choice.value).Add("label", choice.label);
        speeds += (speeds.size() > 1 ? "," : "") + item.Str();
    }
    state.AddJson("speeds", speeds + "]");
    state.Add("productCode", std::int64_t{kExpectedProductCode})
        .Add("packRecordSize", std::int64_t{kPackRecordSize});  // all of a file that a pack read takes
    return state.Str();
}

std::string PageModel::Report(const std::string& browser, const std::string& adapter) const {
    std::string speedLabel = speed_.empty() ? "none" : speed_;
    for (const SpeedChoice& choice : SpeedChoices()) {
        if (choice.value == speed_) speedLabel = choice.label;
    }
    const bool lost = portLost_;
    std::string report = std::string("K5 IAP Tool ") + K5_VERSION_TEXT + " (web page)\n";
    report += "Browser: " + browser + "\n";
    report += "Adapter: " + (adapter.empty() ? std::string("unknown") : adapter) + "\n";
    report += std::string("Mode: ") + (fast_ ? "fast" : "standard") + ", line speed " + speedLabel + "\n";
    report += "Speed used: " +
              (outcome_ && outcome_->lineBaud != 0 ? std::to_string(outcome_->lineBaud) + " baud" : "none") +
              "\n";
    report += "Pack: " +
              (packShown_ ? packShown_->name + ", Version " + std::to_string(packShown_->version) + ", " +
                                packShown_->kind
                          : std::string("none")) +
              "\n";
    report += "Outcome: " + (outcome_ ? outcome_->text : std::string("none")) +
              (lost ? " (the port went away)" : "") + "\n";
    report += "Log:";
    for (const std::string& line : log_) report += "\n  " + line;
    return report;
}

}  // namespace k5::web
