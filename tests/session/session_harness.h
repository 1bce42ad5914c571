// One programming session against the simulated controller, in this process:
// the simulator on a pseudo-terminal, the serial component on its device, the
// event loop on the test's thread.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "controller_sim.h"
#include "event_loop.h"
#include "iap_session.h"
#include "pack_builder.h"
#include "port_names.h"
#include "support/temp_dir.h"

namespace k5::test {

class RecordingView : public SessionView {
  public:
    struct Progress {
        char what;  // 'S' show, 'H' hide, 'M' maximum, 'P' position
        std::uint32_t value;
    };

    void AddLog(const std::string& text) override {
        std::lock_guard lock(mutex_);
        if (!throwOn.empty() && text == throwOn) {
            throwOn.clear();
            throw std::runtime_error("view refused the line");
        }
        logs_.push_back(text);
    }
    void ShowProgress(bool visible) override { Push({visible ? 'S' : 'H', 0}); }
    void SetProgressMax(std::uint32_t m) override { Push({'M', m}); }
    void SetProgressPosition(std::uint32_t p) override { Push({'P', p}); }

    std::vector<std::string> Logs() {
        std::lock_guard lock(mutex_);
        return logs_;
    }
    std::vector<Progress> ProgressCalls() {
        std::lock_guard lock(mutex_);
        return progress_;
    }

    std::string throwOn;  // AddLog raises once for this text

  private:
    void Push(Progress p) {
        std::lock_guard lock(mutex_);
        progress_.push_back(p);
    }
    std::mutex mutex_;
    std::vector<std::string> logs_;
    std::vector<Progress> progress_;
};

class SessionHarness {
  public:
    explicit SessionHarness(sim::SimOptions options)
        : SessionHarness(std::move(options), DefaultRecipe(2064)) {}
    SessionHarness(sim::SimOptions options, const sim::PackRecipe& recipe)
        : packBytes(sim::BuildPack(recipe)) {
        options.recordWire = true;
        simulator = std::make_unique<sim::ControllerSim>(std::move(options));
        const std::string path = dir.Write("t.Pack", packBytes);
        if (!pack.LoadPack(path)) throw std::runtime_error("test pack rejected");
        dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n[Devices]\nCOM1=" + simulator->DevicePath() + "\n");
        AVS1.SetCommName("COM1");
        AVS1.SetPortResolver([this](const std::string& name) { return ResolvePortName(name, settings); });
        AVS1.OnReceiveData = [this](serial::TComm* s, const std::uint8_t* b, std::uint16_t n) {
            session.AVS1ReceiveData(s, b, n);
        };
        session.SetFinishedCallback([this] { loop.Wake(); });
        AVS1.OnRequestHangup = [this](serial::TComm*) {
            if (++hangups == 1) firstHangup = std::chrono::steady_clock::now();
            session.PortHungUp();
        };
    }
    ~SessionHarness() { simulator->Stop(); }

    // A controller without line pacing: these tests are about the protocol, not its speed.
    static sim::SimOptions Fast() {
        sim::SimOptions options;
        options.pace = false;
        return options;
    }

    static sim::PackRecipe DefaultRecipe(std::size_t length) {
        sim::PackRecipe recipe;
        recipe.image = sim::GenerateImage(length, static_cast<std::uint32_t>(length));
        recipe.transferKey = 0x3D;
        return recipe;
    }

    // Runs one session to its end; returns its log lines.
    std::vector<std::string> Run(std::chrono::seconds limit = std::chrono::seconds(60)) {
        simulator->Start();
        if (!session.BeginSession()) throw std::runtime_error("session did not start");
        const auto start = std::chrono::steady_clock::now();
        loop.RunUntil([this] { return !session.Running(); }, limit);
        ended = std::chrono::steady_clock::now();
        elapsed = ended - start;
        loop.RunPending();
        return view.Logs();
    }

    std::vector<std::uint8_t> packBytes;
    TempDir dir;
    std::unique_ptr<sim::ControllerSim> simulator;
    serial::EventLoop loop;
    serial::TComm AVS1{loop};
    PackStore pack;
    SettingsFile settings{dir.File("eBikeSet.ini")};
    RecordingView view;
    SessionState state;
    IapSession session{AVS1, pack, settings, view, state};
    int hangups = 0;
    std::chrono::steady_clock::time_point firstHangup{};
    std::chrono::steady_clock::time_point ended{};
    std::chrono::steady_clock::duration elapsed{};
};

}  // namespace k5::test
