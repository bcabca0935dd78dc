// How pitchsim keeps time: the paced sync mode, and what it tells about replies that came late.

#include <gtest/gtest.h>

#include <string>

#include "support/simprocess.h"

namespace {

// A paced synced server waits for every reply like --sync does, and yet never runs ahead of
// the pace: over a stretch of wall time the simulation clock advances by at most pace times
// as much (plus the 100 ms that a server behind its schedule may make up).
TEST(PacedSync, NeverRunsFasterThanItsPaceAndWaitsForEveryReply) {
    for (double pace : {1.0, 2.5}) {
        PitchSim sim;
        const std::string paceOption = "--pace=" + std::to_string(pace);
        ASSERT_TRUE(sim.Start({"--sync", paceOption, "--sync-timeout=1000", "--auto-kickoff=0"}));
        EXPECT_NE(std::string::npos, sim.process.Stdout().find("mode sync pace ")) << pace;
        WireClient agent;
        ASSERT_FALSE(JoinTeam(agent, sim.AgentPort(), "Alpha", 1).empty());
        std::string p;
        ASSERT_TRUE(agent.Receive(p));
        const double firstNow = NumberAfter(p, "now");
        double lastNow = firstNow;
        const double start = WallSeconds();
        int cycles = 0;
        while (WallSeconds() - start < 1.5) {
            agent.Send("(syn)");
            ASSERT_TRUE(agent.Receive(p));
            const double now = NumberAfter(p, "now");
            // Every perception is the next cycle: none was stepped over without the reply.
            ASSERT_NEAR(0.02, now - lastNow, 1e-6) << pace;
            lastNow = now;
            ++cycles;
        }
        const double wall = WallSeconds() - start;
        EXPECT_GT(cycles, 0);
        EXPECT_LE(lastNow - firstNow, pace * wall + 0.1 + 1e-9)
            << "pace " << pace << ": " << cycles << " cycles in " << wall << " s";
        EXPECT_TRUE(sim.Stop());
    }
}

TEST(PacedSync, ThePaceNeedsSyncAndAMultipleOfRealTime) {
    const struct {
        std::vector<std::string> args;
        std::string line;
    } cases[] = {
        {{"--pace=1"}, "pitchsim: --pace needs --sync"},
        {{"--sync", "--pace=1", "--realtime"}, "pitchsim: --pace needs --sync"},
        {{"--sync", "--pace=0"}, "pitchsim: bad value for --pace: '0'"},
        {{"--sync", "--pace=fast"}, "pitchsim: bad value for --pace: 'fast'"},
    };
    for (const auto& c : cases) {
        ChildProcess sim;
        ASSERT_TRUE(sim.Start(std::string(BIN_DIR) + "/pitchsim", c.args));
        ASSERT_TRUE(sim.Wait(10));
        EXPECT_TRUE(sim.ExitedWith(2)) << c.line;
        EXPECT_EQ(0u, sim.Stderr().find(c.line)) << sim.Stderr();
    }
}

}  // namespace
