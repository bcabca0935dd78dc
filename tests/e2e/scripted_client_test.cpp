// pitchsim against scripted clients on loopback: the protocol as a checker sees it, clients
// that misbehave, joining rules, beams, hearing and the trainer. No agent logic is needed.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "sim/server/jointnames.h"
#include "sim/server/sexpr.h"
#include "support/simprocess.h"

namespace {

const char* kScene = "(scene rsg/agent/nao/nao.rsg)";

// A client that speaks the protocol from a script.
class ScriptedAgent : public WireClient {
  public:
    // Connects, announces the model and takes the first perception.
    bool Join(int port) { return Connect(port) && (Send(kScene), Receive(last)); }
    bool Init(const std::string& team, int unum) {
        Send("(init (unum " + std::to_string(unum) + ")(teamname " + team + "))");
        // Perceptions sent before the init was read may still be on their way.
        do {
            if (!Receive(last)) return false;
        } while (last.find("(GS (unum") == std::string::npos);
        return true;
    }
    // Answers the last perception and takes the next one.
    bool Step(const std::string& reply = "(syn)") {
        Send(reply);
        return Receive(last);
    }
    std::string last;
};

// One synced cycle of several scripted agents: every reply goes out before any perception
// is read, so that the server never waits for a script that is itself waiting.
bool Round(const std::vector<std::pair<ScriptedAgent*, std::string>>& replies) {
    for (const auto& [agent, reply] : replies) agent->Send(reply);
    bool ok = true;
    for (const auto& [agent, reply] : replies) ok = agent->Receive(agent->last) && ok;
    return ok;
}

double Now(const std::string& perception) {
    return NumberAfter(perception, "now");
}

// Brings several scripted agents to the same cycle: the ones behind read the perceptions
// that piled up while the script was busy elsewhere, then all answer together.
bool Align(const std::vector<ScriptedAgent*>& agents) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        double latest = 0;
        for (ScriptedAgent* a : agents) latest = std::max(latest, Now(a->last));
        for (ScriptedAgent* a : agents)
            while (Now(a->last) < latest - 1e-6)
                if (!a->Receive(a->last)) return false;
        std::vector<std::pair<ScriptedAgent*, std::string>> syn;
        for (ScriptedAgent* a : agents) syn.push_back({a, "(syn)"});
        if (!Round(syn)) return false;
        bool same = true;
        for (ScriptedAgent* a : agents) same = same && Now(a->last) == Now(agents[0]->last);
        if (same) return true;
    }
    return false;
}

class ServerTest : public ::testing::Test {
  protected:
    void StartServer(std::vector<std::string> options) {
        options.push_back("--quiet");
        ASSERT_TRUE(sim.Start(options)) << sim.process.Stderr();
        ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    }
    void TearDown() override { EXPECT_TRUE(sim.Stop()) << sim.process.Stderr(); }
    std::string State() { return trainer.Command("(getState)"); }

    PitchSim sim;
    TrainerClient trainer;
};

