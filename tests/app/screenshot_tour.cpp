// Takes the screenshots of the desktop program that the README and reviews use:
// after start-up, after a pack is loaded, while and after programming the
// simulated controller, of the port dialog and of the station (with "--line":
// only the station on a production line). Run under X (Xvfb): it grabs
// the screen as the X server shows it.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "controller_sim.h"
#include "fonts.h"
#include "gauge.h"
#include "p_UartSet.h"
#include "p_UpdateDispController.h"
#include "pack_builder.h"
#include "scripted_prompts.h"
#include "station_window.h"
#include "support/temp_dir.h"
#include "ui_language.h"

namespace {

void Settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Shoot(QWidget& window, const QString& file) {
    Settle(300);
    QScreen* screen = window.screen();
    const QPixmap shot = screen->grabWindow(0).copy(window.frameGeometry());
    const bool ok = shot.save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", file.toLocal8Bit().constData());
    return ok;
}

// The station on a production line (a screen of 1920 x 1200 or more): a set-up saved from the station
// window and opened as a double-click opens it, locked; labels scanned into three tiles (the fourth
// waits for one); then four ports filling a 1600 x 1000 window, one failed, one good.
int LineTour(const QString& out) {
    k5::test::TempDir dir;
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(32768);
    recipe.version = 309;
    const std::string pack = dir.Write("K5-Firmware-V309.Pack", k5::sim::BuildPack(recipe));
    k5::sim::SimOptions failing, slow;
    failing.noVerdict = true;
    slow.flashDelayMs = 25;
    k5::sim::ControllerSim good({}), bad(failing), later(slow), idle({});
    std::string devices = "[Uart]\nPort=1\n[Devices]\n";
    int com = 5;
    for (auto* controller : {&good, &bad, &later, &idle}) {
        controller->Start();
        devices += "COM" + std::to_string(com++) + "=" + controller->DevicePath() + "\n";
    }
    dir.WriteText("eBikeSet.ini", devices);
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    k5::test::ScriptedPrompts prompts;
    k5::PackStore store;
    k5::app::TF_UpdateDispController window(settings, prompts, store);
    window.show();

    // The engineer: pack, ports, record and the label rule, saved as "Line 3.k5station".
    window.Station1->trigger();
    k5::app::StationWindow* station = window.Station;
    prompts.files.push_back(QString::fromStdString(pack));
    station->ReadPack->click();
    prompts.records.push_back(QString::fromStdString(dir.File("Line 3 record.csv")));
    station->ChooseRecord->click();
    for (int row = 0; row < station->Ports->count(); ++row) {
        QListWidgetItem* item = station->Ports->item(row);
        if (item->text().startsWith("COM5 ") || item->text().startsWith("COM6 ") ||
            item->text().startsWith("COM7 ") || item->text().startsWith("COM8 "))
            item->setCheckState(Qt::Checked);
    }
    station->LabelRequired->setChecked(true);
    const std::string setup = dir.File("Line 3.k5station");
    prompts.setups.push_back(QString::fromStdString(setup));
    station->SaveSetup->click();
    station->close();
    Settle(300);
    dir.WriteText("Line 3.k5station", dir.ReadText("Line 3.k5station") + "WorkOrder=WO-2412-17\n");

    // The operator: the set-up double-clicked, three labels scanned, Start with their name.
    window.OpenPackFile(QString::fromStdString(setup));
    Settle(300);
    station = window.Station;
    if (station == nullptr || station->Tiles.size() != 4) return 1;
    station->move(20, 20);
    const auto scan = [&](std::size_t tile, const char* label) {
        station->Tiles[tile]->LabelField->setFocus();
        QTest::keyClicks(station->Tiles[tile]->LabelField, label);
        QTest::keyClick(station->Tiles[tile]->LabelField, Qt::Key_Return);
    };
    scan(0, "K5-2412-00311");
    scan(1, "K5-2412-00312");
    prompts.answers.push_back("J. Novak");
    station->Start->click();
    QElapsedTimer timer;
    timer.start();
    while (station->Tiles[0]->Progress->PercentDone() < 40 && timer.elapsed() < 60000) Settle(50);
    scan(2, "K5-2412-00313");
    Settle(500);
    bool ok = Shoot(*station, out + "/16-station-locked.png");

    // 1600 x 1000 with its frame.
    const QSize frame = station->frameGeometry().size() - station->size();
    station->resize(QSize(1600, 1000) - frame);
    while (!(station->Tiles[0]->State->text().startsWith("OK") &&
             station->Tiles[1]->State->text().startsWith("Failed") &&
             station->Tiles[2]->Progress->PercentDone() >= 30) &&
           timer.elapsed() < 120000) {
        Settle(50);
    }
    ok &= Shoot(*station, out + "/17-station-line.png");
    station->Stop->click();
    Settle(300);
    for (auto* controller : {&good, &bad, &later, &idle}) controller->Stop();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // K5_LANGUAGE=de: the windows in that language, as [Ui] Language=de has them.
    if (const char* language = std::getenv("K5_LANGUAGE")) k5::app::UseLanguage(language);
    const QString out = argc > 1 ? argv[1] : "build/screenshots";
    QDir().mkpath(out);
    k5::app::InstallFontSubstitutes();
    application.setFont(k5::app::WindowFont());
    if (argc > 2 && QString(argv[2]) == "--line") return LineTour(out);

    k5::sim::SimOptions options;
    options.firmware = true;
    k5::sim::ControllerSim sim(options);
    sim.Start();

    k5::test::TempDir dir;
    k5::sim::PackRecipe recipe;
    recipe.image = k5::sim::GenerateImage(16384);
    const std::string pack = dir.Write("K5-Firmware-V308.Pack", k5::sim::BuildPack(recipe));
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n[Devices]\nCOM1=" + sim.DevicePath() + "\n");
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    k5::test::ScriptedPrompts prompts;
    prompts.files.push_back(QString::fromStdString(pack));
    k5::PackStore store;

    k5::app::TF_UpdateDispController window(settings, prompts, store);
    window.show();
    bool ok = Shoot(window, out + "/1-start.png");

    window.Btn_ReadUserPack->click();
    ok &= Shoot(window, out + "/2-pack-loaded.png");

    window.Btn_SendToController->click();
    QElapsedTimer timer;
    timer.start();
    while (window.Gauge1->PercentDone() < 40 && timer.elapsed() < 60000) Settle(50);
    ok &= Shoot(window, out + "/3-programming.png");
    while (window.SessionRunning() && timer.elapsed() < 90000) Settle(100);
    ok &= Shoot(window, out + "/4-finished.png");

    QTimer::singleShot(500, [&] {
        if (k5::app::F_UartSet) {
            Settle(200);
            const QPixmap shot = k5::app::F_UartSet->screen()->grabWindow(0).copy(
                k5::app::F_UartSet->frameGeometry().united(window.frameGeometry()));
            ok &= shot.save(out + "/5-port-dialog.png");
            std::printf("wrote %s/5-port-dialog.png\n", out.toLocal8Bit().constData());
            k5::app::F_UartSet->Button2->click();
        }
    });
    window.UartPort1Click();
    sim.Stop();

    // The station: three bootloaders side by side; one never gives its verdict, one's cable is pulled.
    k5::sim::SimOptions failing, pulled;
    failing.noVerdict = true;
    pulled.unplugAfterBytes = 6000;
    k5::sim::ControllerSim good({}), bad(failing), gone(pulled);
    for (auto* controller : {&good, &bad, &gone}) controller->Start();
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n[Devices]\nCOM5=" + good.DevicePath() +
                                      "\nCOM6=" + bad.DevicePath() + "\nCOM7=" + gone.DevicePath() + "\n");
    // Chosen once, then closed: the window opens again with them.
    window.Station1->trigger();
    prompts.files.push_back(QString::fromStdString(pack));
    window.Station->ReadPack->click();
    prompts.records.push_back(QString::fromStdString(dir.File("station-record.csv")));
    window.Station->ChooseRecord->click();
    for (int row = 0; row < window.Station->Ports->count(); ++row) {
        QListWidgetItem* item = window.Station->Ports->item(row);
        if (item->text().startsWith("COM5 ") || item->text().startsWith("COM6 ") ||
            item->text().startsWith("COM7 "))
            item->setCheckState(Qt::Checked);
    }
    window.Station->close();
    Settle(300);
    window.Station1->trigger();
    k5::app::StationWindow& station = *window.Station;
    station.move(20, 20);
    ok &= Shoot(station, out + "/6-station-opened.png");
    station.Start->click();
    timer.restart();
    while (station.Tiles.at(0)->Progress->PercentDone() < 40 && timer.elapsed() < 60000) Settle(50);
    ok &= Shoot(station, out + "/7-station-programming.png");
    while (!(station.Tiles[0]->State->text().startsWith("OK") &&
             station.Tiles[1]->State->text().startsWith("Failed") &&
             station.Tiles[2]->State->text().startsWith("Failed")) &&
           timer.elapsed() < 120000) {
        Settle(100);
    }
    ok &= Shoot(station, out + "/8-station-finished.png");
    station.resize(station.minimumSizeHint().width(), station.height());
    ok &= Shoot(station, out + "/9-station-narrow.png");
    station.resize(1000, 560);
    ok &= Shoot(station, out + "/10-station-wide.png");
    station.Stop->click();
    Settle(300);
    for (auto* controller : {&good, &bad, &gone}) controller->Stop();

