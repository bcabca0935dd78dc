// pitchsim against scripted clients: the protocol as a checker sees it, and clients that
// misbehave.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "sim/server/jointnames.h"
#include "sim/server/sexpr.h"
#include "support/simprocess.h"

namespace {

// The groups of a perception in order, as a checker independent of the agent reads them.
void CheckPerception(const std::string& text, bool identified) {
    SexprReadResult read = ReadGroups(text);
    ASSERT_EQ(0, read.malformed) << text;
    const std::vector<SNode>& g = read.groups;
    ASSERT_GE(g.size(), 4u + kWireJointCount);
    EXPECT_EQ("time", g[0].Head());
    std::string now = g[0].Find("now")->items[1].atom;
    EXPECT_EQ(now.size() - 3, now.find('.')) << "two decimals: " << now;
    ASSERT_EQ("GS", g[1].Head());
    std::vector<std::string> gs, want{"t", "pm"};
    for (size_t i = 1; i < g[1].items.size(); ++i) gs.push_back(g[1].items[i].Head());
    if (identified) want = {"unum", "team", "t", "pm", "sl", "sr"};
    ASSERT_EQ(want, gs);
    EXPECT_EQ("GYR", g[2].Head());
    EXPECT_EQ(4u, g[2].Find("rt")->items.size());
    EXPECT_EQ("ACC", g[3].Head());
    for (int j = 0; j < kWireJointCount; ++j) {
        ASSERT_EQ("HJ", g[4 + j].Head());
        EXPECT_EQ(kPerceptorNames[j], g[4 + j].items[1].items[1].atom);  // (n NAME) first
        EXPECT_EQ("ax", g[4 + j].items[2].Head());
    }
    size_t i = 4 + kWireJointCount;
    for (std::string lastFoot; i < g.size() && g[i].Head() == "FRP"; ++i) {
        std::string foot = g[i].Find("n")->items[1].atom;
        EXPECT_TRUE((foot == "lf" && lastFoot.empty()) || (foot == "rf" && lastFoot != "rf"));
        EXPECT_EQ(4u, g[i].Find("c")->items.size());
        EXPECT_EQ(4u, g[i].Find("f")->items.size());
        lastFoot = foot;
    }
    long cycle = std::lround(std::strtod(now.c_str(), nullptr) / 0.02);
    bool vision = i < g.size() && g[i].Head() == "See";
    EXPECT_EQ(cycle % 3 == 0, vision) << "cycle " << cycle;
    if (vision) {
        for (const SNode& seen : g[i].items) {
            if (seen.Head() != "L") continue;  // a field line: two ends
            ASSERT_EQ(3u, seen.items.size());
            EXPECT_TRUE(seen.items[1].Head() == "pol" && seen.items[2].Head() == "pol");
        }
    }
    for (i += vision; i < g.size(); ++i) {
        EXPECT_EQ("hear", g[i].Head());
        EXPECT_EQ(5u, g[i].items.size());  // team, time, direction or self, message
    }
}

TEST(ServerTest, AScriptedClientGetsWellFormedPerceptionsWhileOthersMisbehave) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=200", "--noise=off", "--quiet"}));
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    // 100 connect/disconnect cycles: every tenth joins the world for a moment (each join
    // rebuilds the world), every tenth leaves in the middle of a frame, the rest at once.
    for (int i = 0; i < 100; ++i) {
        WireClient c;
        ASSERT_TRUE(c.Connect(sim.AgentPort())) << "cycle " << i;
        if (i % 10 == 1) c.Send(kScene);
        if (i % 10 == 2) c.SendRaw(std::string("\x00\x00\x00\x30(scene rsg", 14));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::string state = trainer.Command("(getState)");
    EXPECT_EQ(std::string::npos, state.find("(robot")) << state;

    WireClient checker, garbage, half, oversize, noise;
    std::string perception, rubbish;
    ASSERT_TRUE(JoinScene(checker, sim.AgentPort(), &perception));
    CheckPerception(perception, false);
    checker.Send("(init (unum 0)(teamname Checkers))");
    while (perception.find("(GS (unum") == std::string::npos)
        ASSERT_TRUE(checker.Receive(perception));
    // Number 1 is free again and the first team plays left.
    EXPECT_NE(std::string::npos, perception.find("(GS (unum 1) (team left)")) << perception;
    ASSERT_TRUE(JoinScene(garbage, sim.AgentPort()));
    ASSERT_TRUE(half.Connect(sim.AgentPort()));
    half.SendRaw(std::string("\x00\x00", 2));  // then silence
    ASSERT_TRUE(oversize.Connect(sim.AgentPort()));
    oversize.SendRaw(std::string("\x00\x01\x00\x01", 4) + std::string(100, 'x'));  // > 64 KiB
    ASSERT_TRUE(noise.Connect(sim.AgentPort()));
    noise.SendRaw("GET / HTTP/1.0\r\n\r\n");  // not a frame: a length of about 1.2 GB

    const std::vector<std::string> bad = {"(he1 nan)(he2 inf)(lle1 1e308)",
                                          "(beam",
                                          "))))",
                                          std::string(40, '(') + "he1 1" + std::string(40, ')'),
                                          std::string("\x00\xff\x01", 3),
                                          ""};
    double previous = NumberAfter(perception, "now");
    int visions = 0, feet = 0;
    for (int k = 0; k < 90; ++k) {
        SCOPED_TRACE(k);
        checker.Send("(he1 0.5)(syn)");
        garbage.Send(bad[k % bad.size()]);
        garbage.Send("(syn)");  // after rubbish that may have ended its own frame early
        ASSERT_TRUE(checker.Receive(perception));
        ASSERT_TRUE(garbage.Receive(rubbish));
        CheckPerception(perception, true);
        // No cycle skipped in sync mode.
        EXPECT_NEAR(previous + 0.02, NumberAfter(perception, "now"), 1e-6);
        previous = NumberAfter(perception, "now");
        visions += perception.find("(See") != std::string::npos;
        feet += perception.find("(FRP (n lf)") != std::string::npos;
    }
    EXPECT_EQ(30, visions);
    EXPECT_GT(feet, 80);  // parked upright, its feet on the ground
    EXPECT_TRUE(oversize.SeesEnd());
    EXPECT_TRUE(noise.SeesEnd());
    // The head turned at 0.5 rad/s for about two seconds: far beyond 20 degrees.
    EXPECT_GT(NumberAfter(perception.substr(perception.find("(HJ (n hj1)")), "ax"), 20);
    EXPECT_TRUE(sim.Stop()) << sim.process.Stderr();
}

TEST(ServerTest, JoiningRulesMirroredBeamsTrainerErrorsAndKillsim) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=20", "--auto-kickoff=0", "--quiet"}));
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    WireClient left, right, refused[3];
    std::string p;
    EXPECT_EQ("(GS (unum 1) (team left)", JoinTeam(left, sim.AgentPort(), "Alpha", 1));
    EXPECT_EQ("(GS (unum 1) (team right)", JoinTeam(right, sim.AgentPort(), "Beta"));
    // A taken number, a number beyond the team size, a third team: closed.
    const char* inits[3] = {"(init (unum 1)(teamname Alpha))", "(init (unum 12)(teamname Beta))",
                            "(init (unum 2)(teamname Gamma))"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(JoinScene(refused[i], sim.AgentPort()));
        refused[i].Send(inits[i]);
        EXPECT_TRUE(refused[i].SeesEnd()) << inits[i];
    }
    // Another model, or a robot type this server does not have: one line each, closed.
    for (const char* scene :
         {"(scene rsg/agent/other.rsg)", "(scene rsg/agent/nao/nao_hetero.rsg 1)",
          "(scene rsg/agent/nao/nao.rsg 1)"}) {
        WireClient model;
        ASSERT_TRUE(model.Connect(sim.AgentPort()));
        model.Send(scene);
        EXPECT_TRUE(model.SeesEnd()) << scene;
    }

