// How pitchsim keeps time: the paced sync mode, and what it tells about replies that came late.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/record/matchreport.h"
#include "support/simprocess.h"

namespace {

// Joins as `unum` of `team` with (syn) in the init reply, as a synced agent does: "" on failure,
// else the first perception after init.
std::string JoinSynced(WireClient& c, int port, const std::string& team, int unum) {
    std::string p;
    if (!c.Connect(port)) return "";
    c.Send(kScene);
    if (!c.Receive(p)) return "";
    c.Send("(init (unum " + std::to_string(unum) + ")(teamname " + team + "))(syn)");
    return c.Receive(p) ? p : "";
}

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

// Per robot: replies that missed their cycle in strict real time, sync waits that timed out,
// joint speeds clamped to the motor's limit. One log line per episode of late replies, none
// for clamped speeds (the league's rule, not bad input); the counts reach the report. A paced
// server waits for a slow agent: nothing is late.
TEST(ReplyCounts, LateRepliesAndTimeoutsPerEpisodeClampedSpeedsCountedNotLogged) {
    const struct {
        const char* name;
        std::vector<std::string> mode;
        int delayMs;  // before each reply
        bool late, timeouts;
    } cases[] = {
        {"real time, slow agent", {"--realtime"}, 45, true, false},
        {"sync, slow agent", {"--sync", "--sync-timeout=20"}, 45, false, true},
        {"paced, slow agent", {"--sync", "--pace=1", "--sync-timeout=1000"}, 45, false, false},
        {"paced, prompt agent", {"--sync", "--pace=1", "--sync-timeout=1000"}, 0, false, false},
    };
    const std::string dir = "/tmp/pacing_test_" + std::to_string(getpid());
    ASSERT_EQ(0, std::system(("mkdir -p " + dir).c_str()));
    for (const auto& c : cases) {
        const std::string log = dir + "/sim.log", rec = dir + "/match.rec.zst";
        std::vector<std::string> args = {"--auto-kickoff=0", "--quiet", "--log=" + log,
                                         "--record=" + rec};
        args.insert(args.end(), c.mode.begin(), c.mode.end());
        PitchSim sim;
        ASSERT_TRUE(sim.Start(args)) << c.name;
        WireClient agent;
        ASSERT_NE("", JoinSynced(agent, sim.AgentPort(), "Alpha", 3)) << c.name;
        const int replies = 40;
        std::string p;
        for (int k = 0; k < replies; ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(c.delayMs));
            agent.Send("(he1 100)(he2 -6.1395)(syn)");  // he1 beyond the limit, he2 at it
            ASSERT_TRUE(agent.Receive(p)) << c.name << " " << k;
        }
        // The counts of the last second are recorded at the end as well.
        ASSERT_TRUE(sim.Stop()) << c.name;

        MatchReport report;
        std::string error;
        ASSERT_TRUE(ReportFromRecording(rec, 0, report, error)) << c.name << ": " << error;
        ASSERT_EQ(1u, report.robots.size()) << c.name;
        const ReplyCounts& n = report.robots[0].counts;
        EXPECT_EQ(replies, n.clamped) << c.name;
        EXPECT_EQ(c.late, n.late > 0) << c.name << ": " << n.late;
        EXPECT_EQ(c.timeouts, n.timeouts > 0) << c.name << ": " << n.timeouts;
        const std::string text = ReadFile(log);
        EXPECT_EQ(c.late || c.timeouts ? 1u : 0u, Count(text, "Alpha 3 replies late")) << text;
        EXPECT_EQ(0u, Count(text, "ignored")) << c.name << "\n" << text;
    }
    std::system(("rm -rf " + dir).c_str());
}

}  // namespace