// The groups of a perception in order, as a checker independent of the agent reads them.
void CheckPerception(const std::string& text, bool identified, int unum, const char* side) {
    ASSERT_LE(text.size(), 16380u);
    SexprReadResult read = ReadGroups(text);
    ASSERT_EQ(0, read.malformed) << text;
    const std::vector<SNode>& g = read.groups;
    ASSERT_GE(g.size(), 26u);
    EXPECT_EQ("time", g[0].Head());
    std::string now = g[0].Find("now")->items[1].atom;
    EXPECT_EQ(now.size() - 3, now.find('.')) << "two decimals: " << now;
    ASSERT_EQ("GS", g[1].Head());
    std::vector<std::string> gs;
    for (size_t i = 1; i < g[1].items.size(); ++i) gs.push_back(g[1].items[i].Head());
    if (identified) {
        ASSERT_EQ((std::vector<std::string>{"unum", "team", "t", "pm"}), gs);
        EXPECT_EQ(std::to_string(unum), g[1].Find("unum")->items[1].atom);
        EXPECT_EQ(side, g[1].Find("team")->items[1].atom);
    } else {
        ASSERT_EQ((std::vector<std::string>{"t", "pm"}), gs);
    }
    EXPECT_EQ("GYR", g[2].Head());
    EXPECT_EQ(4u, g[2].Find("rt")->items.size());
    EXPECT_EQ("ACC", g[3].Head());
    for (int j = 0; j < kWireJointCount; ++j) {
        ASSERT_EQ("HJ", g[4 + j].Head());
        EXPECT_EQ(kPerceptorNames[j], g[4 + j].items[1].items[1].atom);  // (n NAME) first
        EXPECT_EQ("ax", g[4 + j].items[2].Head());
    }
    size_t i = 26;
    std::string lastFoot;
    while (i < g.size() && g[i].Head() == "FRP") {
        std::string foot = g[i].Find("n")->items[1].atom;
        EXPECT_TRUE((foot == "lf" && lastFoot.empty()) || (foot == "rf" && lastFoot != "rf"));
        EXPECT_EQ(4u, g[i].Find("c")->items.size());
        EXPECT_EQ(4u, g[i].Find("f")->items.size());
        lastFoot = foot;
        ++i;
    }
    long cycle = std::lround(std::strtod(now.c_str(), nullptr) / 0.02);
    bool vision = i < g.size() && g[i].Head() == "See";
    EXPECT_EQ(cycle % 3 == 0, vision) << "cycle " << cycle;
    if (vision) ++i;
    for (; i < g.size(); ++i) EXPECT_EQ("hear", g[i].Head());
}

TEST_F(ServerTest, AScriptedClientReceivesWellFormedPerceptionsEveryCycle) {
    StartServer({"--sync", "--noise=off"});
    ScriptedAgent a;
    ASSERT_TRUE(a.Join(sim.AgentPort()));
    CheckPerception(a.last, false, 0, "");
    ASSERT_TRUE(a.Init("Checkers", 4));
    double previous = Now(a.last);
    int visions = 0, feet = 0;
    for (int k = 0; k < 60; ++k) {
        ASSERT_TRUE(a.Step());
        CheckPerception(a.last, true, 4, "left");
        EXPECT_NEAR(previous + 0.02, Now(a.last), 1e-6);  // no cycle skipped in sync mode
        previous = Now(a.last);
        visions += a.last.find("(See") != std::string::npos;
        feet += a.last.find("(FRP (n lf)") != std::string::npos;
    }
    EXPECT_EQ(20, visions);
    EXPECT_GT(feet, 50);  // parked upright, its feet on the ground
    EXPECT_NE(std::string::npos, a.last.find("(pm BeforeKickOff)"));
}

TEST_F(ServerTest, GarbageHalfFramesAndOversizeFramesDisturbNobody) {
    StartServer({"--sync", "--sync-timeout=200"});
    ScriptedAgent good;
    ASSERT_TRUE(good.Join(sim.AgentPort()));
    ASSERT_TRUE(good.Init("Good", 1));

    WireClient garbage, half, oversize, noise;
    ASSERT_TRUE(garbage.Connect(sim.AgentPort()));
    garbage.Send(kScene);
    std::string perception;
    ASSERT_TRUE(garbage.Receive(perception));
    ASSERT_TRUE(half.Connect(sim.AgentPort()));
    half.SendRaw(std::string("\x00\x00", 2));
    ASSERT_TRUE(oversize.Connect(sim.AgentPort()));
    oversize.SendRaw(std::string("\x00\x01\x00\x01", 4) + std::string(100, 'x'));
    ASSERT_TRUE(noise.Connect(sim.AgentPort()));
    noise.SendRaw("GET / HTTP/1.0\r\n\r\n");  // not a frame: a length of about 1.2 GB

    const std::vector<std::string> bad = {"(he1 nan)(he2 inf)(lle1 1e308)",
                                          "((((((((((((((((((((((he1 1))))))))))))))))))))))",
                                          "(beam",
                                          "))))",
                                          "(init (unum -4)(teamname X))",
                                          std::string("\x00\xff\x01", 3),
                                          "(say (nested))",
                                          "(lle3 1)(lle3)",
                                          ""};
    for (int k = 0; k < 100; ++k) {
        good.Send("(he1 0.5)");
        garbage.Send(bad[k % bad.size()]);
        ASSERT_TRUE(good.Receive(good.last)) << "cycle " << k;
        ASSERT_TRUE(garbage.Receive(perception)) << "cycle " << k;
    }
    EXPECT_TRUE(oversize.SeesEnd());
    EXPECT_TRUE(noise.SeesEnd());
    // The garbage client is still connected (it replies), its robot a valid simulation.
    std::string state = State();
    EXPECT_TRUE(FindRobot(state, "Left", 1).found);
    EXPECT_NE(std::string::npos, good.last.find("(HJ (n hj1)"));
    // The head turned at 0.5 rad/s for about two seconds: far beyond 20 degrees.
    double hj1 = NumberAfter(good.last.substr(good.last.find("(HJ (n hj1)")), "ax");
    EXPECT_GT(hj1, 20);
}

