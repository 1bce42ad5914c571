// The web page's model without a browser: what it enables, what a pack read
// and an update's outcome say, and what the report holds, with a session on an
// in-memory port and the simulated controller behind it.
#include <gtest/gtest.h>

#include <cerrno>

#include "page_model.h"
#include "session/session_harness.h"
#include "session_advice.h"

namespace {

using k5::test::MemorySessionHarness;

bool Has(const std::string& json, const std::string& part) { return json.find(part) != std::string::npos; }

class PageModelTest : public ::testing::Test {
  protected:
    explicit PageModelTest(k5::sim::SimOptions controller = MemorySessionHarness::Unpaced())
        : h(std::move(controller)) {}

    std::string Pack(std::uint32_t product, const char* name) {
        k5::sim::PackRecipe recipe = MemorySessionHarness::DefaultRecipe(2064);
        recipe.productCode = product;
        recipe.version = 0x135;
        return h.dir.Write(name, k5::sim::BuildPack(recipe));
    }
    void RunToEnd() {
        h.session.WaitUntilIdle(std::chrono::seconds(60));
        model.Finished();
    }

    MemorySessionHarness h;
    k5::web::PageModel model{h.pack, h.session, h.settings, h.dir.File("trace.txt")};
};

TEST_F(PageModelTest, ProgramNeedsAPackAndAPortAndExcludesEveryPackChange) {
    EXPECT_TRUE(Has(model.State(), R"("program":false)"));
    ASSERT_TRUE(model.BeginPackRead());
    EXPECT_FALSE(model.BeginPackRead()) << "one pack at a time";
    const k5::web::PackCheck foreign = model.UsePack(Pack(30003, "other.Pack"), "other.Pack");
    EXPECT_TRUE(foreign.ok);
    EXPECT_TRUE(foreign.foreign);
    model.PortChosen(true);
    EXPECT_TRUE(Has(model.State(), R"("program":false)")) << "not while a pack is being read";
    EXPECT_FALSE(model.Program(false, "0"));
    model.EndPackRead();
    EXPECT_TRUE(Has(model.State(), R"("program":true)"));

    ASSERT_TRUE(model.Program(false, "0"));
    const std::string running = model.State();
    EXPECT_TRUE(
        Has(running, R"("readPack":false,"offered":false,"choosePort":false,"program":false,"stop":true)"))
        << running;
    EXPECT_FALSE(model.BeginPackRead()) << "no pack is taken while an update runs";
    EXPECT_FALSE(model.UsePack(Pack(20002, "fw.Pack"), "fw.Pack").ok);
    RunToEnd();

    const std::string ended = model.State();
    EXPECT_TRUE(Has(ended, R"("pack":{"name":"other.Pack","version":309)")) << "the pack that was sent";
    EXPECT_TRUE(Has(ended, R"("outcome":{"name":"programmed","detail":"own","tone":"good")")) << ended;
    EXPECT_TRUE(Has(ended, R"("saveTrace":true)"));
    EXPECT_TRUE(h.port.Report().imageMatches);

    model.PackRefused();  // a pack refused after a good one
    EXPECT_TRUE(Has(model.State(), R"("program":false)"));
    EXPECT_FALSE(Has(model.State(), R"("pack":)"));
}

TEST_F(PageModelTest, TheOutcomesDetailNamesThePortErrorAndALostPortComesFirst) {
    ASSERT_TRUE(model.UsePack(Pack(20002, "fw.Pack"), "fw.Pack").ok);
    model.PortChosen(true);
    h.port.RefuseOpens({"WebSerial", EBUSY});
    ASSERT_TRUE(model.Program(true, "auto"));
    RunToEnd();
    EXPECT_TRUE(
        Has(model.State(), R"("outcome":{"name":"port-error","detail":"port-error:in-use","tone":"bad")"))
        << model.State();

    ASSERT_TRUE(model.Program(false, "2"));
    model.PortLost();
    RunToEnd();
    EXPECT_TRUE(Has(model.State(), R"("detail":"port-went-away")")) << model.State();
    EXPECT_TRUE(Has(model.State(), R"("advice":"")")) << "nothing was sent: the firmware is as it was";
    model.LogAdded("Connecting...");
    const std::string report = model.Report("Chromium 156", "CH340 (USB 1a86:7523)");
    EXPECT_TRUE(Has(report, "\nAdapter: CH340 (USB 1a86:7523)\nMode: standard, line speed 115200\n"))
        << report;
    EXPECT_TRUE(Has(report, "\nPack: fw.Pack, Version 309, Software + Settings\n")) << report;
    EXPECT_TRUE(Has(report, " (the port went away)\nLog:\n  Connecting...")) << report;
}

class PageModelPulledCableTest : public PageModelTest {
  protected:
    static k5::sim::SimOptions PulledAfterTheHeader() {
        k5::sim::SimOptions options = MemorySessionHarness::Unpaced();
        options.unplugAfterBytes = 1500;
        return options;
    }
    PageModelPulledCableTest() : PageModelTest(PulledAfterTheHeader()) {}
};

TEST_F(PageModelPulledCableTest, ACableLostDuringTheImageSaysTheFirmwareIsIncomplete) {
    ASSERT_TRUE(model.UsePack(Pack(20002, "fw.Pack"), "fw.Pack").ok);
    model.PortChosen(true);
    ASSERT_TRUE(model.Program(false, "0"));
    RunToEnd();
    EXPECT_TRUE(Has(model.State(), std::string(R"("advice":")") + k5::kFirmwareIncompleteText))
        << model.State();
}

TEST(PageModelSpeeds, TheChoicesAreTheSearchThenTheProtocolsSpeeds) {
    const auto choices = k5::web::PageModel::SpeedChoices();
    ASSERT_EQ(choices.size(), 4u);
    EXPECT_EQ(choices[0].value, "auto");
    EXPECT_EQ(choices[1].value + "=" + choices[1].label, "0=38400");
    EXPECT_EQ(choices[3].value + "=" + choices[3].label, "2=115200");
}

}  // namespace
