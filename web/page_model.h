// What the web page does, written like the desktop windows' models: which
// controls are enabled, what a pack read and an update's outcome say, the
// progress line's figures, the speed choices and what "Copy report" holds.
// The page (page.js) applies State() to its elements after each event and
// does only what needs the browser: files, the port's transport, fetch and
// SubtleCrypto, the clipboard. No toolkit, no browser: tested natively.
//
// States: no pack or no port (Program disabled), a pack being read or fetched
// (Read Pack, the offered packs and Program disabled), ready, and updating
// (only Stop enabled; no pack is taken until the update has ended).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "iap_session.h"
#include "p_HexConvertFun.h"
#include "settings_file.h"
#include "transfer_progress.h"
#include "wire_trace.h"

namespace k5::web {

// What reading a pack found.
struct PackCheck {
    bool ok = false;
    std::string error;   // the loader's text ("Pack file was briken", or why the file could not be read)
    std::string detail;  // which check failed
    std::uint32_t version = 0;
    std::string kind;
    std::uint32_t productCode = 0;
    bool foreign = false;  // for another product: the page asks before it is used
};

// The line speed the person chose: the settings' (none given), one of the protocol's, or the search.
// Its value on the page: a baud index ("0", "1", "2") or "auto".
struct SpeedChoice {
    std::string value;
    std::string label;
};

class PageModel {
  public:
    using Clock = std::chrono::steady_clock;

    // Everything given must outlive the model. `tracePath`: where each update's wire trace is written.
    PageModel(PackStore& pack, IapSession& session, const SettingsFile& settings, std::string tracePath);

    // The choices of the line speed box: the search, then the protocol's speeds, slowest first.
    static std::vector<SpeedChoice> SpeedChoices();

    // A pack is about to be read or fetched. False while an update runs or another pack is on its
    // way: then nothing is to be taken. EndPackRead ends what a true result began.
    bool BeginPackRead();
    void EndPackRead();
    // Checks the pack at `path` as the loader does, without using it.
    static PackCheck CheckPack(const std::string& path);
    // Makes the pack at `path` the one the next update sends, shown as `name`. A pack that fails here
    // leaves the one in use as it was. Refused while an update runs.
    PackCheck UsePack(const std::string& path, const std::string& name);
    // A pack the person chose was refused: Program stays off until a pack is in use again.
    void PackRefused();

    void PortChosen(bool chosen) { portChosen_ = chosen; }
    // The port went away during the update.
    void PortLost() { portLost_ = true; }
    // A line was added to the page's log.
    void LogAdded(const std::string& line) { log_.push_back(line); }

    // Starts an update of the pack in use with the options chosen (`speed` a SpeedChoice value).
    // False when it cannot start now.
    bool Program(bool fast, const std::string& speed);
    // The session's progress, as its view reports it.
    void ProgressMax(std::uint32_t maximum);
    void ProgressPosition(std::uint32_t position, Clock::time_point now = Clock::now());
    // The session's last step has run.
    void Finished();

    bool Running() const { return running_; }
    const std::string& TracePath() const { return tracePath_; }

    // Everything the page shows and enables, as one JSON object.
    std::string State() const;
    // What "Copy report" puts on the clipboard. `browser` and `adapter` as the page knows them.
    std::string Report(const std::string& browser, const std::string& adapter) const;

  private:
    struct Outcome {
        std::string name;    // "programmed", "connect-fail", ...; empty before the first update
        std::string detail;  // which detail text: "own", "port-error:<kind>", "reconnect", "port-went-away"
        std::string text;    // the session's outcome line, for the report
        std::string traceProblem;
        std::string advice;  // a line for the log after the session's own: what the controller needs now
        std::uint32_t lineBaud = 0;
        bool hasTrace = false;
    };
    struct PackShown {
        std::string name;
        std::uint32_t version = 0;
        std::string kind;
    };

    PackStore& pack_;
    IapSession& session_;
    const SettingsFile& settings_;
    std::string tracePath_;
    std::shared_ptr<WireTrace> trace_;
    std::optional<PackShown> packShown_;  // the pack in use: what Program sends
    std::optional<Outcome> outcome_;
    TransferProgress progress_;
    std::vector<std::string> log_;
    bool fast_ = false;
    std::string speed_;
    bool packBusy_ = false;
    bool portChosen_ = false;
    bool portLost_ = false;
    bool running_ = false;
};

}  // namespace k5::web