    // Beams are in each team's own frame (the right team's mirrored), kept out of the opponent
    // half. The trainer's connection is not ordered with the agents': ask until they show.
    left.Send("(beam 4 0.5 90)");
    right.Send("(beam -3 1 0)");
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

    EXPECT_EQ("(error no such robot)",
              trainer.Command("(agent (team Left) (unum 7) (pos 0 0 0.4) (rot 0))"));
    EXPECT_EQ(0u, trainer.Command("(frobnicate)").find("(error "));
    EXPECT_EQ("(ok)", trainer.Command("(killsim)"));
    ASSERT_TRUE(sim.process.Wait(10));
    EXPECT_TRUE(sim.process.ExitedWith(0));
    EXPECT_NE(std::string::npos, (sim.process.Stdout() + sim.process.Stderr()).find("final score"));
    const std::string errors = sim.process.Stderr();
    EXPECT_NE(std::string::npos, errors.find("unknown model 'rsg/agent/nao/nao_hetero.rsg'"))
        << errors;
    EXPECT_NE(std::string::npos, errors.find("scene arguments '1'")) << errors;
}

// The step to the next cycle runs ahead of the replies, or after them in cycles that follow a
// change to the world (beams before the kick-off): either way a joint command in the reply to
// perception k first moves the joint in perception k+2, and a beam lands where it was sent.
TEST(ServerTest, AJointCommandActsInThePerceptionAfterNextWithOrWithoutBeams) {
    for (bool beaming : {false, true}) {
        PitchSim sim;
        ASSERT_TRUE(sim.Start({"--sync", "--auto-kickoff=0", "--noise=off", "--quiet"}));
        TrainerClient trainer;
        ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
        WireClient c;
        ASSERT_FALSE(JoinTeam(c, sim.AgentPort(), "Alpha", 1).empty());
        const int commandAt = 8;
        std::vector<double> yaw, now;
        std::string p;
        for (int k = 0; k < 14; ++k) {
            ASSERT_TRUE(c.Receive(p));
            yaw.push_back(NumberAfter(p, "n hj1) (ax"));
            now.push_back(NumberAfter(p, "now"));
            std::string reply = beaming ? "(beam -2 1 30)" : "";
            if (k == commandAt) reply += "(he1 3)";
            if (k == commandAt + 1) reply += "(he1 0)";
            c.Send(reply + "(syn)");
        }
        int firstMoved = -1;
        for (int k = commandAt; k < static_cast<int>(yaw.size()) && firstMoved < 0; ++k)
            if (std::fabs(yaw[k] - yaw[commandAt]) > 0.05) firstMoved = k;
        EXPECT_EQ(commandAt + 2, firstMoved) << "beaming " << beaming;
        for (size_t k = 1; k < now.size(); ++k) EXPECT_NEAR(0.02, now[k] - now[k - 1], 1e-6);
        const RobotState r = FindRobot(trainer.Command("(getState)"), "Left", 1);
        if (beaming) {
            EXPECT_NEAR(-2, r.x, 0.01);
            EXPECT_NEAR(1, r.y, 0.01);
            EXPECT_NEAR(30, r.heading, 1);
        }
        trainer.Command("(killsim)");
        EXPECT_TRUE(sim.process.Wait(10));
    }
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
