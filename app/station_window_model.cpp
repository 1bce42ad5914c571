#include "station_window_model.h"

#include <cstdio>
#include <filesystem>

#include "line_speed_names.h"
#include "machine.h"
#include "message_text.h"
#include "port_error.h"
#include "station_label.h"
#include "station_pack.h"
#include "station_setup.h"
#include "station_tile.h"
#include "translation.h"
#include "utf8_path.h"
#include "window_counts.h"
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
    view_.SetField(Field::PackFile, Tr(text::kStationNoPackYet));
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
        notice_ = std::string(Tr(text::kStationPackGone)) + ": " + path + ": " + why + ".";
    };
    try {
        if (!pack->LoadPack(path)) return gone(TranslateText(pack->RejectionReason()));
    } catch (const EInOutError& unreadable) {
        return gone(TranslateText(PackUnreadableText(path, unreadable)));
    }
    StationRecord facts;
    const bool changed = ReadStationPackFacts(path, *pack, facts) != 0 || facts.sha256 != chosen.packSha256;
    // The question asked as a foreign pack was read is not asked again unseen.
    if (changed && pack->Header().ProductCode() != kExpectedProductCode) {
        notice_ = std::string(Tr(text::kStationPackChangedForeign)) + ": " + path + ".";
        return;
    }
    if (const auto problem = TakePack(path, std::move(pack))) {
        notice_ = std::string(Tr(text::kStationPackGone)) + ": " + *problem + ".";
    } else if (changed) {
        notice_ =
            std::string(Tr(text::kStationPackChanged)) + " " +
            FillIn(Tr(text::kStationPackVersion), {packFacts_.packFile, std::to_string(packFacts_.version)}) +
            ".";
    }
}

void StationWindowModel::SaveChoices() {
    if (locked_) return;  // a set-up's choices are the set-up's, not the window's next time
    try {
        settings_.SetStationChoices(
            {pack_ ? packPath_ : "", pack_ ? packFacts_.sha256 : "", recordPath_, TickedNames()});
    } catch (const ESettingsWriteError& refused) {
        if (!saveRefusalShown_) {
            saveRefusalShown_ = true;
            view_.Warning(std::string(Tr(text::kStationChoicesNotSaved)) + ": " + settings_.Path().string() +
                          ": " + TranslateText(refused.Reason()) + ".");
        }
    }
}

StationWindowModel::~StationWindowModel() {
    station_.reset();  // stops what runs, waits for it and closes the ports
    portUse_.ClearStationDevices();
}

void StationWindowModel::EnableChoices(bool enabled) {
    for (Control c : {Control::ReadPack, Control::ChooseRecord, Control::Ports, Control::RefreshPorts,
                      Control::Fast, Control::AutoSpeed, Control::LabelRequired, Control::SaveSetup}) {
        view_.Enable(c, enabled && !locked_);
    }
}

void StationWindowModel::ShowIdle() {
    EnableChoices(true);
    view_.Enable(Control::Start, true);
    view_.Enable(Control::Stop, false);
    view_.Enable(Control::ProgramRunning, false);
    const bool served = std::any_of(statuses_.begin(), statuses_.end(), [](const PortStatus& s) {
        return s.lastOutcome != SessionOutcome::None;
    });
    view_.SetField(Field::Summary, !notice_.empty() ? notice_
                                   : served         ? Tr(text::kStationEndedSummary)
                                                    : Tr(text::kStationIdleSummary));
}

void StationWindowModel::ReadPackClick() {
    if (Running() || locked_) return;
    const auto path = view_.ChoosePackFile();
    if (!path) return;
    // The pack read before stays until this one is taken.
    auto pack = std::make_unique<PackStore>();
    if (!pack->LoadPack(*path)) {
        view_.Warning(std::string(Tr(text::kStationBadPack)) + ": " + TranslateText(pack->RejectionReason()) +
                      ".");
        return;
    }
    if (pack->Header().ProductCode() != kExpectedProductCode && !view_.Confirm(Tr(text::kStationForeignPack)))
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
        return path + ": " + TranslateText(StationPackProblemText(path, error));
    pack_ = std::move(pack);
    packPath_ = path;
    packFacts_ = facts;
    view_.SetField(Field::PackFile, facts.packFile);
    view_.SetField(Field::Version, std::to_string(facts.version));
    view_.SetField(Field::Kind, TranslateText(PackKindText(static_cast<std::uint8_t>(facts.kind))));
    return std::nullopt;
}