    // The bad moments: a pack for another product, a damaged pack, and nothing answering.
    station.close();
    window.raise();
    window.activateWindow();
    window.ListBox1->clear();
    k5::sim::PackRecipe foreign = recipe, damaged = recipe;
    foreign.productCode = 30003;
    damaged.corruptSum = true;
    prompts.files.push_back(
        QString::fromStdString(dir.Write("K5-Other-V308.Pack", k5::sim::BuildPack(foreign))));
    window.Btn_ReadUserPack->click();
    ok &= Shoot(window, out + "/13-foreign-pack.png");
    prompts.files.push_back(
        QString::fromStdString(dir.Write("K5-Damaged.Pack", k5::sim::BuildPack(damaged))));
    window.Btn_ReadUserPack->click();
    ok &= Shoot(window, out + "/14-refused-pack.png");
    k5::sim::SimOptions silentOptions;
    silentOptions.noProbeAnswer = true;
    k5::sim::ControllerSim silent(silentOptions);
    silent.Start();
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n[Devices]\nCOM1=" + silent.DevicePath() + "\n");
    prompts.files.push_back(QString::fromStdString(pack));
    window.Btn_ReadUserPack->click();
    window.Btn_SendToController->click();
    timer.restart();
    while (window.SessionRunning() && timer.elapsed() < 60000) Settle(100);
    ok &= Shoot(window, out + "/15-connect-fail.png");
    silent.Stop();

    // The main window at its smallest, then in a dark palette (Fusion's, darkened).
    window.resize(1, 1);
    ok &= Shoot(window, out + "/11-minimum-size.png");
    window.resize(window.size() + QSize(21, 61));
    application.setStyle(QStyleFactory::create("Fusion"));
    QPalette dark = application.style()->standardPalette();
    const std::pair<QPalette::ColorRole, QColor> darkRoles[] = {
        {QPalette::Window, QColor(0x35, 0x35, 0x35)},
        {QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE)},
        {QPalette::Base, QColor(0x24, 0x24, 0x24)},
        {QPalette::AlternateBase, QColor(0x35, 0x35, 0x35)},
        {QPalette::Text, QColor(0xEE, 0xEE, 0xEE)},
        {QPalette::Button, QColor(0x35, 0x35, 0x35)},
        {QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE)},
        {QPalette::Highlight, QColor(0x2A, 0x82, 0xDA)},
        {QPalette::HighlightedText, Qt::black}};
    for (const auto& [role, colour] : darkRoles) dark.setColor(role, colour);
    application.setPalette(dark);
    ok &= Shoot(window, out + "/12-dark.png");
    return ok ? 0 : 1;
}
