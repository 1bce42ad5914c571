#include "station_window_model.h"

#include <filesystem>

#include "machine.h"
#include "port_error.h"
#include "station_pack.h"
#include "station_tile.h"
#include "utf8_path.h"
#include "window_texts.h"

namespace k5::app {

using Control = StationWindowView::Control;
using Field = StationWindowView::Field;

StationWindowModel::StationWindowModel(StationWindowView& view, serial::Dispatcher& uiThread,
                                       const SettingsFile& settings, PortUse& portUse,
                                       const std::vector<std::string>& recordFolders, StationLookup lookup)
    : view_(view),
      uiThread_(uiThread),
      settings_(settings),
      portUse_(portUse),
      lookup_(std::move(lookup)),
      host_(platform::HostName()),
      fast_(settings.GetTransferMode().fast),
      autoSpeed_(settings.GetTransferMode().autoSpeed) {
    if (!lookup_.ports) lookup_.ports = [&settings] { return ListPortChoices(settings); };
    if (!lookup_.devices) lookup_.devices = platform::ListSerialDevices;
    std::string folder = recordFolders.empty() ? std::string() : recordFolders.front();
    for (const std::string& candidate : recordFolders) {
        std::error_code error;
        if (std::filesystem::is_directory(PathFromUtf8(candidate), error)) {
            folder = candidate;
            break;
        }
    }
    recordPath_ = Utf8FromPath(PathFromUtf8(folder) / text::kStationRecordName);
    view_.SetField(Field::PackFile, text::kStationNoPackYet);
    view_.CheckFast(fast_);
    view_.CheckAutoSpeed(autoSpeed_);
    RestoreChoices();
    view_.SetField(Field::RecordFile, recordPath_);
    ShowIdle();
}

void StationWindowModel::RestoreChoices() {
    const StationChoices chosen = settings_.GetStationChoices();
    if (!chosen.record.empty()) recordPath_ = chosen.record;
    ListPortsTicking(chosen.ports);

    const std::string& path = chosen.pack;
    if (path.empty()) return;
    auto pack = std::make_unique<PackStore>();
    const auto gone = [&](const std::string& why) {
        notice_ = std::string(text::kStationPackGone) + ": " + path + ": " + why + ".";
    };
    try {
        if (!pack->LoadPack(path)) return gone(pack->RejectionReason());
    } catch (const EInOutError& unreadable) {
        return gone(PackUnreadableText(path, unreadable));
    }
    StationRecord facts;
    const bool changed = ReadStationPackFacts(path, *pack, facts) != 0 || facts.sha256 != chosen.packSha256;
    // The question asked as a foreign pack was read is not asked again unseen.
    if (changed && pack->Header().ProductCode() != kExpectedProductCode) {
        notice_ = std::string(text::kStationPackChangedForeign) + ": " + path + ".";
        return;
    }
    if (const auto problem = TakePack(path, std::move(pack))) {
        notice_ = std::string(text::kStationPackGone) + ": " + *problem + ".";
    } else if (changed) {
        notice_ = std::string(text::kStationPackChanged) + " " + packFacts_.packFile + ", version " +
                  std::to_string(packFacts_.version) + ".";
    }
}

void StationWindowModel::SaveChoices() {
    try {
        settings_.SetStationChoices(
            {pack_ ? packPath_ : "", pack_ ? packFacts_.sha256 : "", recordPath_, TickedNames()});
    } catch (const ESettingsWriteError& refused) {
        if (!saveRefusalShown_) {
            saveRefusalShown_ = true;
            view_.Warning(std::string(text::kStationChoicesNotSaved) + ": " + settings_.Path().string() +
                          ": " + refused.Reason() + ".");
        }
    }
}

StationWindowModel::~StationWindowModel() {
    station_.reset();  // stops what runs, waits for it and closes the ports
    portUse_.ClearStationDevices();
}

void StationWindowModel::ShowIdle() {
    for (Control c : {Control::ReadPack, Control::ChooseRecord, Control::Ports, Control::RefreshPorts,
                      Control::Fast, Control::AutoSpeed, Control::Start}) {
        view_.Enable(c, true);
    }
    view_.Enable(Control::Stop, false);
    view_.Enable(Control::ProgramRunning, false);
    const bool served = std::any_of(statuses_.begin(), statuses_.end(), [](const PortStatus& s) {
        return s.lastOutcome != SessionOutcome::None;
    });
    view_.SetField(Field::Summary, !notice_.empty() ? notice_
                                   : served         ? text::kStationEndedSummary
                                                    : text::kStationIdleSummary);
}

void StationWindowModel::ReadPackClick() {
    if (Running()) return;
    const auto path = view_.ChoosePackFile();
    if (!path) return;
    // The pack read before stays until this one is taken.
    auto pack = std::make_unique<PackStore>();
    if (!pack->LoadPack(*path)) {
        view_.Warning(std::string(text::kStationBadPack) + ": " + pack->RejectionReason() + ".");
        return;
    }
    if (pack->Header().ProductCode() != kExpectedProductCode && !view_.Confirm(text::kStationForeignPack))
        return;
    if (const auto problem = TakePack(*path, std::move(pack))) return view_.Warning(*problem);
    if (!notice_.empty()) {
        notice_.clear();
        ShowIdle();
    }
}

std::optional<std::string> StationWindowModel::TakePack(const std::string& path,
                                                        std::unique_ptr<PackStore> pack) {
    StationRecord facts;
    if (const int error = ReadStationPackFacts(path, *pack, facts); error != 0)
        return path + ": " + StationPackProblemText(path, error);
    pack_ = std::move(pack);
    packPath_ = path;
    packFacts_ = facts;
    view_.SetField(Field::PackFile, facts.packFile);
    view_.SetField(Field::Version, std::to_string(facts.version));
    view_.SetField(Field::Kind, PackKindText(static_cast<std::uint8_t>(facts.kind)));
    return std::nullopt;
}

void StationWindowModel::ChooseRecordClick() {
    if (Running()) return;
    if (const auto path = view_.ChooseRecordFile(recordPath_)) {
        recordPath_ = *path;
        view_.SetField(Field::RecordFile, recordPath_);
    }
}

void StationWindowModel::RefreshPortsClick() {
    if (Running()) return;
    ListPortsTicking(TickedNames());
}

std::vector<std::string> StationWindowModel::TickedNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        if (checked_[i]) names.push_back(ports_[i].name);
    }
    names.insert(names.end(), tickedAbsent_.begin(), tickedAbsent_.end());
    return names;
}