void StationWindowModel::ChooseRecordClick() {
    if (Running() || locked_) return;
    if (const auto path = view_.ChooseRecordFile(recordPath_)) {
        recordPath_ = *path;
        view_.SetField(Field::RecordFile, recordPath_);
    }
}

void StationWindowModel::RefreshPortsClick() {
    if (Running() || locked_) return;
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
        if (!p.description.empty()) label += "  " + TranslateText(p.description);
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
    labelProblems_.assign(statuses_.size(), {});
    tiles_.clear();
    for (std::size_t i = 0; i < statuses_.size(); ++i) tiles_.push_back(MakeTile(i, false));
    view_.SetTiles(tiles_);
}

StationTile StationWindowModel::MakeTile(std::size_t index, bool served) const {
    StationTile tile = TileFor(statuses_[index], adapters_[index].second, served);
    tile.canProgram = station_ && station_->Idle(index);
    tile.labelProblem = labelProblems_[index];
    return tile;
}

void StationWindowModel::PortToggled(std::size_t index, bool checked) {
    if (Running() || locked_ || index >= checked_.size() || checked_[index] == checked) return;
    checked_[index] = checked;
    ShowTickedTiles();
}

void StationWindowModel::FastToggled(bool checked) {
    if (!Running() && !locked_) fast_ = checked;
}

void StationWindowModel::AutoSpeedToggled(bool checked) {
    if (!Running() && !locked_) autoSpeed_ = checked;
}

void StationWindowModel::LabelRequiredToggled(bool checked) {
    if (!Running() && !locked_) labelRequired_ = checked;
}

bool StationWindowModel::LabelEntered(std::size_t index, const std::string& text) {
    if (index >= tiles_.size()) return false;
    const std::string label = TrimmedLabel(text);
    std::string& problem = labelProblems_[index];
    problem = label.empty() ? "" : StationLabelProblem(label);
    if (!problem.empty()) {
        problem = std::string(Tr(text::kTileLabelRefused)) + ": " + problem;
    } else if (!station_) {
        statuses_[index].label = label;  // for the port's first update once the station starts
    } else if (station_->SetLabel(index, label) == LabelAnswer::Busy) {
        problem = Tr(text::kTileLabelBusy);
    } else {
        return true;  // the station has told the tile
    }
    tiles_[index] = MakeTile(index, Running());
    view_.UpdateTile(index, tiles_[index]);
    return problem.empty();
}

void StationWindowModel::SaveSetupClick() {
    if (Running() || locked_) return;
    const std::vector<std::string> ports = TickedNames();
    if (!pack_ || ports.empty() || recordPath_.empty())
        return view_.Warning(Tr(text::kStationSetupIncomplete));
    const std::filesystem::path folder = PathFromUtf8(recordPath_).parent_path();
    auto path = view_.ChooseSetupFile(Utf8FromPath(folder / text::kStationSetupSuggested));
    if (!path) return;
    if (PathFromUtf8(*path).extension() != kStationSetupExtension) *path += kStationSetupExtension;
    StationSetup setup;
    setup.pack = packPath_;
    setup.packSha256 = packFacts_.sha256;
    setup.ports = ports;
    setup.record = recordPath_;
    setup.fast = fast_;
    setup.speed = autoSpeed_        ? "auto"
                  : baudIndex_ >= 0 ? std::to_string(SessionBaudRate(baudIndex_))
                                    : "default";
    setup.labelRequired = labelRequired_;
    setup.workOrder = workOrder_;
    setup.alertSound = alertSound_;
    try {
        WriteStationSetup(*path, setup);
    } catch (const ESettingsWriteError& refused) {
        return view_.Warning(std::string(Tr(text::kStationSetupNotSaved)) + ": " + *path + ": " +
                             TranslateText(refused.Reason()) + ".");
    }
    notice_ = std::string(Tr(text::kStationSetupSaved)) + " " + *path;
    ShowIdle();
}

