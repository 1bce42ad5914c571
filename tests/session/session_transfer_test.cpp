// What goes on the wire for images of awkward lengths, the progress it shows,
// and the session's own rules: one session at a time, the pack held still,
// stop requests and unexpected errors.
#include <gtest/gtest.h>

#include "pty_session_harness.h"

namespace {

using namespace std::chrono_literals;
using SessionHarness = k5::test::PtySessionHarness;
namespace log = k5::session_log;

struct Case {
    std::size_t length;
    std::size_t chunks;
    int acks;
};

class ImageLengths : public ::testing::TestWithParam<Case> {};

TEST_P(ImageLengths, ChunksPaddingAcknowledgementsAndProgress) {
    const Case c = GetParam();
    SessionHarness h(SessionHarness::Unpaced(), SessionHarness::DefaultRecipe(c.length));
    EXPECT_EQ(h.Run().back(), log::kSuccess);
    const auto report = h.simulator->Report();
    EXPECT_EQ(report.data.size(), c.chunks * 16);
    EXPECT_EQ(report.acks, c.acks);
    EXPECT_TRUE(report.imageMatches);
    // The last chunk is padded with the filler after the image, keyed like the rest.
    const std::uint8_t key = 0x3D;
    for (std::size_t i = c.length; i < c.chunks * 16; ++i) {
        ASSERT_EQ(report.data[i] ^ key, h.packBytes[34 + i]) << "padding byte " << i;
    }

    const auto progress = h.view.ProgressCalls();
    ASSERT_GE(progress.size(), 4u);
    EXPECT_EQ(progress[0].what, 'P');
    EXPECT_EQ(progress[1].what, 'S');
    EXPECT_EQ(progress[2].what, 'P');
    EXPECT_EQ(progress[3].what, 'M');
    EXPECT_EQ(progress[3].value, c.length);
    std::size_t positions = 0;
    std::uint32_t last = 0;
    for (std::size_t i = 4; i + 1 < progress.size(); ++i) {
        ASSERT_EQ(progress[i].what, 'P');
        last = progress[i].value;
        ++positions;
    }
    EXPECT_EQ(positions, c.chunks);
    if (c.chunks) {
        EXPECT_EQ(last, c.chunks * 16);
    }
    EXPECT_EQ(progress.back().what, 'H');
}

INSTANTIATE_TEST_SUITE_P(Session, ImageLengths,
                         ::testing::Values(Case{0, 0, 0}, Case{16, 1, 0}, Case{1000, 63, 0},
                                           Case{1024, 64, 1}, Case{2064, 129, 2}),
                         [](const auto& info) { return "Length" + std::to_string(info.param.length); });

TEST(SessionRules, OneSessionAtATimeAndItsPackStaysPut) {
    SessionHarness h(SessionHarness::Unpaced());
    h.simulator->Start();
    ASSERT_TRUE(h.session.BeginSession());
    EXPECT_FALSE(h.session.BeginSession());
    // Another pack loaded meanwhile changes nothing that this session sends.
    EXPECT_TRUE(
        h.pack.LoadPack(h.dir.Write("other.Pack", k5::sim::BuildPack(SessionHarness::DefaultRecipe(5000)))));
    h.loop.RunUntil([&] { return !h.session.Running(); }, 30s);
    EXPECT_EQ(h.view.Logs().back(), log::kSuccess);
    EXPECT_EQ(h.simulator->Report().headerLength, 2064u);
    EXPECT_TRUE(h.simulator->Report().imageMatches);
    // The next session sends the pack loaded now.
    ASSERT_TRUE(h.session.BeginSession());
    h.loop.RunUntil([&] { return !h.session.Running(); }, 30s);
    EXPECT_EQ(h.view.Logs().size(), 8u);
    EXPECT_EQ(h.simulator->Report().headerLength, 5000u);
}

TEST(SessionRules, StopRequestEndsEveryWaitAndClosesThePort) {
    auto options = SessionHarness::Unpaced();
    options.noProbeAnswer = true;
    SessionHarness h(options);
    h.simulator->Start();
    ASSERT_TRUE(h.session.BeginSession());
    h.loop.RunFor(1200ms);
    EXPECT_TRUE(h.AVS1.IsOpen());
    const auto asked = std::chrono::steady_clock::now();
    h.session.RequestStop();
    ASSERT_TRUE(h.loop.RunUntil([&] { return !h.session.Running(); }, 5s));
    // Without the stop the closing alone would take 600 ms.
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 550ms);
    EXPECT_FALSE(h.AVS1.IsOpen());
    EXPECT_EQ(h.session.LastOutcome(), k5::SessionOutcome::Stopped);
    EXPECT_EQ(h.view.Logs(), std::vector<std::string>{log::kConnecting});
    EXPECT_EQ(h.view.ProgressCalls().back().what, 'H');
}

TEST(SessionRules, DestroyingARunningSessionStopsIt) {
    auto options = SessionHarness::Unpaced();
    options.noProbeAnswer = true;
    auto h = std::make_unique<SessionHarness>(options);
    h->simulator->Start();
    ASSERT_TRUE(h->session.BeginSession());
    h->loop.RunFor(300ms);
    const auto start = std::chrono::steady_clock::now();
    h.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

TEST(SessionRules, AnUnexpectedErrorIsLoggedAndTheSessionStillCloses) {
    SessionHarness h(SessionHarness::Unpaced());
    h.view.throwOn = log::kIdentified;
    const auto lines = h.Run();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], log::kConnecting);
    EXPECT_EQ(lines[1], "Internal error: view refused the line");
    EXPECT_EQ(h.session.LastOutcome(), k5::SessionOutcome::InternalError);
    EXPECT_FALSE(h.AVS1.IsOpen());
    EXPECT_FALSE(h.session.Running());
}

}  // namespace
