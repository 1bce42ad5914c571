// Ports side by side: a full image (131024 bytes) through the paced simulator
// on one port alone, then on eight ports at once in one station, each port's
// time against the lone one's. On a two-core machine eight sessions (and eight
// simulated controllers) share two cores: the chunk pause must not slow them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "controller_sim.h"
#include "event_loop.h"
#include "pack_builder.h"
#include "station.h"
#include "support/temp_dir.h"

namespace {

constexpr std::uint32_t kLength = 131024;

// Runs one station over `ports` simulated bootloaders until each has had one update; the seconds of each.
std::vector<double> RunStation(int ports, const k5::PackStore& pack, k5::test::TempDir& dir, bool fast) {
    std::vector<std::unique_ptr<k5::sim::ControllerSim>> sims;
    k5::StationOptions options;
    for (int i = 0; i < ports; ++i) {
        k5::sim::SimOptions sim;
        sim.pace = true;
        sims.push_back(std::make_unique<k5::sim::ControllerSim>(sim));
        options.ports.push_back(sims.back()->DevicePath());
        sims.back()->Start();
    }
    options.mode.fast = fast;
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    k5::serial::EventLoop loop;
    std::vector<double> seconds(ports, 0);
    int ended = 0;
    k5::Station station(loop, settings, pack, {}, options, nullptr, [&](k5::StationRecord& r) {
        for (int i = 0; i < ports; ++i) {
            if (options.ports[i] == r.port) seconds[i] = r.outcome == "Program sucessully" ? r.seconds : -1;
        }
        if (++ended == ports) loop.Post([&station] { station.Quit(); });
        return true;
    });
    while (!station.Finished()) {
        loop.RunFor(std::chrono::milliseconds(50));
        station.Tick();
    }
    for (auto& sim : sims) sim->Stop();
    return seconds;
}

}  // namespace

int main() {
    k5::test::TempDir dir;
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(kLength);
    k5::PackStore pack;
    if (!pack.LoadPack(dir.Write("full.Pack", k5::sim::BuildPack(recipe)))) return 1;

    bool ok = true;
    for (const bool fast : {false, true}) {
        const double lone = RunStation(1, pack, dir, fast)[0];
        const auto eight = RunStation(8, pack, dir, fast);
        std::printf("%s mode: lone port %.3f s\n", fast ? "fast" : "standard", lone);
        double slowest = 0;
        for (std::size_t i = 0; i < eight.size(); ++i) {
            std::printf("  port %zu of 8: %.3f s (%+.2f %%)\n", i + 1, eight[i],
                        100.0 * (eight[i] - lone) / lone);
            ok = ok && eight[i] > 0;
            slowest = std::max(slowest, eight[i]);
        }
        std::printf("  slowest of 8: %+.2f %% against the lone port\n", 100.0 * (slowest - lone) / lone);
        ok = ok && lone > 0;
    }
    return ok ? 0 : 1;
}