bool StationWindowModel::OpenSetup(const std::string& path) {
    if (Running()) return false;
    locked_ = true;
    setupName_ = StationSetupName(path);
    view_.ShowLocked();
    view_.SetTitle(FillIn(Tr(text::kStationLockedTitle), {setupName_}));
    // Nothing chosen before stays: a set-up that cannot be used programs nothing.
    pack_.reset();
    packFacts_ = {};
    view_.SetField(Field::PackFile, Tr(text::kStationNoPackYet));
    view_.SetField(Field::Version, "");
    view_.SetField(Field::Kind, "");
    const auto read = ReadStationSetup(path);
    if (const auto* problem = std::get_if<SetupProblem>(&read)) return RefuseSetup(problem->text);
    const StationSetup& setup = std::get<StationSetup>(read);

    recordPath_ = setup.record;
    view_.SetField(Field::RecordFile, recordPath_);
    ListPortsTicking(setup.ports);
    TransferMode mode;
    ApplySpeedName(setup.speed, mode);
    fast_ = setup.fast;
    autoSpeed_ = mode.autoSpeed;
    baudIndex_ = mode.baudIndex;
    labelRequired_ = setup.labelRequired;
    alertSound_ = setup.alertSound;
    workOrder_ = setup.workOrder;
    view_.CheckFast(fast_);
    view_.CheckAutoSpeed(autoSpeed_);
    view_.CheckLabelRequired(labelRequired_);

    auto pack = std::make_unique<PackStore>();
    try {
        if (!pack->LoadPack(setup.pack))
            return RefuseSetup(setup.pack + ": " + std::string(Tr(text::kStationBadPack)) + ": " +
                               TranslateText(pack->RejectionReason()));
    } catch (const EInOutError& unreadable) {
        return RefuseSetup(setup.pack + ": " + TranslateText(PackUnreadableText(setup.pack, unreadable)));
    }
    StationRecord facts;
    if (const int error = ReadStationPackFacts(setup.pack, *pack, facts); error != 0)
        return RefuseSetup(setup.pack + ": " + TranslateText(StationPackProblemText(setup.pack, error)));
    if (const auto changed = SetupPackChanged(setup, facts.sha256)) return RefuseSetup(*changed);
    if (const auto problem = TakePack(setup.pack, std::move(pack))) return RefuseSetup(*problem);
    setupProblem_.clear();
    notice_ = Tr(text::kStationLockedSummary);
    ShowIdle();
    return true;
}

bool StationWindowModel::RefuseSetup(const std::string& problem) {
    setupProblem_ = std::string(Tr(text::kStationSetupUnusable)) + ": " + WithFullStop(problem);
    notice_ = setupProblem_;
    ShowIdle();
    view_.Warning(setupProblem_);
    return false;
}

void StationWindowModel::ShowTotal() {
    const int good = station_ ? station_->Good() : 0;
    const int failed = station_ ? station_->Failed() : 0;
    view_.SetField(Field::Total, FillIn(Tr(text::kStationTotal), {CountText(text::kGoodCount, good),
                                                                  CountText(text::kFailedCount, failed)}));
    char seconds[32] = "";
    if (good > 0) std::snprintf(seconds, sizeof seconds, "%.1f", goodSeconds_ / good);
    view_.SetField(Field::PerUnit, good > 0 ? FillIn(Tr(text::kStationPerUnit), {seconds}) : "");
}

