#include "station_command.h"

#include <filesystem>
#include <functional>
#include <istream>
#include <mutex>
#include <ostream>
#include <sstream>
#include <thread>

#include "console.h"
#include "event_loop.h"
#include "exit_codes.h"
#include "json_writer.h"
#include "line_speed_names.h"
#include "machine.h"
#include "message_text.h"
#include "operator_line.h"
#include "pack_loading.h"
#include "port_listing.h"
#include "port_names.h"
#include "port_problem_text.h"
#include "program_command.h"
#include "serial_ports.h"
#include "session_advice.h"
#include "settings_choice.h"
#include "station.h"
#include "station_label.h"
#include "station_pack.h"
#include "station_port_text.h"
#include "station_record.h"
#include "station_setup.h"
#include "station_texts.h"
#include "stop_signals.h"

namespace k5::cli {
namespace {

namespace text = station_text;

std::string Activity(PortActivity activity) {
    switch (activity) {
        case PortActivity::NoPort:
            return "no port";
        case PortActivity::Waiting:
            return "waiting";
        case PortActivity::Running:
            return "running";
        case PortActivity::Cooling:
            return "done";
    }
    return "";
}

std::string StepText(SessionStep step) {
    switch (step) {
        case SessionStep::None:
            return text::kStarting;
        case SessionStep::Connect:
            return text::kConnecting;
        case SessionStep::Restart:
            return text::kRestarting;
        case SessionStep::Header:
        case SessionStep::Image:
            return text::kProgramming;
        case SessionStep::Verdict:
            return text::kVerdict;
    }
    return "";
}

// What the port is doing, in a few words.
std::string StateText(const PortStatus& s, bool autoProbe, bool onePort) {
    std::ostringstream line;
    switch (s.activity) {
        case PortActivity::NoPort:
            // A cable pulled during an update: its outcome stays in sight beside the missing port.
            if (s.lastHungUp) line << text::kFailed << ": " << PulledCableText(s) << "; ";
            line << text::kNoPort << ": " << PortProblemText(s.problemError, s.device);
            break;
        case PortActivity::Waiting:
            line << (s.waitsForLabel ? (onePort ? text::kWaitingForLabelOnePort : text::kWaitingForLabel)
                     : autoProbe     ? text::kWaiting
                                     : text::kWaitingForEnter);
            break;
        case PortActivity::Running:
            line << StepText(s.step);
            if (const TransferProgress& t = s.transfer; t.Total() > 0) {
                line << " " << t.Percent() << "%";
                if (t.BytesPerSecond() > 0) line << " " << static_cast<long>(t.BytesPerSecond()) << " B/s";
            }
            break;
        case PortActivity::Cooling:
            if (s.lastOutcome == SessionOutcome::Programmed) {
                line.precision(1);
                line << std::fixed << text::kOk << " in " << s.lastSeconds << " s";
            } else if (s.lastOutcome == SessionOutcome::Stopped) {
                line << text::kStopped;
            } else {
                line << text::kFailed << ": " << SessionOutcomeText(s.lastOutcome);
                if (s.lastHungUp) line << "; " << PulledCableText(s);
            }
            if (FirmwareLeftIncomplete(s.lastOutcome, s.lastStep)) line << "; " << kFirmwareIncompleteText;
            if (s.lastOutcome != SessionOutcome::Programmed && s.lastOutcome != SessionOutcome::Stopped) {
                line << "; " << text::kPutAside;
            } else if (autoProbe) {
                line << "; " << text::kTakeAway;
            }
            if (s.waitsForLabel)
                line << "; " << (onePort ? text::kWaitingForLabelOnePort : text::kWaitingForLabel);
            break;
    }
    return line.str();
}

// "2  COM4 (/dev/ttyUSB1, ...)  programming 42% ...": numbered as --port gave them, for the operator's keys.
std::string PortLine(std::size_t port, const PortStatus& s, const std::string& adapter, bool autoProbe,
                     bool onePort) {
    std::ostringstream line;
    line << port + 1 << "  " << s.name;
    if (const std::string where = PortWhere(s, adapter); !where.empty()) line << " (" << where << ")";
    if (!s.lastLabel.empty()) line << "  " << s.lastLabel;
    line << "  " << StateText(s, autoProbe, onePort) << "  [good " << s.good << ", failed " << s.failed
         << "]";
    if (!s.label.empty()) line << "  " << text::kNextLabel << " " << s.label;
    return line.str();
}

// Draws the station: lines redrawn in place on a terminal, event lines
// otherwise, JSON lines with --json.
class StationOutput {
  public:
    StationOutput(std::ostream& out, bool json, bool terminal, bool autoProbe, bool onePort)
        : out_(out), json_(json), terminal_(terminal && !json), autoProbe_(autoProbe), onePort_(onePort) {}

