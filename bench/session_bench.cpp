// End-to-end timing: a full-size image (131024 bytes) programmed through the
// paced simulator at 38400 baud, against the time the protocol itself needs.
//
// The protocol's own time for a bootloader that answers at once:
//   200 ms settle after opening, the probe and its reply on the line,
//   10 ms + 500 ms around the header, the image's line time, for each
//   1024-byte block the acknowledgement's line time and the 100 ms the
//   receiver takes to hand it over, the controller's check before its verdict
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

class NullView : public k5::SessionView {
  public:
    void AddLog(const std::string& text) override { std::printf("  log: %s\n", text.c_str()); }
    void ShowProgress(bool) override {}
    void SetProgressMax(std::uint32_t) override {}
    void SetProgressPosition(std::uint32_t) override {}
};

double ProtocolSeconds(std::uint32_t length, std::uint32_t baud, double verifySeconds) {
    const double byte = 10.0 / baud;
    const double delivery = 0.100;  // read interval time-out after the last byte
    const std::uint32_t chunks = (length + 15) / 16;
    const std::uint32_t acks = chunks / 64;
    const double connect = 0.200 + byte + 2 * byte + delivery;
    const double header = 0.010 + 0.500;
    const double image = chunks * 16 * byte + acks * (byte + delivery);
    const double verdict = verifySeconds + byte + delivery;
    const double closing = 0.600;
    return connect + header + image + verdict + closing;
}

}  // namespace

int main() {
    using Clock = std::chrono::steady_clock;
    constexpr std::uint32_t kLength = 131024;

    k5::sim::SimOptions options;
    options.pace = true;
    k5::sim::ControllerSim sim(options);

    k5::test::TempDir dir;
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(kLength);
    k5::PackStore pack;
    if (!pack.LoadPack(dir.Write("full.Pack", k5::sim::BuildPack(recipe)))) return 1;
    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM1=" + sim.DevicePath() + "\n");
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));

    k5::serial::EventLoop loop;
    k5::CommSessionPort port(loop, settings);
    NullView view;
    k5::IapSession session(port, pack, settings, view);
    session.SetFinishedCallback([&] { loop.Wake(); });

    sim.Start();
    std::printf("programming %u bytes at 38400 baud through the paced simulator\n", kLength);
    const auto start = Clock::now();
    session.BeginSession();
    loop.RunUntil([&] { return !session.Running(); }, std::chrono::minutes(5));
    const double measured = std::chrono::duration<double>(Clock::now() - start).count();
    sim.Stop();

    const double protocol = ProtocolSeconds(kLength, 38400, options.verifyDelayMs / 1000.0);
    const bool ok = session.LastOutcome() == k5::SessionOutcome::Programmed && sim.Report().imageMatches;
    std::printf("session         %8.3f s  (%s)\n", measured, ok ? "programmed, image matches" : "FAILED");
    std::printf("protocol needs  %8.3f s  (line %.3f s)\n", protocol, kLength / 3840.0);
    std::printf("overhead        %+8.3f s  (%+.2f %%)\n", measured - protocol,
                100.0 * (measured - protocol) / protocol);
    std::printf("effective rate  %8.0f B/s of the line's 3840 B/s\n", kLength / measured);
    return ok ? 0 : 1;
}