TEST_F(ServerTest, ASilentAgentCostsTheTimeoutThenIsDropped) {
    StartServer({"--sync", "--sync-timeout=50"});
    ScriptedAgent silent, good;
    ASSERT_TRUE(silent.Join(sim.AgentPort()));
    ASSERT_TRUE(silent.Init("Team", 2));
    ASSERT_TRUE(good.Join(sim.AgentPort()));
    ASSERT_TRUE(good.Init("Team", 3));
    // The silent one never answers: each cycle waits for it until the timeout, no longer.
    auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < 20; ++k) ASSERT_TRUE(good.Step());
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(seconds, 20 * 0.045);
    // After 5 s of silence it is gone: its connection closed, its robot removed.
    EXPECT_TRUE(FindRobot(State(), "Left", 2).found);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    while (FindRobot(State(), "Left", 2).found && std::chrono::steady_clock::now() < deadline)
        ASSERT_TRUE(good.Step());
    EXPECT_FALSE(FindRobot(State(), "Left", 2).found);
    EXPECT_TRUE(silent.SeesEnd());
    EXPECT_TRUE(FindRobot(State(), "Left", 3).found);
}

TEST_F(ServerTest, HundredConnectDisconnectCyclesLeaveTheServerServing) {
    StartServer({"--realtime"});
    for (int i = 0; i < 100; ++i) {
        WireClient c;
        ASSERT_TRUE(c.Connect(sim.AgentPort())) << "cycle " << i;
        // Every tenth joins the world for a moment (each join rebuilds the world), every
        // tenth leaves in the middle of a frame, the rest leave at once.
        if (i % 10 == 1) c.Send(kScene);
        if (i % 10 == 2) c.SendRaw(std::string("\x00\x00\x00\x30(scene rsg", 14));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::string state = State();
    EXPECT_EQ(std::string::npos, state.find("(robot")) << state;
    ScriptedAgent a;
    ASSERT_TRUE(a.Join(sim.AgentPort()));
    ASSERT_TRUE(a.Init("After", 0));
    EXPECT_NE(std::string::npos, a.last.find("(unum 1)"));
    EXPECT_TRUE(sim.process.Running());
}

TEST_F(ServerTest, JoiningRulesForTeamsAndUniformNumbers) {
    StartServer({"--sync", "--max-robots-per-team=3"});
    ScriptedAgent l0, l0b, r5, taken, third, big, model;
    ASSERT_TRUE(l0.Join(sim.AgentPort()));
    ASSERT_TRUE(l0.Init("Alpha", 0));
    EXPECT_NE(std::string::npos, l0.last.find("(GS (unum 1) (team left)"));
    ASSERT_TRUE(l0b.Join(sim.AgentPort()));
    ASSERT_TRUE(l0b.Init("Alpha", 0));
    EXPECT_NE(std::string::npos, l0b.last.find("(GS (unum 2) (team left)"));
    ASSERT_TRUE(r5.Join(sim.AgentPort()));
    ASSERT_TRUE(r5.Init("Beta", 3));
    EXPECT_NE(std::string::npos, r5.last.find("(GS (unum 3) (team right)"));

    ASSERT_TRUE(taken.Join(sim.AgentPort()));
    taken.Send("(init (unum 2)(teamname Alpha))");
    EXPECT_TRUE(taken.SeesEnd());
    ASSERT_TRUE(third.Join(sim.AgentPort()));
    third.Send("(init (unum 1)(teamname Gamma))");
    EXPECT_TRUE(third.SeesEnd());
    ASSERT_TRUE(big.Join(sim.AgentPort()));
    big.Send("(init (unum 4)(teamname Beta))");
    EXPECT_TRUE(big.SeesEnd());
    ASSERT_TRUE(model.Connect(sim.AgentPort()));
    model.Send("(scene rsg/agent/soccerbot.rsg)");
    EXPECT_TRUE(model.SeesEnd());

    std::string err = sim.process.Stderr();
    EXPECT_NE(std::string::npos, err.find("uniform number 2 of team Alpha is taken")) << err;
    EXPECT_NE(std::string::npos, err.find("a third team 'Gamma'")) << err;
    EXPECT_NE(std::string::npos, err.find("uniform number 4 is too large")) << err;
    EXPECT_NE(std::string::npos, err.find("unknown model 'rsg/agent/soccerbot.rsg'")) << err;

    std::string state = State();
    EXPECT_TRUE(FindRobot(state, "Left", 1).found);
    EXPECT_TRUE(FindRobot(state, "Left", 2).found);
    EXPECT_TRUE(FindRobot(state, "Right", 3).found);
    EXPECT_EQ(3u, [&] {
        size_t n = 0;
        for (size_t at = state.find("(robot"); at != std::string::npos;
             at = state.find("(robot", at + 1))
            ++n;
        return n;
    }());
    // Parked beside the touch line of its own half until it beams.
    RobotState parked = FindRobot(state, "Right", 3);
    EXPECT_GT(parked.x, 0);
    EXPECT_LT(parked.y, -7);
}

TEST_F(ServerTest, BeamsInTheOwnFrameMirroredForTheRightTeamOnlyWhileStopped) {
    StartServer({"--sync", "--noise=off"});
    ScriptedAgent left, right;
    ASSERT_TRUE(left.Join(sim.AgentPort()));
    ASSERT_TRUE(left.Init("L", 1));
    ASSERT_TRUE(right.Join(sim.AgentPort()));
    ASSERT_TRUE(right.Init("R", 1));
    ASSERT_TRUE(Align({&left, &right}));
    ASSERT_TRUE(Round({{&left, "(beam -3 2 30)"}, {&right, "(beam -3 2 30)"}}));

    std::string state = State();
    RobotState l = FindRobot(state, "Left", 1), r = FindRobot(state, "Right", 1);
    EXPECT_NEAR(-3, l.x, 0.02);
    EXPECT_NEAR(2, l.y, 0.02);
    EXPECT_NEAR(30, l.heading, 0.5);
    EXPECT_NEAR(3, r.x, 0.02);
    EXPECT_NEAR(-2, r.y, 0.02);
    EXPECT_NEAR(-150, r.heading, 0.5);
    EXPECT_GT(l.upz, 0.99);

    // Into the other half: clamped to the halfway line. Off the field: to the touch line.
    ASSERT_TRUE(Round({{&left, "(beam 4 9 0)"}, {&right, "(syn)"}}));
    l = FindRobot(State(), "Left", 1);
    EXPECT_NEAR(0, l.x, 0.02);
    EXPECT_NEAR(7, l.y, 0.02);

    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    ASSERT_TRUE(Round({{&left, "(beam -5 -5 0)"}, {&right, "(syn)"}}));
    ASSERT_TRUE(Round({{&left, "(syn)"}, {&right, "(syn)"}}));
    l = FindRobot(State(), "Left", 1);
    EXPECT_NEAR(0, l.x, 0.05);  // not moved
}

TEST_F(ServerTest, ASayIsHeardInTheNextPerceptionBySelfAndOthers) {
    StartServer({"--sync"});
    ScriptedAgent a, b, c;
    ASSERT_TRUE(a.Join(sim.AgentPort()));
    ASSERT_TRUE(a.Init("T", 1));
    ASSERT_TRUE(b.Join(sim.AgentPort()));
    ASSERT_TRUE(b.Init("T", 2));
    ASSERT_TRUE(c.Join(sim.AgentPort()));
    ASSERT_TRUE(c.Init("T", 3));
    // b faces +x at the origin, a stands 2 m to its left.
    ASSERT_TRUE(Align({&a, &b, &c}));
    ASSERT_TRUE(Round({{&a, "(beam -1 2 0)"}, {&b, "(beam -1 0 0)"}, {&c, "(beam -6 0 0)"}}));

    double saidAt = Now(a.last);
    // b and c speak in the same cycle as a: of one team only the first to arrive is heard.
    ASSERT_TRUE(Round(
        {{&a, "(say k4q1-1y2)"}, {&b, "(say second)"}, {&c, "(say toolongmessage-over-20)"}}));

    char self[64];
    std::snprintf(self, sizeof(self), "(hear %.2f self k4q1-1y2)", saidAt);
    EXPECT_NE(std::string::npos, a.last.find(self)) << a.last.substr(a.last.find("(hear"));
    EXPECT_NE(std::string::npos, a.last.find("second"));  // its own copy used no slot
    size_t at = b.last.find("k4q1-1y2");
    ASSERT_NE(std::string::npos, at) << b.last;
    double direction = std::strtod(b.last.c_str() + b.last.rfind(' ', at - 2) + 1, nullptr);
    EXPECT_NEAR(90, direction, 3);  // to the left
    EXPECT_NE(std::string::npos, c.last.find("k4q1-1y2"));
    EXPECT_EQ(std::string::npos, c.last.find("second"));
    EXPECT_EQ(std::string::npos, c.last.find("toolong"));
    // One cycle later nothing is heard any more.
    ASSERT_TRUE(Round({{&a, "(syn)"}, {&b, "(syn)"}, {&c, "(syn)"}}));
    EXPECT_EQ(std::string::npos, a.last.find("(hear"));
}

TEST_F(ServerTest, TrainerCommandsAndErrors) {
    StartServer({"--sync"});
    EXPECT_EQ("(error unknown command)", trainer.Command("(dance)"));
    EXPECT_EQ("(error malformed command)", trainer.Command("getState"));
    EXPECT_EQ("(error no such robot)",
              trainer.Command("(agent (team Left) (unum 1) (pos 0 0 0.4) (rot 0))"));
    EXPECT_EQ("(ok)", trainer.Command("(ball (pos 1 -2 0.042))"));
    std::string state = State();
    EXPECT_NEAR(1, NumberAfter(state.substr(state.find("(ball")), "pos"), 1e-3);
    EXPECT_EQ("BeforeKickOff", PlayModeOf(state));
    EXPECT_EQ("(ok)", trainer.Command("(playMode corner_kick_right)"));
    EXPECT_EQ("corner_kick_right", PlayModeOf(State()));
    EXPECT_EQ("(ok)", trainer.Command("(kickOff Right)"));
    state = State();
    EXPECT_EQ("KickOff_Right", PlayModeOf(state));
    // At kick-off the ball is put on the centre spot.
    EXPECT_NEAR(0, NumberAfter(state.substr(state.find("(ball")), "pos"), 1e-3);

    ScriptedAgent a;
    ASSERT_TRUE(a.Join(sim.AgentPort()));
    ASSERT_TRUE(a.Init("Solo", 7));
    ASSERT_EQ("(ok)",
              trainer.Command("(agent (team Left) (unum 7) (pos -3 1 0.12) (rot 90) (tilt 90))"));
    RobotState r = FindRobot(State(), "Left", 7);
    EXPECT_NEAR(-3, r.x, 0.02);
    EXPECT_NEAR(1, r.y, 0.02);
    EXPECT_LT(r.upz, 0.1);
    EXPECT_TRUE(r.fallen);

    EXPECT_EQ("(ok)", trainer.Command("(killsim)"));
    EXPECT_TRUE(sim.process.Wait(10));
    EXPECT_TRUE(sim.process.ExitedWith(0));
    EXPECT_NE(std::string::npos, sim.process.Stdout().find("final score Solo 0:0 Right"));
}

TEST(PitchSimProcessTest, UsageErrorsExitWithStatusTwo) {
    ChildProcess p;
    ASSERT_TRUE(p.Start(PitchSimBinary(), {"--agent-port=70000"}));
    ASSERT_TRUE(p.Wait(10));
    EXPECT_TRUE(p.ExitedWith(2));
    EXPECT_NE(std::string::npos, p.Stderr().find("bad value for --agent-port"));
    EXPECT_NE(std::string::npos, p.Stderr().find("usage: pitchsim"));
}

}  // namespace