void StationWindowModel::ListPortsTicking(const std::vector<std::string>& wasChecked) {
    ports_ = lookup_.ports();
    tickedAbsent_.clear();
    for (const std::string& name : wasChecked) {
        if (std::none_of(ports_.begin(), ports_.end(),
                         [&name](const PortChoice& p) { return p.name == name; }))
            tickedAbsent_.push_back(name);
    }
    checked_.assign(ports_.size(), false);
    std::vector<StationPortEntry> entries;
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        const PortChoice& p = ports_[i];
        checked_[i] = std::find(wasChecked.begin(), wasChecked.end(), p.name) != wasChecked.end();
        std::string label = p.name;
        if (p.device != p.name) label += "  " + p.device;
        if (!p.description.empty()) label += "  " + p.description;
        entries.push_back({label, checked_[i]});
    }
    view_.SetPorts(entries);
    ShowTickedTiles();
}

void StationWindowModel::ShowTickedTiles() {
    std::vector<PortStatus> statuses;
    std::vector<std::pair<std::string, std::string>> adapters;
    std::optional<std::vector<platform::SerialDeviceInfo>> devices;
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        if (!checked_[i]) continue;
        const std::string& name = ports_[i].name;
        const auto shown = std::find_if(statuses_.begin(), statuses_.end(),
                                        [&name](const PortStatus& s) { return s.name == name; });
        if (shown != statuses_.end()) {
            statuses.push_back(*shown);
            adapters.push_back(adapters_[static_cast<std::size_t>(shown - statuses_.begin())]);
            continue;
        }
        PortStatus idle;
        idle.name = name;
        idle.device = ResolvePortName(name, settings_);
        idle.activity = PortActivity::Waiting;
        if (!devices) devices = lookup_.devices();
        statuses.push_back(idle);
        adapters.emplace_back(idle.device, AdapterOf(idle.device, *devices));
    }
    statuses_ = std::move(statuses);
    adapters_ = std::move(adapters);
    tiles_.clear();
    for (std::size_t i = 0; i < statuses_.size(); ++i)
        tiles_.push_back(TileFor(statuses_[i], adapters_[i].second, false));
    view_.SetTiles(tiles_);
}

