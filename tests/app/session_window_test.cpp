// The window around a session: a whole update against the simulated
// controller, and what the window refuses while a session runs.
#include <QCloseEvent>
#include <QListWidget>
#include <QToolButton>

#include "controller_sim.h"
#include "gauge.h"
#include "window_fixture.h"

namespace {

using namespace std::chrono_literals;
using k5::test::WindowTest;

class SessionWindowTest : public WindowTest {
  protected:
    void StartController(k5::sim::SimOptions options) {
        options.pace = false;
        sim = std::make_unique<k5::sim::ControllerSim>(options);
        dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n[Devices]\nCOM1=" + sim->DevicePath() + "\n");
        sim->Start();
        k5::sim::PackRecipe recipe;
        recipe.image = k5::sim::GenerateImage(3000);
        ReadPack(Pack("fw.Pack", recipe));
        ASSERT_TRUE(window->Btn_SendToController->isEnabled());
    }
    bool WaitUntilIdle(int ms = 30000) {
        return QTest::qWaitFor(
            [&] { return !window->SessionRunning() && window->Btn_ReadUserPack->isEnabled(); }, ms);
    }
    void TearDown() override {
        if (sim) sim->Stop();
    }
    std::unique_ptr<k5::sim::ControllerSim> sim;
};

TEST_F(SessionWindowTest, AWholeUpdateFromTheWindow) {
    StartController({});
    window->AddLog("old line");
    window->Btn_SendToController->click();
    EXPECT_EQ(LogLines().value(0, ""), QString()) << "Program clears the log";
    EXPECT_TRUE(window->SessionRunning());
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ(LogLines(),
              (QStringList{"Conntectting MCU....", "MCU Identified", "Programing...", "Program sucessully"}));
    EXPECT_FALSE(window->Gauge1->isVisible());
    EXPECT_EQ(window->Gauge1->MaxValue(), 3000);
    EXPECT_EQ(window->Gauge1->PercentDone(), 100);
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());
    EXPECT_TRUE(window->UartPort1->isEnabled());
    EXPECT_FALSE(window->AVS1->IsOpen());
    EXPECT_TRUE(sim->Report().imageMatches);
}

TEST_F(SessionWindowTest, WhileASessionRunsPackAndPortStayPut) {
    auto options = k5::sim::SimOptions{};
    options.noProbeAnswer = true;
    StartController(options);
    window->Btn_SendToController->click();
    ASSERT_TRUE(window->SessionRunning());
    EXPECT_FALSE(window->Btn_ReadUserPack->isEnabled());
    EXPECT_FALSE(window->UartPort1->isEnabled());
    EXPECT_TRUE(window->Btn_SendToController->isEnabled());
    EXPECT_TRUE(window->Gauge1->isVisible() ||
                QTest::qWaitFor([&] { return window->Gauge1->isVisible(); }, 2000));

    // Even reached directly, the handlers refuse.
    prompts.files.push_back(QString::fromStdString(dir.File("fw.Pack")));
    window->Btn_ReadUserPackClick();
    EXPECT_EQ(prompts.dialogs, 1) << "no file dialog during a session";

    // A second click only clears the log; later lines still arrive.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->ListBox1->count() > 0; }, 2000));
    window->Btn_SendToController->click();
    EXPECT_EQ(window->ListBox1->count(), 0);
    EXPECT_TRUE(window->SessionRunning());
    window->Session().RequestStop();
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_TRUE(window->Btn_ReadUserPack->isEnabled());
}

TEST_F(SessionWindowTest, ClosingDuringASessionAsksThenStopsAndCloses) {
    auto options = k5::sim::SimOptions{};
    options.noProbeAnswer = true;
    StartController(options);
    window->Btn_SendToController->click();
    ASSERT_TRUE(window->SessionRunning());

    prompts.confirm = false;
    EXPECT_FALSE(window->close());
    ASSERT_EQ(prompts.boxes.back().kind, 'Q');
    EXPECT_EQ(prompts.boxes.back().text, "A controller is being programmed. Stop and close?");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->SessionRunning());

    prompts.confirm = true;
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 5000));
    EXPECT_FALSE(window->SessionRunning());
    EXPECT_FALSE(window->AVS1->IsOpen());
}

}  // namespace