    void Changed(std::size_t port, const PortStatus& status) {
        if (lines_.size() <= port) lines_.resize(port + 1);
        if (adapters_.size() <= port) adapters_.resize(port + 1);
        auto& adapter = adapters_[port];
        if (adapter.first != status.device)
            adapter = {status.device, AdapterOf(status.device, platform::ListSerialDevices())};
        const std::string line = PortLine(port, status, adapter.second, autoProbe_, onePort_);
        if (terminal_) {
            lines_[port] = line;
            Redraw();
            return;
        }
        const std::string event = Activity(status.activity) + "|" + SessionStepName(status.step) + "|" +
                                  std::to_string(status.good) + "|" + std::to_string(status.failed) + "|" +
                                  std::to_string(status.problemError) + "|" + status.label + "|" +
                                  status.lastLabel + "|" + (status.waitsForLabel ? "w" : "");
        if (events_.size() <= port) events_.resize(port + 1);
        if (events_[port] == event) return;  // progress alone is for the terminal
        events_[port] = event;
        if (json_) {
            JsonObject o;
            o.Add("number", static_cast<std::int64_t>(port + 1))
                .Add("port", status.name)
                .Add("device", status.device)
                .Add("state", Activity(status.activity));
            if (status.activity == PortActivity::Running && status.step != SessionStep::None)
                o.Add("step", SessionStepName(status.step));
            if (status.activity == PortActivity::Cooling)
                o.Add("outcome", SessionOutcomeText(status.lastOutcome));
            if (!status.lastLabel.empty()) o.Add("lastLabel", status.lastLabel);
            if (!status.label.empty()) o.Add("label", status.label);
            if (status.waitsForLabel && status.activity != PortActivity::Running)
                o.Add("waitsForLabel", true);
            o.Add("good", std::int64_t{status.good}).Add("failed", std::int64_t{status.failed});
            out_ << o.Str() << std::endl;
        } else {
            out_ << line << std::endl;
        }
    }

  private:
    void Redraw() {
        if (drawn_ > 0) out_ << "\x1b[" << drawn_ << "A";
        for (const auto& line : lines_) out_ << "\r\x1b[2K" << line << "\n";
        out_.flush();
        drawn_ = lines_.size();
    }

    std::ostream& out_;
    bool json_;
    bool terminal_;
    bool autoProbe_;
    bool onePort_;
    std::vector<std::string> lines_;
    std::vector<std::string> events_;
    std::vector<std::pair<std::string, std::string>> adapters_;  // device, its adapter
    std::size_t drawn_ = 0;
};

// Carries the operator's lines from their reader thread into the loop, until
// the station has ended (the reader may stay blocked in a read past that).
class KeyBridge {
  public:
    explicit KeyBridge(serial::EventLoop& loop) : loop_(&loop) {}
    bool Post(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        return loop_ != nullptr && loop_->Post(std::move(task));
    }
    void Close() {
        std::lock_guard lock(mutex_);
        loop_ = nullptr;
    }