void StationWindowModel::PortToggled(std::size_t index, bool checked) {
    if (Running() || index >= checked_.size() || checked_[index] == checked) return;
    checked_[index] = checked;
    ShowTickedTiles();
}

void StationWindowModel::FastToggled(bool checked) {
    if (!Running()) fast_ = checked;
}

void StationWindowModel::AutoSpeedToggled(bool checked) {
    if (!Running()) autoSpeed_ = checked;
}

void StationWindowModel::StartClick() {
    if (Running()) return;
    if (!pack_) return view_.Warning(text::kStationNoPack);
    StationOptions options;
    std::vector<std::string> devices;
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        if (!checked_[i]) continue;
        const std::string device = ResolvePortName(ports_[i].name, settings_);
        if (portUse_.SessionHolds(device))
            return view_.Warning(ports_[i].name + " " + text::kStationPortTaken);
        options.ports.push_back(ports_[i].name);
        devices.push_back(device);
    }
    if (options.ports.empty()) return view_.Warning(text::kStationNoPorts);
    if (recordPath_.empty()) return view_.Warning(text::kStationNoRecord);
    SaveChoices();
    record_ = std::make_unique<StationRecordFile>();
    if (const auto problem = record_->Open(PathFromUtf8(recordPath_))) {
        return view_.Warning(std::string(text::kStationRecordUnwritable) + ": " + recordPath_ + ": " +
                             RecordProblemText(*problem) + ". " + text::kStationNothingProgrammed);
    }
    options.mode = settings_.GetTransferMode();
    options.mode.fast = fast_;
    options.mode.autoSpeed = autoSpeed_;

    recordError_.clear();
    notice_.clear();
    adapters_.assign(options.ports.size(), {});
    tiles_.clear();
    statuses_.clear();
    for (const auto& name : options.ports) {
        PortStatus waiting;
        waiting.name = name;
        waiting.activity = PortActivity::Waiting;
        statuses_.push_back(waiting);
        tiles_.push_back(TileFor(waiting, ""));
    }
    view_.SetTiles(tiles_);
    portUse_.SetStationDevices(devices);
    station_ = std::make_unique<Station>(
        uiThread_, settings_, *pack_, packFacts_, options,
        [this](std::size_t index, const PortStatus& status) { StatusChanged(index, status); },
        [this](StationRecord& record) { return WriteRecord(record); }, lookup_.makePort);
    for (Control c : {Control::ReadPack, Control::ChooseRecord, Control::Ports, Control::RefreshPorts,
                      Control::Fast, Control::AutoSpeed, Control::Start}) {
        view_.Enable(c, false);
    }
    view_.Enable(Control::Stop, true);
    view_.Enable(Control::ProgramRunning, true);
    view_.SetField(Field::Summary, text::kStationRunningSummary);
    view_.Ticking(true);
    station_->Tick();  // the ports open now: "Program running controllers" works at once
}

