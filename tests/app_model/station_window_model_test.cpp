// The station window's model on in-memory ports, a simulated controller behind
// each: what Start refuses, what the tiles show, and the choices kept for next time.
#include "station_window_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <utility>

#include "event_loop.h"
#include "pack_builder.h"
#include "session/memory_station_port.h"
#include "support/temp_dir.h"
#include "window_texts.h"

namespace {

using namespace std::chrono_literals;
using k5::app::StationTile;
using k5::app::StationWindowView;
using k5::app::TileKind;
using k5::app::TileTone;
using Control = StationWindowView::Control;
using Field = StationWindowView::Field;
namespace text = k5::app::text;

class RecordingStationWindow : public StationWindowView {
  public:
    void SetField(Field field, const std::string& text) override { fields[field] = text; }
    void Enable(Control control, bool enabled) override { enabled_[control] = enabled; }
    void CheckFast(bool) override {}
    void CheckAutoSpeed(bool) override {}
    void SetPorts(const std::vector<k5::app::StationPortEntry>& entries) override { ports = entries; }
    void SetTiles(const std::vector<StationTile>& shown) override { tiles = shown; }
    void UpdateTile(std::size_t index, const StationTile& tile) override { tiles.at(index) = tile; }
    void Warning(const std::string& text) override { boxes.push_back(text); }
    bool Confirm(const std::string& text) override {
        boxes.push_back(text);
        return true;
    }
    std::optional<std::string> ChoosePackFile() override { return std::exchange(packFile, std::nullopt); }
    std::optional<std::string> ChooseRecordFile(const std::string&) override {
        return std::exchange(recordFile, std::nullopt);
    }
    void Ticking(bool) override {}
    void CloseWindow() override {}
    void SetTitle(const std::string& text) override { title = text; }
    std::optional<std::string> ChooseSetupFile(const std::string&) override {
        return std::exchange(setupFile, std::nullopt);
    }
    std::optional<std::string> AskText(const std::string&, const std::string&) override {
        return operatorName;
    }
    void AlertFailure() override { ++alerts; }

    bool Enabled(Control control) { return enabled_[control]; }
    // The names of the ticked ports, as listed.
    std::vector<std::string> Ticked() const {
        std::vector<std::string> names;
        for (const auto& entry : ports) {
            if (entry.checked) names.push_back(entry.label.substr(0, entry.label.find(' ')));
        }
        return names;
    }

    std::map<Field, std::string> fields;
    std::vector<k5::app::StationPortEntry> ports;
    std::vector<StationTile> tiles;
    std::vector<std::string> boxes;
    std::optional<std::string> packFile, recordFile, setupFile;  // what the next file dialog answers
    std::optional<std::string> operatorName;                     // the answer to the name's question
    std::string title;
    int alerts = 0;

  private:
    std::map<Control, bool> enabled_;
};

class StationWindowModelTest : public ::testing::Test {
  protected:
    StationWindowModelTest() {
        dir.WriteText("eBikeSet.ini",
                      "[Devices]\nCOM5=" + dir.File("com5") + "\nCOM6=" + dir.File("com6") + "\n");
    }
    // The window as it opens: `listed` are the ports there; a USB adapter stands behind COM5
    // (an in-memory port is its own device).
    std::unique_ptr<k5::app::StationWindowModel> Open() {
        k5::app::StationLookup lookup;
        lookup.ports = [this] {
            std::vector<k5::PortChoice> choices;
            for (const auto& name : listed)
                choices.push_back({name, k5::ResolvePortName(name, settings), "", true});
            return choices;
        };
        lookup.devices = [this] {
            k5::platform::SerialDeviceInfo adapter;
            adapter.device = "COM5";
            adapter.vendorId = "0403";
            adapter.productId = "6001";
            adapter.serial = "A5";
            return std::vector{adapter};
        };
        lookup.makePort = [this] {
            controllers.at(made).pace = false;
            return std::make_unique<k5::test::MemoryStationPort>(loop, controllers.at(made++));
        };
        return std::make_unique<k5::app::StationWindowModel>(window, loop, settings, portUse,
                                                             std::vector{dir.Path().string()}, lookup);
    }
    std::string Pack(std::uint16_t version = 308) {
        k5::sim::PackRecipe recipe;
        recipe.image = k5::sim::GenerateImage(2048);
        recipe.version = version;
        return dir.Write("fw.Pack", k5::sim::BuildPack(recipe));
    }
    // The pack, both ports and the record chosen.
    void Choose(k5::app::StationWindowModel& model) {
        window.packFile = Pack();
        model.ReadPackClick();
        model.PortToggled(0, true);
        model.PortToggled(1, true);
        window.recordFile = dir.File("record.csv");
        model.ChooseRecordClick();
    }
    // The choices made in a window that then closes.
    void ChooseAndClose() {
        auto model = Open();
        Choose(*model);
        ASSERT_TRUE(model->CloseRequested());
    }
    bool RunUntil(k5::app::StationWindowModel& model, const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            loop.RunFor(20ms);
            model.Tick();
            if (done()) return true;
        }
        return false;
    }

