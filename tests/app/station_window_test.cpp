// The station window against simulated controllers: two ports side by side,
// and closing the program while a station session runs.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <sstream>

#include "controller_sim.h"
#include "station_window.h"
#include "window_fixture.h"

namespace {

using k5::test::WindowTest;

class StationWindowTest : public WindowTest {
  protected:
    // Controllers behind COM5, COM6, ...; the station window open with a pack and a record.
    void OpenStation(std::vector<k5::sim::SimOptions> controllers) {
        std::string devices = "[Devices]\n";
        for (std::size_t i = 0; i < controllers.size(); ++i) {
            controllers[i].pace = false;
            sims.push_back(std::make_unique<k5::sim::ControllerSim>(controllers[i]));
            devices += "COM" + std::to_string(5 + i) + "=" + sims.back()->DevicePath() + "\n";
            sims.back()->Start();
        }
        dir.WriteText("eBikeSet.ini", devices);
        window->Station1->trigger();
        station = window->Station;
        ASSERT_NE(station, nullptr);
        k5::sim::PackRecipe recipe;
        recipe.image = k5::sim::GenerateImage(20000);
        prompts.files.push_back(QString::fromStdString(Pack("fw.Pack", recipe)));
        station->ReadPack->click();
        ASSERT_EQ(station->PackFile->text(), "fw.Pack");
        prompts.records.push_back(QString::fromStdString(dir.File("record.csv")));
        station->ChooseRecord->click();
        for (int row = 0; row < station->Ports->count(); ++row) {
            QListWidgetItem* item = station->Ports->item(row);
            if (item->text().startsWith("COM5 ") ||
                (controllers.size() > 1 && item->text().startsWith("COM6 ")))
                item->setCheckState(Qt::Checked);
        }
    }
    QString State(std::size_t tile) const { return station->Tiles.at(tile)->State->text(); }
    std::vector<std::string> RecordLines() {
        std::vector<std::string> lines;
        std::istringstream text(dir.ReadText("record.csv"));
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }
    void TearDown() override {
        window.reset();  // the station first: its ports lead to the simulators
        for (auto& sim : sims) sim->Stop();
    }

    std::vector<std::unique_ptr<k5::sim::ControllerSim>> sims;
    k5::app::StationWindow* station = nullptr;
};

TEST_F(StationWindowTest, TwoPortsABootloaderAtOnceAndARunningFirmwareOnRequest) {
    k5::sim::SimOptions bootloader, firmware;
    firmware.firmware = true;
    OpenStation({bootloader, firmware});
    station->Start->click();
    ASSERT_EQ(station->Tiles.size(), 2u);
    EXPECT_FALSE(station->ReadPack->isEnabled());

    // The bootloader answers a probe and is programmed on its own; the firmware waits for the click.
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(0).startsWith("Programming"); }, 10000))
        << State(0).toStdString();
    EXPECT_TRUE(State(1).startsWith("Waiting")) << State(1).toStdString();
    station->ProgramRunning->click();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return State(0).startsWith("OK") && State(1).startsWith("OK"); }, 60000))
        << State(0).toStdString() << " / " << State(1).toStdString();
    EXPECT_EQ(station->Tiles[0]->Counts->text(), "1 good, 0 failed");

    const auto lines = RecordLines();
    ASSERT_EQ(lines.size(), 3u) << "a header and a line for each update";
    EXPECT_NE(lines[1].find(",COM5,"), std::string::npos);
    EXPECT_NE(lines[2].find(",COM6,"), std::string::npos);
    EXPECT_NE(lines[2].find("MCU Restarting..."), std::string::npos) << "the firmware was restarted";
    for (auto& sim : sims) EXPECT_TRUE(sim->Report().imageMatches);

    station->Stop->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return station->Start->isEnabled(); }, 5000));
}

