// Session test rigs: a view that records what a session shows, and one
// session on an in-memory port with the simulated controller behind it.
#pragma once

#include <chrono>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "iap_session.h"
#include "memory_port.h"
#include "pack_builder.h"
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

// What every session test needs: a pack, a settings file, a view that records.
class SessionRig {
  public:
    explicit SessionRig(const sim::PackRecipe& recipe) : packBytes(sim::BuildPack(recipe)) {
        if (!pack.LoadPack(dir.Write("t.Pack", packBytes))) throw std::runtime_error("test pack rejected");
        dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n");
    }

    // A controller without line pacing: these tests are about the protocol, not its speed.
    static sim::SimOptions Unpaced() {
        sim::SimOptions options;
        options.pace = false;
        options.recordWire = true;
        return options;
    }

    static sim::PackRecipe DefaultRecipe(std::size_t length) {
        sim::PackRecipe recipe;
        recipe.image = sim::GenerateImage(length, static_cast<std::uint32_t>(length));
        recipe.transferKey = 0x3D;
        return recipe;
    }

    std::vector<std::uint8_t> packBytes;
    TempDir dir;
    PackStore pack;
    SettingsFile settings{dir.File("eBikeSet.ini")};
    RecordingView view;
};

// One session on an in-memory port with the simulated controller behind it.
class MemorySessionHarness : public SessionRig {
  public:
    explicit MemorySessionHarness(sim::SimOptions options,
                                  const sim::PackRecipe& recipe = DefaultRecipe(2064), TransferMode mode = {})
        : SessionRig(recipe), port(std::move(options)) {
        session.SetTransferMode(mode);
    }

    // Runs one session to its end; returns its log lines.
    std::vector<std::string> Run(std::chrono::seconds limit = std::chrono::seconds(60)) {
        if (!session.BeginSession()) throw std::runtime_error("session did not start");
        const auto start = std::chrono::steady_clock::now();
        session.WaitUntilIdle(limit);
        ended = std::chrono::steady_clock::now();
        elapsed = ended - start;
        return view.Logs();
    }

    MemoryPort port;
    IapSession session{port, pack, settings, view};
    std::chrono::steady_clock::time_point ended{};
    std::chrono::steady_clock::duration elapsed{};
};

}  // namespace k5::test
