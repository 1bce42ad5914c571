// The station window against simulated controllers: two ports side by side,
// and closing the program while a station session runs.
#include <sys/stat.h>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "controller_sim.h"
#include "station_layout.h"
#include "station_window.h"
#include "window_fixture.h"
#include "window_style.h"
#include "window_texts.h"

namespace {

using k5::test::WindowTest;

// Whether a label shows all of its text: on its one line, or wrapped within its height.
bool ShowsAllOf(const QLabel* label) {
    if (label->wordWrap()) return label->heightForWidth(label->contentsRect().width()) <= label->height();
    return label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width();
}

class StationWindowTest : public WindowTest {
  protected:
    // Controllers behind COM5, COM6, ...; the station window open with a pack and a record.
    void OpenStation(std::vector<k5::sim::SimOptions> controllers) {
        dir.WriteText("eBikeSet.ini", StartControllers(controllers));
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
    // Controllers behind COM5, COM6, ...: the settings file's [Devices] for them.
    std::string StartControllers(std::vector<k5::sim::SimOptions> controllers) {
        std::string devices = "[Devices]\n";
        for (std::size_t i = 0; i < controllers.size(); ++i) {
            controllers[i].pace = false;
            sims.push_back(std::make_unique<k5::sim::ControllerSim>(controllers[i]));
            devices += "COM" + std::to_string(5 + i) + "=" + sims.back()->DevicePath() + "\n";
            sims.back()->Start();
        }
        return devices;
    }
    void ReopenStation() {
        ASSERT_TRUE(station->close());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->Station == nullptr; }, 5000));
        window->Station1->trigger();
        station = window->Station;
        ASSERT_NE(station, nullptr) << (prompts.boxes.empty() ? "" : prompts.boxes.back().text.toStdString());
    }
    QStringList Ticked() const {
        QStringList names;
        for (int row = 0; row < station->Ports->count(); ++row) {
            if (station->Ports->item(row)->checkState() == Qt::Checked)
                names << station->Ports->item(row)->text().section(' ', 0, 0);
        }
        return names;
    }
    QString State(std::size_t tile) const { return station->Tiles.at(tile)->State->text(); }
    QString Detail(std::size_t tile) const { return station->Tiles.at(tile)->Detail->text(); }
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

TEST_F(StationWindowTest, OpensWithRoomForItsTilesAndFlowsThemIntoTheColumnsThatFit) {
    dir.WriteText("eBikeSet.ini", StartControllers({{}, {}, {}}) + "[Station]\nPorts=COM5;COM6;COM7\n");
    window->Station1->trigger();
    station = window->Station;
    ASSERT_NE(station, nullptr);
    ASSERT_EQ(station->Tiles.size(), 3u) << "a tile for each port ticked last time";
    QApplication::processEvents();
    const QRect screen = station->screen()->availableGeometry();
    EXPECT_LE(station->width(), screen.width());
    EXPECT_LE(station->height(), screen.height());

    const QWidget* viewport = station->Tiles[0]->parentWidget()->parentWidget();
    const auto inFirstRow = [&] {
        QApplication::processEvents();
        return std::count_if(station->Tiles.begin(), station->Tiles.end(),
                             [&](const QWidget* tile) { return tile->y() == station->Tiles[0]->y(); });
    };
    const auto fitting = [&] {
        return std::min(3, k5::app::station_layout::Columns(viewport->width(), k5::app::style::kTileWidth));
    };
    EXPECT_EQ(inFirstRow(), fitting()) << "as many columns as the screen has room for";
    for (const auto* tile : station->Tiles) {
        const QRect shown(tile->mapTo(viewport, QPoint(0, 0)), tile->size());
        if (inFirstRow() == 3) {
            EXPECT_TRUE(viewport->rect().contains(shown)) << "every tile in sight";
        }
        for (const QLabel* label : std::initializer_list<const QLabel*>{
                 tile->Title, tile->State, tile->Detail, tile->Advice, tile->Counts})
            EXPECT_TRUE(ShowsAllOf(label)) << label->text().toStdString();
    }
    EXPECT_TRUE(ShowsAllOf(station->Summary)) << station->Summary->text().toStdString();

    station->resize(station->minimumSizeHint().width(), station->height());
    EXPECT_EQ(inFirstRow(), 1) << "narrow: one column";
    EXPECT_TRUE(ShowsAllOf(station->Summary)) << "wrapped";
    station->resize(1100, 600);
    EXPECT_EQ(inFirstRow(), 3) << "wide: side by side";
}