// A tile's Program starts that port alone; the speed choice is the settings' until changed.
TEST_F(StationWindowTest, ATilesProgramStartsThatPortAlone) {
    k5::sim::SimOptions firmware;
    firmware.firmware = true;
    OpenStation({firmware, firmware});
    EXPECT_FALSE(station->AutoSpeed->isChecked());
    station->Start->click();
    ASSERT_EQ(station->Tiles.size(), 2u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return station->Tiles[1]->Program->isEnabled(); }, 5000));
    station->Tiles[1]->Program->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(1).startsWith("OK"); }, 60000)) << State(1).toStdString();
    EXPECT_TRUE(State(0).startsWith("Waiting")) << State(0).toStdString();
    EXPECT_EQ(sims[0]->Report().entryCommands, 0) << "its neighbour was never started";
    EXPECT_TRUE(station->Tiles[1]->Program->isEnabled()) << "it can be programmed again";
    station->Stop->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return station->Start->isEnabled(); }, 5000));
    EXPECT_FALSE(station->Tiles[1]->Program->isEnabled());
    // Nothing listens any more: the outcome stays, the hints say what Start does.
    EXPECT_TRUE(State(1).startsWith("OK"));
    EXPECT_EQ(station->Tiles[1]->Detail->text(), "Start serves this port again");
    EXPECT_EQ(State(0), "Not served");
}

TEST_F(StationWindowTest, ClosingTheProgramDuringAnUpdateAsksThenStopsAndRecordsIt) {
    k5::sim::SimOptions silent;
    silent.noProbeAnswer = true;
    OpenStation({silent});
    station->Start->click();
    station->ProgramRunning->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(0) == "Connecting"; }, 5000)) << State(0).toStdString();

    prompts.confirm = false;
    EXPECT_FALSE(window->close());
    ASSERT_FALSE(prompts.boxes.empty());
    EXPECT_EQ(prompts.boxes.back().text, k5::app::text::kStationCloseQuestion);
    EXPECT_EQ(window->Station, station) << "no: both windows stay";

    prompts.confirm = true;
    EXPECT_FALSE(window->close()) << "yes: the station stops first";
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Station == nullptr && !window->isVisible(); }, 10000));
    const auto lines = RecordLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(",Stopped,"), std::string::npos) << lines[1];
}

TEST_F(StationWindowTest, AnUpdateThatEndsWhileTheCloseQuestionShowsIsNotStopped) {
    OpenStation({k5::sim::SimOptions{}});
    station->Start->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(0).startsWith("Programming"); }, 10000));
    bool ended = false;
    prompts.whileAsking = [&] { ended = QTest::qWaitFor([&] { return State(0).startsWith("OK"); }, 60000); };
    EXPECT_TRUE(station->close()) << "nothing left to stop: it closes at once";
    EXPECT_TRUE(ended) << "the update ended while the question showed";
    const auto lines = RecordLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("Program sucessully"), std::string::npos) << lines[1];
}

TEST_F(StationWindowTest, AFileThatIsNoRecordIsRefusedAtStartAndLeftAsItWas) {
    OpenStation({k5::sim::SimOptions{}});
    const std::string pack = dir.File("fw.Pack");
    const std::string before = dir.ReadText("fw.Pack");
    prompts.records.push_back(QString::fromStdString(pack));  // chosen by mistake in the save dialog
    station->ChooseRecord->click();
    station->Start->click();
    ASSERT_FALSE(prompts.boxes.empty());
    EXPECT_TRUE(prompts.boxes.back().text.contains("left as it was"))
        << prompts.boxes.back().text.toStdString();
    EXPECT_TRUE(station->Start->isEnabled()) << "nothing started";
    EXPECT_EQ(dir.ReadText("fw.Pack"), before);
}

TEST_F(StationWindowTest, TheRecordStartsInTheHomeFolderWhereThereIsNoDocumentsFolder) {
    // A home without a Documents folder, as many Linux systems have.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(dir.Path().string()));
    window->Station1->trigger();
    qputenv("HOME", home);
    ASSERT_NE(window->Station, nullptr);
    EXPECT_EQ(window->Station->RecordFile->text().toStdString(), dir.File("k5-station-record.csv"));
}

}  // namespace