    k5::test::TempDir dir;
    k5::SettingsFile settings{dir.File("eBikeSet.ini")};
    k5::serial::EventLoop loop;
    k5::app::PortUse portUse;
    RecordingStationWindow window;
    std::vector<std::string> listed{"COM5", "COM6"};
    std::vector<k5::sim::SimOptions> controllers{{}, {}};  // behind the ports the station serves, in turn
    std::size_t made = 0;
};

TEST_F(StationWindowModelTest, StartIsRefusedWithoutAPackAFreePortOrARecord) {
    auto model = Open();
    model->StartClick();
    EXPECT_EQ(window.boxes.back(), text::kStationNoPack);

    window.packFile = Pack();
    model->ReadPackClick();
    EXPECT_EQ(window.fields[Field::PackFile], "fw.Pack");
    model->StartClick();
    EXPECT_EQ(window.boxes.back(), text::kStationNoPorts);

    model->PortToggled(1, true);
    portUse.SetSessionDevice(dir.File("com6"));
    model->StartClick();
    EXPECT_EQ(window.boxes.back(), std::string("COM6 ") + text::kStationPortTaken);
    portUse.ClearSessionDevice();

    window.recordFile = "";
    model->ChooseRecordClick();
    model->StartClick();
    EXPECT_EQ(window.boxes.back(), text::kStationNoRecord);
    EXPECT_FALSE(model->Running());
    EXPECT_EQ(made, 0u) << "no port was opened";
}

TEST_F(StationWindowModelTest, TheTilesFollowAnUpdateAndAPulledCableAndKeepTheirOutcomeOnceStopped) {
    controllers[1].unplugAfterBytes = 1000;
    auto model = Open();
    Choose(*model);
    model->StartClick();
    ASSERT_EQ(window.tiles.size(), 2u);
    EXPECT_FALSE(window.Enabled(Control::Start));
    EXPECT_TRUE(window.Enabled(Control::Stop));

    ASSERT_TRUE(RunUntil(*model,
                         [&] {
                             return window.tiles[0].tone == TileTone::Good &&
                                    window.tiles[1].detail.find(text::kTileNoPort) != std::string::npos;
                         }))
        << window.tiles[0].state << " / " << window.tiles[1].detail;
    EXPECT_EQ(window.tiles[0].title, "COM5  0403:6001 A5") << "its adapter";
    EXPECT_EQ(window.tiles[0].counts, "1 good, 0 failed");
    EXPECT_EQ(window.tiles[1].state, text::kTileFailed);
    EXPECT_EQ(window.tiles[1].tone, TileTone::Bad);
    EXPECT_EQ(window.tiles[1].detail.rfind("COM6 hung up", 0), 0u) << window.tiles[1].detail;
    EXPECT_NE(dir.ReadText("record.csv").find(",COM5,"), std::string::npos);
    // What to do with each controller, the station's total, and the failure heard.
    EXPECT_EQ(window.tiles[0].kind, TileKind::Good);
    EXPECT_EQ(window.tiles[0].advice, text::kTileDone);
    EXPECT_EQ(window.tiles[1].kind, TileKind::Failed);
    EXPECT_EQ(window.tiles[1].advice, text::kTilePutAside);
    EXPECT_EQ(window.fields[Field::Total], "1 good, 1 failed since Start");
    EXPECT_NE(window.fields[Field::PerUnit].find(" s per unit"), std::string::npos);
    EXPECT_EQ(window.alerts, 1);

    model->StopClick();
    ASSERT_TRUE(RunUntil(*model, [&] { return !model->Running(); }));
    EXPECT_TRUE(window.Enabled(Control::Start));
    EXPECT_EQ(window.fields[Field::Summary], text::kStationEndedSummary);
    EXPECT_EQ(window.tiles[0].detail, text::kTileServeAgain);
    EXPECT_EQ(window.tiles[1].state, text::kTileFailed) << "the failure stays in sight";
}