  private:
    std::mutex mutex_;
    serial::EventLoop* loop_;
};

// Says why the station does not start, on stderr and (--json) as the result line.
int Refuse(const StationCommandOptions& options, std::ostream& out, std::ostream& err, int code,
           const std::string& what, const std::string& why) {
    err << "k5-iap: " << why << "\n";
    if (options.json) out << JsonResult(what, code, why) << std::endl;
    return code;
}

}  // namespace

int RunStation(const StationCommandOptions& given, std::istream& in, std::ostream& out, std::ostream& err,
               bool terminal) {
    StationCommandOptions options = given;
    std::optional<StationSetup> setup;
    if (!options.setup.empty()) {
        auto read = ReadStationSetup(options.setup);
        if (const auto* problem = std::get_if<SetupProblem>(&read))
            return Refuse(options, out, err, kExitSetupUnusable, text::kSetupUnusable, problem->text);
        setup = std::get<StationSetup>(std::move(read));
        options.pack = setup->pack;
        options.ports = setup->ports;
        options.record = setup->record;
        options.fast = setup->fast;
        options.labelRequired = setup->labelRequired;
        options.workOrder = setup->workOrder;
    }
    const SettingsFile settings = ChosenSettings(options.settings);
    PackStore pack;
    if (const auto refused =
            LoadPackToProgram(pack, options.pack, options.anyProduct, options.json, out, err)) {
        return *refused;
    }
    StationRecord facts;
    if (const int error = ReadStationPackFacts(options.pack, pack, facts); error != 0) {
        err << options.pack << ": " << StationPackProblemText(options.pack, error) << "\n";
        return kExitPackUnreadable;
    }
    if (setup) {
        // The line programs only the pack its engineer chose.
        if (const auto changed = SetupPackChanged(*setup, facts.sha256))
            return Refuse(options, out, err, kExitSetupPackChanged, text::kSetupPackChanged,
                          *changed + "; " + text::kNothingProgrammed);
        facts.setup = setup->name;
    }
    facts.workOrder = options.workOrder;
    facts.operatorName = options.operatorName;

    StationRecordFile record;
    if (!options.record.empty()) {
        if (const auto problem = record.Open(PathFromUtf8(options.record), options.labelRequired)) {
            const std::string why = RecordProblemText(*problem);
            err << text::kRecordUnwritable << " " << options.record << ": " << why << "; "
                << text::kNothingProgrammed << "\n";
            if (options.json)
                out << JsonResult(text::kRecordUnwritable, kExitRecordUnwritable, options.record + ": " + why)
                    << std::endl;
            return kExitRecordUnwritable;
        }
        if (record.WithoutLabels()) err << FillIn(text::kRecordWithoutLabels, {options.record}) << "\n";
    }

    StationOptions stationOptions;
    stationOptions.ports = options.ports;
    if (stationOptions.ports.empty()) {
        WarnAboutUnusablePort(settings, err);
        stationOptions.ports.push_back(SettingsPortName(settings));
    }
    stationOptions.autoProbe = !options.noAuto;
    stationOptions.count = options.count;
    stationOptions.labelRequired = options.labelRequired;
    stationOptions.mode = settings.GetTransferMode();
    if (options.fast) stationOptions.mode.fast = true;
    if (setup) {
        // A set-up's station runs as the set-up says, whatever this machine's settings.
        stationOptions.mode.fast = setup->fast;
        ApplySpeedName(setup->speed, stationOptions.mode);
    } else {
        ApplySpeedOption(options.speed, stationOptions.mode);
    }

    const std::string host = platform::HostName();
    std::string recordError;  // the last write's OS error, said once more at the end
    StationOutput output(out, options.json, terminal, stationOptions.autoProbe,
                         stationOptions.ports.size() == 1);
    serial::EventLoop loop;
    Station station(
        loop, settings, pack, facts, stationOptions,
        [&output](std::size_t port, const PortStatus& status) { output.Changed(port, status); },
        [&](StationRecord& line) {
            CompleteStationRecord(line, host);
            if (options.record.empty()) return true;
            if (const int error = record.Append(line); error != 0) {
                const std::string why =
                    options.record + ": " + RecordProblemText({error, false, PathFromUtf8(options.record)});
                if (why != recordError)  // said once; each later update tries again
                    err << text::kRecordUnwritable << " " << why << "; " << text::kNoNewUpdates << "\n";
                recordError = why;
                return false;
            }
            return true;
        });

    if (terminal && !options.json) err << text::kKeys << "\n";
    const platform::UnechoedInput quietKeys;  // an echoed Enter would shift the lines drawn in place
    bool interrupted = false;
    // Made before any thread of the station: every thread it starts keeps the stop signals blocked.
    StopSignals stopper([&loop, &station] { loop.Post([&station] { station.StopAll(); }); });
    // The operator's lines: read on a thread of their own, acted on in the loop.
    auto bridge = std::make_shared<KeyBridge>(loop);
    const auto said = [&out, &err, json = options.json](const std::string& line, const std::string& why) {
        if (json) {
            out << JsonObject().Add("input", line).Add("error", why).Str() << std::endl;
        } else {
            err << FillIn(text::kLineRefused, {why}) << std::endl;
        }
    };
    std::thread keys([bridge, &in, &station, said, ports = stationOptions.ports.size()] {
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const OperatorLine asked = ReadOperatorLine(line, ports);
            if (!bridge->Post([&station, said, asked, line] {
                    const std::string port = std::to_string(asked.port);
                    switch (asked.kind) {
                        case OperatorLine::Kind::Quit:
                            return station.Quit();
                        case OperatorLine::Kind::GoAll:
                            return station.Go();
                        case OperatorLine::Kind::GoPort:
                            station.GoPort(asked.port - 1);
                            return;
                        case OperatorLine::Kind::Refused:
                            return said(line, asked.problem);
                        case OperatorLine::Kind::Label:
                            break;
                    }
                    switch (station.SetLabel(asked.port - 1, asked.label)) {
                        case LabelAnswer::Refused:
                            return said(line, FillIn(text::kLabelRefused,
                                                     {port, StationLabelProblem(TrimmedLabel(asked.label))}));
                        case LabelAnswer::Busy:
                            return said(line, FillIn(text::kLabelBusy, {port}));
                        case LabelAnswer::Taken:
                            return;
                    }
                }))
                return;
            if (asked.kind == OperatorLine::Kind::Quit) return;
        }
    });
    keys.detach();  // may stay blocked in a read; the process ends it
    while (!station.Finished()) {
        loop.RunFor(std::chrono::milliseconds(50));
        station.Tick();
    }
    interrupted = stopper.Caught();
    bridge->Close();  // the key reader's late lines are dropped

