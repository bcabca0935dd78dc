// pitchsim against scripted clients: who may join, beams in each team's frame, and a client that
// goes silent.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "support/simprocess.h"

namespace {

TEST(ServerTest, JoiningRulesAndBeamsMirroredForTheRightTeamAndKeptInTheirOwnHalf) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=20", "--auto-kickoff=0", "--quiet"}));
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    WireClient left, right;
    std::string p;
    EXPECT_EQ("(GS (unum 1) (team left)", JoinTeam(left, sim.AgentPort(), "Alpha", 1));
    EXPECT_EQ("(GS (unum 1) (team right)", JoinTeam(right, sim.AgentPort(), "Beta"));
    // A taken number, a number beyond the team size, a third team: closed.
    for (const char* init : {"(init (unum 1)(teamname Alpha))", "(init (unum 12)(teamname Beta))",
                             "(init (unum 2)(teamname Gamma))"}) {
        WireClient refused;
        ASSERT_TRUE(JoinScene(refused, sim.AgentPort()));
        refused.Send(init);
        EXPECT_TRUE(refused.SeesEnd()) << init;
    }
    left.Send("(beam 4 0.5 90)");
    right.Send("(beam -3 1 0)");
    // The trainer's connection is not ordered with the agents': ask until the beams show.
    std::string state;
    RobotState l, r;
    for (int k = 0; k < 50 && (l.heading < 45 || r.x < 1); ++k) {
        ASSERT_TRUE(left.Receive(p) && right.Receive(p));
        left.Send("(syn)");
        right.Send("(syn)");
        state = trainer.Command("(getState)");
        l = FindRobot(state, "Left", 1), r = FindRobot(state, "Right", 1);
    }
    EXPECT_LE(l.x, 0.01) << state;
    EXPECT_NEAR(0.5, l.y, 0.01);
    EXPECT_NEAR(90, l.heading, 1);
    EXPECT_NEAR(3, r.x, 0.01) << state;
    EXPECT_NEAR(-1, r.y, 0.01);
    EXPECT_NEAR(180, std::fabs(r.heading), 1);
    EXPECT_TRUE(sim.Stop());
}

TEST(ServerTest, ASilentAgentCostsTheSyncTimeoutUntilItIsDropped) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=100", "--auto-kickoff=0", "--quiet"}));
    WireClient prompt, silent;
    std::string p;
    ASSERT_TRUE(JoinScene(prompt, sim.AgentPort()) && JoinScene(silent, sim.AgentPort()));
    // Seconds of wall time per cycle seen by the prompt agent, over 10 cycles.
    auto cycleSeconds = [&] {
        double start = WallSeconds();
        for (int k = 0; k < 10; ++k) {
            prompt.Send("(syn)");
            if (!prompt.Receive(p)) return -1.0;
        }
        return (WallSeconds() - start) / 10;
    };
    cycleSeconds();  // drains the perceptions queued while the second one joined
    double waiting = cycleSeconds();
    EXPECT_GT(waiting, 0.09);
    EXPECT_LT(waiting, 0.5);
    EXPECT_TRUE(silent.SeesEnd(8));               // dropped after 5 s of silence
    for (int k = 0; k < 10; ++k) cycleSeconds();  // stale perceptions drained
    EXPECT_LT(cycleSeconds(), 0.05);
    ASSERT_TRUE(sim.Stop());
    // Waits time out only until the silent agent is dropped (5 s at 100 ms, plus a few on a
    // loaded machine); the prompt agent alone then goes on at once.
    long waits = 0, timedOut = -1;
    const std::string out = sim.process.Stdout();
    const std::string::size_type at = out.find("sync waits ");
    ASSERT_NE(std::string::npos, at) << out;
    ASSERT_EQ(2, std::sscanf(out.c_str() + at, "sync waits %ld, timed out %ld", &waits, &timedOut));
    EXPECT_GE(timedOut, 10);
    EXPECT_LE(timedOut, 60);
    EXPECT_GE(waits - timedOut, 50);
}

TEST(PitchSimProcessTest, UsageErrorsExitWithStatusTwo) {
    ChildProcess p;
    ASSERT_TRUE(p.Start(PitchSimBinary(), {"--agent-port=70000"}));
    ASSERT_TRUE(p.Wait(10));
    EXPECT_TRUE(p.ExitedWith(2));
    EXPECT_NE(std::string::npos, p.Stderr().find("bad value for --agent-port")) << p.Stderr();
    EXPECT_NE(std::string::npos, p.Stderr().find("usage: pitchsim")) << p.Stderr();
}

}  // namespace