TEST_F(StationWindowModelTest, TheChoicesAreKeptAndATickedPortWhoseAdapterIsAwayStaysTicked) {
    ChooseAndClose();
    EXPECT_EQ(settings.ReadString("Station", "Pack"), dir.File("fw.Pack"));
    EXPECT_EQ(settings.ReadString("Station", "PackSha256")->size(), 64u);
    EXPECT_EQ(settings.ReadString("Station", "Record"), dir.File("record.csv"));
    EXPECT_EQ(settings.ReadString("Station", "Ports"), "COM5;COM6");

    listed = {"COM5"};
    auto model = Open();
    EXPECT_EQ(window.fields[Field::PackFile], "fw.Pack");
    EXPECT_EQ(window.fields[Field::RecordFile], dir.File("record.csv"));
    EXPECT_EQ(window.fields[Field::Summary], text::kStationIdleSummary);
    EXPECT_EQ(window.Ticked(), std::vector<std::string>{"COM5"});
    EXPECT_EQ(window.tiles.size(), 1u);
    listed = {"COM5", "COM6"};
    model->RefreshPortsClick();
    EXPECT_EQ(window.Ticked(), (std::vector<std::string>{"COM5", "COM6"}));
    EXPECT_EQ(window.tiles.size(), 2u);
}

TEST_F(StationWindowModelTest, APackChangedOrGoneSinceLastTimeIsSaidSo) {
    ChooseAndClose();
    Pack(309);
    Open();
    EXPECT_EQ(window.fields[Field::Version], "309");
    EXPECT_EQ(window.fields[Field::Summary].rfind(text::kStationPackChanged, 0), 0u)
        << window.fields[Field::Summary];

    std::filesystem::remove(dir.File("fw.Pack"));
    window.fields.clear();
    Open();
    EXPECT_EQ(window.fields[Field::PackFile], text::kStationNoPackYet);
    EXPECT_EQ(window.fields[Field::Summary].rfind(text::kStationPackGone, 0), 0u)
        << window.fields[Field::Summary];
}

// A set-up saved in the window opens a locked station: only Start, Stop and the
// labels work, the operator's name is asked at Start, and the record names the
// set-up, the operator and each update's label. A pack changed since is refused.
TEST_F(StationWindowModelTest, ASavedSetUpOpensLockedAndItsRecordNamesTheSetUpOperatorAndLabel) {
    {
        auto model = Open();
        Choose(*model);
        model->LabelRequiredToggled(true);
        window.setupFile = dir.File("Line 3");
        model->SaveSetupClick();
    }
    auto model = Open();
    ASSERT_TRUE(model->OpenSetup(dir.File("Line 3.k5station"))) << window.boxes.back();
    EXPECT_EQ(window.title, "K5 IAP Station - Line 3 (locked)");
    for (const Control c : {Control::ReadPack, Control::ChooseRecord, Control::Ports, Control::Fast,
                            Control::LabelRequired, Control::SaveSetup})
        EXPECT_FALSE(window.Enabled(c));
    EXPECT_TRUE(window.Enabled(Control::Start));
    ASSERT_EQ(window.tiles.size(), 2u);
    EXPECT_FALSE(model->LabelEntered(0, "K5\a"));
    EXPECT_EQ(window.tiles[0].labelProblem.rfind(text::kTileLabelRefused, 0), 0u);
    EXPECT_TRUE(model->LabelEntered(0, "K5-2412-00311"));
    EXPECT_EQ(window.tiles[0].label, "K5-2412-00311");
    EXPECT_EQ(window.tiles[0].labelProblem, "");
    model->StartClick();
    EXPECT_FALSE(model->Running()) << "no name given";
    window.operatorName = "Anna";
    model->StartClick();
    ASSERT_TRUE(model->Running());
    ASSERT_TRUE(RunUntil(*model, [&] { return window.tiles[0].kind == TileKind::Good; }));
    EXPECT_TRUE(window.tiles[1].waitsForLabel);
    EXPECT_EQ(window.tiles[1].state, text::kTileWaitingForLabel);
    model->StopClick();
    ASSERT_TRUE(RunUntil(*model, [&] { return !model->Running(); }));
    const std::string record = dir.ReadText("record.csv");
    EXPECT_NE(record.find(",K5-2412-00311,Line 3,,Anna\n"), std::string::npos) << record;
    EXPECT_EQ(record.find(",COM6,"), std::string::npos) << "no label, no update";
    model.reset();

    Pack(309);
    auto changed = Open();
    EXPECT_FALSE(changed->OpenSetup(dir.File("Line 3.k5station")));
    EXPECT_NE(window.boxes.back().find("is not the one the set-up was saved with"), std::string::npos)
        << window.boxes.back();
    changed->StartClick();
    EXPECT_FALSE(changed->Running());
}

}  // namespace