    const int code = interrupted              ? kExitInterrupted
                     : station.RecordFailed() ? kExitRecordUnwritable
                     : station.Failed() > 0   ? kExitSessionFailed
                                              : kExitOk;
    std::ostringstream summary;
    summary << station.Good() << " good, " << station.Failed() << " failed";
    // Lines the record could not take are shown here, so that no outcome is lost.
    for (const auto& line : station.Unrecorded()) {
        if (options.json) {
            std::string object = StationJsonLine(line);
            object.pop_back();  // its newline
            out << "{\"unrecorded\":" << object << "}" << std::endl;
        } else {
            err << text::kUnrecorded << ": " << StationCsvLine(line);
        }
    }
    std::string error;
    if (station.RecordFailed()) {
        error = text::kRecordUnwritable + (" " + recordError) + "; " + text::kEndedForRecord;
        if (!station.Unrecorded().empty())
            error += "; " + std::to_string(station.Unrecorded().size()) + " " + text::kNotInRecord;
    }
    if (options.json) {
        JsonObject o;
        o.Add("result", summary.str()).Add("exit", std::int64_t{code});
        if (!error.empty()) o.Add("error", error);
        out << o.Str() << std::endl;
    } else {
        if (!error.empty()) err << error << "\n";
        err << summary.str() << "\n";
    }
    return code;
}

}  // namespace k5::cli