void StationWindowModel::StartClick() {
    if (Running()) return;
    if (!setupProblem_.empty()) return view_.Warning(setupProblem_);
    if (!pack_) return view_.Warning(Tr(text::kStationNoPack));
    StationOptions options;
    std::vector<std::string> devices;
    for (std::size_t i = 0; i < ports_.size(); ++i) {
        if (!checked_[i]) continue;
        const std::string device = ResolvePortName(ports_[i].name, settings_);
        if (portUse_.SessionHolds(device))
            return view_.Warning(ports_[i].name + " " + Tr(text::kStationPortTaken));
        options.ports.push_back(ports_[i].name);
        devices.push_back(device);
    }
    if (options.ports.empty()) return view_.Warning(Tr(text::kStationNoPorts));
    if (recordPath_.empty()) return view_.Warning(Tr(text::kStationNoRecord));
    StationRecord facts = packFacts_;
    if (locked_) {
        // Who runs the line goes into each record line.
        const auto name = view_.AskText(Tr(text::kStationOperatorQuestion), operator_);
        if (!name) return;
        if (TrimmedLabel(*name).empty()) return view_.Warning(Tr(text::kStationNoOperator));
        operator_ = TrimmedLabel(*name);
        facts.setup = setupName_;
        facts.workOrder = workOrder_;
        facts.operatorName = operator_;
    }
    SaveChoices();
    record_ = std::make_unique<StationRecordFile>();
    if (const auto problem = record_->Open(PathFromUtf8(recordPath_), labelRequired_)) {
        return view_.Warning(std::string(Tr(text::kStationRecordUnwritable)) + ": " + recordPath_ + ": " +
                             TranslateText(RecordProblemText(*problem)) + ". " +
                             Tr(text::kStationNothingProgrammed));
    }
    options.mode = settings_.GetTransferMode();
    options.mode.fast = fast_;
    options.mode.autoSpeed = autoSpeed_;
    if (baudIndex_ >= 0) options.mode.baudIndex = baudIndex_;
    options.labelRequired = labelRequired_;

    recordError_.clear();
    notice_.clear();
    goodSeconds_ = 0;
    // Labels given before Start go with each port's first update.
    std::vector<std::string> labels;
    for (const auto& name : options.ports) {
        const auto shown = std::find_if(statuses_.begin(), statuses_.end(),
                                        [&name](const PortStatus& s) { return s.name == name; });
        labels.push_back(shown != statuses_.end() ? shown->label : "");
    }
    adapters_.assign(options.ports.size(), {});
    labelProblems_.assign(options.ports.size(), {});
    tiles_.clear();
    statuses_.clear();
    for (const auto& name : options.ports) {
        PortStatus waiting;
        waiting.name = name;
        waiting.activity = PortActivity::Waiting;
        waiting.waitsForLabel = options.labelRequired;
        statuses_.push_back(waiting);
        tiles_.push_back(MakeTile(statuses_.size() - 1, true));
    }
    view_.SetTiles(tiles_);
    portUse_.SetStationDevices(devices);
    station_ = std::make_unique<Station>(
        uiThread_, settings_, *pack_, facts, options,
        [this](std::size_t index, const PortStatus& status) { StatusChanged(index, status); },
        [this](StationRecord& record) { return WriteRecord(record); }, lookup_.makePort);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (!labels[i].empty()) station_->SetLabel(i, labels[i]);
    }
    EnableChoices(false);
    view_.Enable(Control::Start, false);
    view_.Enable(Control::Stop, true);
    view_.Enable(Control::ProgramRunning, true);
    view_.SetField(Field::Summary, record_->WithoutLabels() ? std::string(Tr(text::kStationRunningSummary)) +
                                                                  ". " + Tr(text::kStationRecordWithoutLabels)
                                                            : Tr(text::kStationRunningSummary));
    ShowTotal();
    view_.Ticking(true);
    station_->Tick();  // the ports open now: "Program running controllers" works at once
}

void StationWindowModel::StopClick() {
    if (!Running()) return;
    if (station_->Busy() && !view_.Confirm(Tr(text::kStationStopQuestion))) return;
    station_->StopAll();
    view_.Enable(Control::Stop, false);
    view_.Enable(Control::ProgramRunning, false);
    view_.SetField(Field::Summary, Tr(text::kStationStoppingSummary));
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
        if (!view_.Confirm(Tr(text::kStationCloseQuestion))) return false;
    }
    // Asked again after the answer: the updates may have ended while the question showed.
    if (station_->Busy()) {
        // The sessions end as stopped and are recorded; then the window closes.
        closeWhenEnded_ = true;
        station_->StopAll();
        view_.Enable(Control::Stop, false);
        view_.Enable(Control::ProgramRunning, false);
        view_.SetField(Field::Summary, Tr(text::kStationStoppingSummary));
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
        recordError_ += " " + std::to_string(unrecorded) + " " + Tr(text::kStationNotRecorded);
    station_.reset();  // closes the ports
    // What was true while the ports were served is not any more: the tiles say so.
    for (std::size_t i = 0; i < tiles_.size() && i < statuses_.size(); ++i) {
        tiles_[i] = MakeTile(i, false);
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
    const PortStatus before = std::exchange(statuses_[index], status);
    if (status.label != before.label) labelProblems_[index].clear();  // a label taken
    tiles_[index] = MakeTile(index, true);
    view_.UpdateTile(index, tiles_[index]);
    if (status.good == before.good && status.failed == before.failed) return;
    if (status.good > before.good) goodSeconds_ += status.lastSeconds;
    ShowTotal();
    if (status.failed > before.failed && alertSound_) view_.AlertFailure();
}

bool StationWindowModel::WriteRecord(StationRecord& record) {
    CompleteStationRecord(record, host_);
    if (const int error = record_->Append(record); error != 0) {
        recordError_ = std::string(Tr(text::kStationRecordFailed)) + ": " + recordPath_ + ": " +
                       TranslateText(RecordProblemText({error, false, PathFromUtf8(recordPath_)})) + ".";
        return false;
    }
    return true;
}

}  // namespace k5::app
