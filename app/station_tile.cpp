#include "station_tile.h"

#include <cstdio>

#include "iap_session.h"
#include "port_problem_text.h"
#include "session_advice.h"
#include "station_port_text.h"
#include "translation.h"
#include "window_counts.h"
#include "window_texts.h"

namespace k5::app {
namespace {

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// A running session's step, before its image has a size.
const char* StepOf(SessionStep step) {
    switch (step) {
        case SessionStep::Restart:
            return Tr(text::kTileRestarting);
        case SessionStep::Header:
        case SessionStep::Image:
        case SessionStep::Verdict:
            return Tr(text::kTileProgramming);
        default:
            return Tr(text::kTileConnecting);
    }
}

}  // namespace

style::Colour ToneColour(TileTone tone) {
    switch (tone) {
        case TileTone::Busy:
            return style::kTileBusy;
        case TileTone::Good:
            return style::kTileGood;
        case TileTone::Bad:
            return style::kTileBad;
        case TileTone::Idle:
            break;
    }
    return style::kTileIdle;
}

StationTile TileFor(const PortStatus& s, const std::string& adapter, bool served) {
    StationTile tile;
    tile.title = s.name;
    if (const std::string where = PortWhere(s, adapter); !where.empty()) tile.title += "  " + where;
    tile.counts = FillIn(Tr(text::kTileCounts),
                         {CountText(text::kGoodCount, s.good), CountText(text::kFailedCount, s.failed)});
    tile.label = s.label;
    tile.lastLabel = s.lastLabel;
    tile.labelEditable = s.activity != PortActivity::Running;
    tile.waitsForLabel = served && s.waitsForLabel && s.activity != PortActivity::Running;

    switch (s.activity) {
        case PortActivity::NoPort:
            // A cable pulled during an update: the failure stays, the missing port under it.
            tile.state = s.lastHungUp ? Tr(text::kTileFailed) : Tr(text::kTileNoPort);
            tile.detail =
                (s.lastHungUp ? TranslateText(PulledCableText(s)) + "\n" + Tr(text::kTileNoPort) + ": "
                              : "") +
                TranslateText(PortProblemText(s.problemError, s.device));
            if (s.lastHungUp) tile.advice = Tr(text::kTilePutAside);
            tile.tone = TileTone::Bad;
            tile.kind = TileKind::Failed;
            return tile;
        case PortActivity::Running:
            tile.tone = TileTone::Busy;
            tile.kind = TileKind::Working;
            if (const TransferProgress& t = s.transfer; t.Total() > 0) {
                tile.state =
                    std::string(Tr(text::kTileProgramming)) + " " + std::to_string(t.Percent()) + " %";
                tile.detail = FillIn(TrN(text::kTileBytes, t.Total()),
                                     {std::to_string(t.Done()), std::to_string(t.Total())});
                if (t.BytesPerSecond() > 0)
                    tile.detail += ", " + std::to_string(static_cast<long>(t.BytesPerSecond())) + " B/s";
                tile.progressShown = true;
                tile.position = t.Done();
                tile.maximum = t.Total();
            } else {
                tile.state = StepOf(s.step);
            }
            return tile;
        case PortActivity::Waiting:
        case PortActivity::Cooling:
            break;
    }
    // Idle: the last update's outcome and what to do with its controller stay in sight until the
    // next update starts; the line under them says what the port waits for.
    const std::string next = !served              ? Tr(text::kTileServeAgain)
                             : tile.waitsForLabel ? Tr(text::kTileLabelHint)
                             : s.activity == PortActivity::Cooling
                                 ? ""
                                 : std::string(Tr(text::kTileWaiting)) + " " + Tr(text::kTileWaitingDetail);
    switch (s.lastOutcome) {
        case SessionOutcome::None:
            tile.state = !served              ? Tr(text::kTileNotServed)
                         : tile.waitsForLabel ? Tr(text::kTileWaitingForLabel)
                                              : Tr(text::kTileWaiting);
            tile.detail = !served              ? Tr(text::kTileServeAtStart)
                          : tile.waitsForLabel ? Tr(text::kTileLabelHint)
                                               : Tr(text::kTileWaitingDetail);
            tile.kind = served ? TileKind::Waiting : TileKind::Idle;
            return tile;
        case SessionOutcome::Programmed:
            tile.state = std::string(Tr(text::kTileOk)) + "  " + Seconds(s.lastSeconds);
            tile.detail = next;
            tile.advice = Tr(text::kTileDone);
            tile.tone = TileTone::Good;
            tile.kind = TileKind::Good;
            return tile;
        case SessionOutcome::Stopped:
            tile.state = Tr(text::kTileStopped);
            tile.advice = Tr(text::kTileStoppedAdvice);
            if (FirmwareLeftIncomplete(s.lastOutcome, s.lastStep)) {
                tile.detail = std::string(Tr(text::kTileFirmwareIncomplete)) + "\n";
                tile.kind = TileKind::Failed;
                tile.tone = TileTone::Bad;
            } else {
                tile.kind = served ? TileKind::Waiting : TileKind::Idle;
            }
            tile.detail += next;
            if (!tile.detail.empty() && tile.detail.back() == '\n') tile.detail.pop_back();
            return tile;
        default:
            break;
    }
    tile.state = Tr(text::kTileFailed);
    tile.detail = TranslateText(SessionOutcomeText(s.lastOutcome)) + "\n" +
                  (s.lastHungUp ? TranslateText(PulledCableText(s)) + "\n" : "");
    // After the session's own line: that nothing answered, or that the firmware is now incomplete.
    if (s.lastOutcome == SessionOutcome::ConnectFail && !s.lastHungUp)
        tile.detail += std::string(Tr(text::kTileNothingAnswered)) + "\n";
    if (FirmwareLeftIncomplete(s.lastOutcome, s.lastStep))
        tile.detail += std::string(Tr(text::kTileFirmwareIncomplete)) + "\n";
    tile.detail += next;
    if (!tile.detail.empty() && tile.detail.back() == '\n') tile.detail.pop_back();
    tile.advice = Tr(text::kTilePutAside);
    tile.tone = TileTone::Bad;
    tile.kind = TileKind::Failed;
    return tile;
}

}  // namespace k5::app
