// End-to-end timing: a full-size image (131024 bytes) programmed through the
// paced simulator at 38400 baud, in the standard and in the fast transfer
// mode, each against its own model and against the line's limit.
//
// The model for a bootloader that answers at once:
//   200 ms settle after opening, the probe and its reply on the line,
//   10 ms + 500 ms around the header, the image's line time, for each
//   1024-byte block the acknowledgement's line time and its delivery (the
//   read interval time-out: 100 ms standard, 1 ms fast) and in fast mode the
//   guard before the next chunk, the controller's check before its verdict
//   (the simulator's, 250 ms) and the verdict's delivery, and the 500 + 100 ms
//   of closing.
#include <chrono>
#include <cstdio>

#include "comm_session_port.h"
#include "controller_sim.h"
#include "event_loop.h"
#include "iap_session.h"
#include "pack_builder.h"
#include "support/temp_dir.h"

namespace {

constexpr std::uint32_t kLength = 131024;
constexpr std::uint32_t kBaud = 38400;

class NullView : public k5::SessionView {
  public:
    void AddLog(const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t) override {}
    void SetProgressPosition(std::uint32_t) override {}
};

double ModelSeconds(const k5::TransferMode& mode, double verifySeconds) {
    const double byte = 10.0 / kBaud;
    const double delivery = (mode.fast ? k5::kFastReadIntervalMs : k5::kStandardReadIntervalMs) / 1000.0;
    const double guard = mode.fast ? std::chrono::duration<double>(mode.ackGuard).count() : 0.0;
    const std::uint32_t chunks = (kLength + 15) / 16;
    const std::uint32_t acks = chunks / 64;
    const std::uint32_t guards = chunks % 64 == 0 ? acks - 1 : acks;  // none after the last chunk
    const double connect = 0.200 + byte + 2 * byte + delivery;
    const double header = 0.010 + 0.500;
    const double image = chunks * 16 * byte + acks * (byte + delivery) + guards * guard;
    const double verdict = verifySeconds + byte + delivery;
    const double closing = 0.600;
    return connect + header + image + verdict + closing;
}

struct Run {
    double seconds = 0;
    bool ok = false;
};

Run Program(const k5::TransferMode& mode, const k5::PackStore& pack, k5::test::TempDir& dir,
            const k5::sim::SimOptions& options) {
    k5::sim::ControllerSim sim(options);
    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM1=" + sim.DevicePath() + "\n");
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    k5::serial::EventLoop loop;
    k5::CommSessionPort port(loop, settings);
    NullView view;
    k5::IapSession session(port, pack, settings, view);
    session.SetTransferMode(mode);
    session.SetFinishedCallback([&] { loop.Wake(); });

    sim.Start();
    const auto start = std::chrono::steady_clock::now();
    session.BeginSession();
    loop.RunUntil([&] { return !session.Running(); }, std::chrono::minutes(5));
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sim.Stop();
    run.ok = session.LastOutcome() == k5::SessionOutcome::Programmed && sim.Report().imageMatches;
    return run;
}

}  // namespace

int main() {
    k5::sim::SimOptions options;
    options.pace = true;
    k5::test::TempDir dir;
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(kLength);
    k5::PackStore pack;
    if (!pack.LoadPack(dir.Write("full.Pack", k5::sim::BuildPack(recipe)))) return 1;

    const double line = kLength * 10.0 / kBaud;
    std::printf("programming %u bytes at %u baud through the paced simulator (line limit %.3f s)\n", kLength,
                kBaud, line);
    std::printf("%-9s %10s %10s %10s %12s\n", "mode", "measured", "model", "vs model", "line share");
    bool allOk = true;
    for (const k5::TransferMode mode : {k5::TransferMode{false}, k5::TransferMode{true}}) {
        const Run run = Program(mode, pack, dir, options);
        const double model = ModelSeconds(mode, options.verifyDelayMs / 1000.0);
        std::printf("%-9s %9.3fs %9.3fs %+9.2f%% %11.1f%%  %s\n", mode.fast ? "fast" : "standard",
                    run.seconds, model, 100.0 * (run.seconds - model) / model, 100.0 * line / run.seconds,
                    run.ok ? "programmed, image matches" : "FAILED");
        allOk = allOk && run.ok;
    }
    return allOk ? 0 : 1;
}