TEST_F(StationWindowTest, ThePackTheRecordAndThePortsAreChosenAgainWhenTheWindowOpensAgain) {
    OpenStation({{}, {}});
    ReopenStation();
    EXPECT_EQ(station->PackFile->text(), "fw.Pack");
    EXPECT_EQ(station->RecordFile->text().toStdString(), dir.File("record.csv"));
    EXPECT_EQ(Ticked(), (QStringList{"COM5", "COM6"}));
    EXPECT_EQ(station->Tiles.size(), 2u);
    EXPECT_EQ(station->Summary->text(), k5::app::text::kStationIdleSummary);

    // A ticked port whose adapter is away stays ticked for when it is back.
    const std::string com6 = *settings.ReadString("Devices", "COM6");
    settings.WriteString("Devices", "COM6", dir.File("unplugged"));
    ReopenStation();
    EXPECT_EQ(Ticked(), QStringList{"COM5"});
    settings.WriteString("Devices", "COM6", com6);
    station->RefreshPorts->click();
    EXPECT_EQ(Ticked(), (QStringList{"COM5", "COM6"}));

    // A new start of the program reads them from the settings file.
    k5::sim::PackRecipe newer;
    newer.image = k5::sim::GenerateImage(1000);
    newer.version = 309;
    Pack("fw.Pack", newer);
    ASSERT_TRUE(station->close());
    window = std::make_unique<k5::app::TF_UpdateDispController>(settings, prompts, store);
    window->Station1->trigger();
    station = window->Station;
    ASSERT_NE(station, nullptr);
    EXPECT_EQ(station->Version->text(), "309");
    EXPECT_TRUE(station->Summary->text().startsWith(k5::app::text::kStationPackChanged))
        << station->Summary->text().toStdString();
    EXPECT_EQ(Ticked(), (QStringList{"COM5", "COM6"}));

    std::filesystem::remove(dir.File("fw.Pack"));
    ReopenStation();
    EXPECT_EQ(station->PackFile->text(), k5::app::text::kStationNoPackYet);
    EXPECT_TRUE(station->Summary->text().startsWith(k5::app::text::kStationPackGone))
        << station->Summary->text().toStdString();
    // A FIFO in its place is read without waiting for a writer, and said to be one.
    ASSERT_EQ(::mkfifo(dir.File("fw.Pack").c_str(), 0600), 0);
    ASSERT_TRUE(station->close());  // which forgets the pack that was gone
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Station == nullptr; }, 5000));
    settings.WriteString("Station", "Pack", dir.File("fw.Pack"));
    window->Station1->trigger();
    station = window->Station;
    ASSERT_NE(station, nullptr);
    EXPECT_TRUE(
        station->Summary->text().endsWith("fw.Pack: File access denied (not a regular file: a FIFO)."))
        << station->Summary->text().toStdString();
    station->Start->click();
    ASSERT_FALSE(prompts.boxes.empty());
    EXPECT_EQ(prompts.boxes.back().text, k5::app::text::kStationNoPack);
}

// A scanner types the label into the tile's field, then Enter: the field is emptied for the next
// scan, the tile says the label waits for the update, and the update's record line carries it.
TEST_F(StationWindowTest, ALabelScannedIntoATileGoesIntoTheRecord) {
    OpenStation({k5::sim::SimOptions{}});
    ASSERT_EQ(station->Tiles.size(), 1u);
    QLineEdit* field = station->Tiles[0]->LabelField;
    QTest::keyClicks(field, "K5-2412-00311");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(station->Tiles[0]->LabelNote->text().contains("K5-2412-00311"))
        << station->Tiles[0]->LabelNote->text().toStdString();
    station->Start->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return State(0).startsWith("OK"); }, 60000)) << State(0).toStdString();
    EXPECT_EQ(station->Tiles[0]->Unit->text(), "K5-2412-00311") << "shown with its outcome";
    const auto lines = RecordLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find(",K5-2412-00311,"), std::string::npos) << lines[1];
    station->Stop->click();
}

// A set-up saved from the window and opened as a double-click opens it: the window is locked, its
// title says so with the set-up's name, and it shows the pack, the ports and the record with no way
// to change them; the label fields and Start stay.
TEST_F(StationWindowTest, ASetUpOpenedAsADoubleClickLocksTheWindow) {
    OpenStation({{}, {}});
    prompts.setups.push_back(QString::fromStdString(dir.File("Line 3.k5station")));
    station->SaveSetup->click();
    ASSERT_TRUE(station->close());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Station == nullptr; }, 5000));

    window->OpenPackFile(QString::fromStdString(dir.File("Line 3.k5station")));
    station = window->Station;
    ASSERT_NE(station, nullptr);
    EXPECT_TRUE(station->windowTitle().contains("Line 3 (locked)")) << station->windowTitle().toStdString();
    EXPECT_EQ(station->PackFile->text(), "fw.Pack");
    EXPECT_EQ(station->RecordFile->text().toStdString(), dir.File("record.csv"));
    EXPECT_TRUE(station->PackFile->isReadOnly() && station->RecordFile->isReadOnly());
    ASSERT_EQ(station->Ports->count(), 2) << "the set-up's ports alone";
    for (int row = 0; row < station->Ports->count(); ++row)
        EXPECT_FALSE(station->Ports->item(row)->flags() & Qt::ItemIsUserCheckable);
    for (const QWidget* choice : std::initializer_list<const QWidget*>{
             station->ReadPack, station->ChooseRecord, station->RefreshPorts, station->Fast,
             station->AutoSpeed, station->LabelRequired, station->SaveSetup})
        EXPECT_FALSE(choice->isVisibleTo(station) && choice->isEnabled())
            << choice->metaObject()->className();
    EXPECT_TRUE(station->Start->isEnabled());
    ASSERT_EQ(station->Tiles.size(), 2u);
    EXPECT_TRUE(station->Tiles[1]->LabelField->isEnabled());
}

TEST_F(StationWindowTest, APulledCableLeavesTheFailureAndWhyOnTheTile) {
    k5::sim::SimOptions pulled;
    pulled.unplugAfterBytes = 6000;
    OpenStation({pulled});
    station->Start->click();
    // The failure first, then the port's absence under it once the station has looked for it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Detail(0).contains("No port"); }, 30000))
        << Detail(0).toStdString();
    const QString device = QString::fromStdString(sims[0]->DevicePath());
    EXPECT_EQ(State(0), "Failed");
    EXPECT_TRUE(Detail(0).startsWith(device + " hung up: is the cable still plugged in?\nNo port"))
        << Detail(0).toStdString();
    EXPECT_TRUE(ShowsAllOf(station->Tiles[0]->Detail)) << Detail(0).toStdString();
    station->Stop->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return station->Start->isEnabled(); }, 5000));
    EXPECT_EQ(State(0), "Failed") << "it stays once the station has stopped";
    EXPECT_TRUE(Detail(0).startsWith(device + " hung up")) << Detail(0).toStdString();
}

}  // namespace