void StationWindowModel::StopClick() {
    if (!Running()) return;
    if (station_->Busy() && !view_.Confirm(text::kStationStopQuestion)) return;
    station_->StopAll();
    view_.Enable(Control::Stop, false);
    view_.Enable(Control::ProgramRunning, false);
    view_.SetField(Field::Summary, text::kStationStoppingSummary);
    RefreshProgramButtons();
    Tick();
}

void StationWindowModel::ProgramRunningClick() {
    if (Running()) station_->Go();
}

void StationWindowModel::ProgramPortClick(std::size_t index) {
    if (Running()) station_->GoPort(index);
}

void StationWindowModel::RefreshProgramButtons() {
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        const bool can = station_ && station_->Idle(i);
        if (tiles_[i].canProgram == can) continue;
        tiles_[i].canProgram = can;
        view_.UpdateTile(i, tiles_[i]);
    }
}

void StationWindowModel::Tick() {
    if (!station_) return;
    station_->Tick();
    if (station_->Finished()) EndStation();
}

bool StationWindowModel::CloseRequested() {
    if (!Running()) {
        SaveChoices();
        return true;
    }
    if (closeWhenEnded_) return false;  // already stopping
    if (station_->Busy()) {
        if (!view_.Confirm(text::kStationCloseQuestion)) return false;
    }
    // Asked again after the answer: the updates may have ended while the question showed.
    if (station_->Busy()) {
        // The sessions end as stopped and are recorded; then the window closes.
        closeWhenEnded_ = true;
        station_->StopAll();
        view_.Enable(Control::Stop, false);
        view_.Enable(Control::ProgramRunning, false);
        view_.SetField(Field::Summary, text::kStationStoppingSummary);
        return false;
    }
    station_->StopAll();
    EndStation();
    SaveChoices();
    return true;
}

void StationWindowModel::EndStation() {
    view_.Ticking(false);
    if (const std::size_t unrecorded = station_->Unrecorded().size(); unrecorded > 0)
        recordError_ += " " + std::to_string(unrecorded) + " " + text::kStationNotRecorded;
    station_.reset();  // closes the ports
    // What was true while the ports were served is not any more: the tiles say so.
    for (std::size_t i = 0; i < tiles_.size() && i < statuses_.size(); ++i) {
        tiles_[i] = TileFor(statuses_[i], adapters_[i].second, false);
        view_.UpdateTile(i, tiles_[i]);
    }
    RefreshProgramButtons();
    record_.reset();
    portUse_.ClearStationDevices();
    ShowIdle();
    if (!recordError_.empty()) view_.Warning(recordError_);
    if (closeWhenEnded_) {
        closeWhenEnded_ = false;
        SaveChoices();
        view_.CloseWindow();
    }
}

void StationWindowModel::StatusChanged(std::size_t index, const PortStatus& status) {
    if (index >= tiles_.size()) return;
    auto& [device, adapter] = adapters_[index];
    if (device != status.device) {
        device = status.device;
        adapter = AdapterOf(device, lookup_.devices());
    }
    statuses_[index] = status;
    tiles_[index] = TileFor(status, adapter);
    tiles_[index].canProgram = station_ && station_->Idle(index);
    view_.UpdateTile(index, tiles_[index]);
}

bool StationWindowModel::WriteRecord(StationRecord& record) {
    CompleteStationRecord(record, host_);
    if (const int error = record_->Append(record); error != 0) {
        recordError_ = std::string(text::kStationRecordFailed) + ": " + recordPath_ + ": " +
                       RecordProblemText({error, false, PathFromUtf8(recordPath_)}) + ".";
        return false;
    }
    return true;
}

}  // namespace k5::app

namespace k5::app {

void StationWindowModel::LabelRequiredToggled(bool checked) {
    if (!Running() && !locked_) labelRequired_ = checked;
}

bool StationWindowModel::LabelEntered(std::size_t, const std::string&) { return false; }

void StationWindowModel::SaveSetupClick() {}

bool StationWindowModel::OpenSetup(const std::string&) { return false; }

}  // namespace k5::app
