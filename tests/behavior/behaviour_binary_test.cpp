// The behaviour as the server sees it: the agent binary driven by scripted perceptions through
// a stand-in server on a loopback port.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/scripted_peer.h"

namespace {

const char kInit5[] = "(init (unum 5)(teamname Marrowfinch))";

// Server time 10.10 s falls in speaking slot 2 (robot 3): robots 5 and 9 stay silent there.
const double kQuietTime = 10.10;

std::string Perception(double now, const std::string& mode, const std::string& side, int unum,
                       const std::string& extra = "", double gameTime = 0) {
    char head[200];
    std::snprintf(head, sizeof(head), "(time (now %.2f))(GS (unum %d) (team %s) (t %.2f) (pm %s))",
                  now, unum, side.c_str(), gameTime, mode.c_str());
    return head + extra;
}

std::string Joint(const char* name, double angle) {
    char text[64];
    std::snprintf(text, sizeof(text), "(HJ (n %s) (ax %.2f))", name, angle);
    return text;
}

// The reply without its spoken message.
std::string WithoutSay(const std::string& reply) {
    const std::string::size_type at = reply.find("(say ");
    if (at == std::string::npos) return reply;
    return reply.substr(0, at) + reply.substr(reply.find(')', at) + 1);
}

// The velocity text the reply gives one effector ("he1", "lae1" ...); "" when absent.
std::string Velocity(const std::string& reply, const std::string& effector) {
    const std::string key = "(" + effector + " ";
    const std::string::size_type at = reply.find(key);
    if (at == std::string::npos) return "";
    const std::string::size_type from = at + key.size();
    return reply.substr(from, reply.find(')', from) - from);
}

bool IsStopAll(const std::string& reply) {
    if (reply.compare(0, 5, "(he1 ") != 0) return false;
    for (const char* effector : {"he1", "he2", "lae1", "rae1", "lle3", "rle4", "rle6"}) {
        const std::string v = Velocity(reply, effector);
        if (v != "0" && v != "-0") return false;
    }
    return true;
}

class Agent {
  public:
    // Starts the binary with the uniform number and takes its scene message.
    void Start(int unum) {
        ASSERT_TRUE(peer.Start(
            {"--port=" + std::to_string(peer.Port()), "--unum=" + std::to_string(unum)}));
        ASSERT_TRUE(peer.Accept());
        std::string scene;
        ASSERT_TRUE(peer.Receive(scene));
        ASSERT_EQ("(scene rsg/agent/nao/nao.rsg)", scene);
    }

    // One cycle; "" when the agent sends nothing within the timeout.
    std::string Cycle(const std::string& perception, double timeout = 2.0) {
        ++calls;
        return peer.Exchange(perception, timeout);
    }

    ScriptedPeer peer;
    int calls = 0;
};

// Drives a robot from its start until the call before its first beam: calls 1 to 22.
void RunToBeam(Agent& agent, const std::string& perception) {
    while (agent.calls < 22) agent.Cycle(perception);
}

TEST(BehaviourBinary, InitFirstThenNeutralHoldAndTwoBeamsEveryTwentyTwoCycles) {
    Agent agent;
    agent.Start(5);
    const std::string p = Perception(kQuietTime, "BeforeKickOff", "left", 5);
    EXPECT_EQ(kInit5, agent.Cycle(p));

    // Neutral pose: head pitch to -30.0001 over 20 cycles (he2, -1.500005 deg per cycle =
    // -1.309 rad/s), every other joint to (almost) zero, from sensed angles of 0.
    const std::string neutral = agent.Cycle(p);
    EXPECT_EQ("-1.309", Velocity(neutral, "he2"));
    EXPECT_EQ("-0", Velocity(neutral, "lae1"));
    EXPECT_EQ("-0", Velocity(neutral, "lle4"));
    // Calls 3 to 22 hold it: the counter started at 0 on call 2, so the 21-cycle hold ends on
    // call 22 and the beam follows on calls 23 and 24 only.
    for (int call = 3; call <= 22; ++call) {
        EXPECT_EQ(neutral, agent.Cycle(p)) << "call " << call;
    }
    EXPECT_EQ("(beam -5.5 -2 -0)", agent.Cycle(p));
    EXPECT_EQ("(beam -5.5 -2 -0)", agent.Cycle(p));
    EXPECT_EQ(neutral, agent.Cycle(p)) << "call 25";
    // While the game stays stopped the robot is beamed again 22 cycles later.
    for (int call = 26; call <= 44; ++call) EXPECT_EQ(neutral, agent.Cycle(p)) << call;
    EXPECT_EQ("(beam -5.5 -2 -0)", agent.Cycle(p)) << "call 45";
}

std::string FirstBeam(int unum, const std::string& side, double gameTime = 0,
                      const std::string& mode = "BeforeKickOff") {
    Agent agent;
    agent.Start(unum);
    const std::string p = Perception(kQuietTime, mode, side, unum, "", gameTime);
    RunToBeam(agent, p);
    return WithoutSay(agent.Cycle(p));
}

TEST(BehaviourBinary, NumberNineTakesKickOffOnlyForItsOwnSide) {
    EXPECT_EQ("(beam -0.18 0.20 -0)", FirstBeam(9, "left"));
    // On the right side it goes to formation entry 0.
    EXPECT_EQ("(beam -2 0 -0)", FirstBeam(9, "right"));
    // After the other team's goal it takes the kick-off, after its own team's goal it does not.
    EXPECT_EQ("(beam -0.18 0.20 -0)", FirstBeam(9, "right", 0, "Goal_Left"));
    EXPECT_EQ("(beam -2 0 -0)", FirstBeam(9, "left", 0, "Goal_Left"));
    EXPECT_EQ("(beam -10.1 0 -0)", FirstBeam(1, "left"));
}

TEST(BehaviourBinary, NumbersOutsideTheTableBeamToDistinctOwnHalfSpots) {
    std::vector<std::string> beams;
    for (int unum : {0, 10, 11}) {
        const std::string beam = FirstBeam(unum, "left");
        float x = 1, y = 99;
        ASSERT_EQ(2, std::sscanf(beam.c_str(), "(beam %f %f -0)", &x, &y)) << beam;
        EXPECT_LT(x, -2.0f) << beam;  // own half, outside the centre circle
        EXPECT_GT(x, -10.5f) << beam;
        EXPECT_LT(std::abs(y), 7.0f) << beam;
        beams.push_back(beam);
    }
    EXPECT_NE(beams[0], beams[1]);
    EXPECT_NE(beams[1], beams[2]);
    EXPECT_NE(beams[0], beams[2]);
}

// The say text of one cycle at server time `now` for a robot that is still holding.
std::string SayAt(int unum, double now) {
    Agent agent;
    agent.Start(unum);
    agent.Cycle(Perception(now, "BeforeKickOff", "left", unum));
    const std::string reply = agent.Cycle(Perception(now, "BeforeKickOff", "left", unum));
    const std::string::size_type at = reply.find("(say ");
    return at == std::string::npos ? "" : reply.substr(at);
}

TEST(BehaviourBinary, EachRobotSpeaksInItsOwnSlot) {
    // Slot = floor((t + 0.005) * 100) / 4 modulo 10; robot n speaks in slot n - 1. Without
    // landmarks the robot places itself at the field origin.
    EXPECT_EQ("(say k4q10y0)", SayAt(1, 0.40));
    EXPECT_EQ("", SayAt(2, 0.40));
    EXPECT_EQ("(say k4q20y0)", SayAt(2, 0.44));
    EXPECT_EQ("", SayAt(1, 0.44));
    EXPECT_EQ("(say k4q90y0)", SayAt(9, 0.72));
    for (int unum : {1, 2, 9}) EXPECT_EQ("", SayAt(unum, 0.78)) << unum;
}

// From the start in play: neutral hold (calls 2-22), beam (23-24), then S_Wait from call 25
// with the origin pose, the left shoulder reported at `shoulderAtStart` on call 25 and at
// `shoulderAt40` on call 64 (counter 40). Returns the replies of calls 64 to `lastCall`.
std::vector<std::string> WaitEnd(Agent& agent, double shoulderAtStart, double shoulderAt40,
                                 int lastCall) {
    agent.Start(5);
    const std::string play = Perception(kQuietTime, "PlayOn", "left", 5);
    RunToBeam(agent, play);
    EXPECT_EQ("(beam -5.5 -2 -0)", agent.Cycle(play));
    EXPECT_EQ("(beam -5.5 -2 -0)", agent.Cycle(play));
    const std::string hold = agent.Cycle(play + Joint("laj1", shoulderAtStart));
    // The origin pose drives the left shoulder to -120 in 40 cycles.
    const double perCycle = (-120 - shoulderAtStart) / 40;
    char expected[32];
    std::snprintf(expected, sizeof(expected), "%.3f", perCycle / 0.02 * 3.1415926 / 180);
    EXPECT_EQ(expected, Velocity(hold, "lae1"));
    while (agent.calls < 63) EXPECT_EQ(hold, agent.Cycle(play)) << agent.calls;
    std::vector<std::string> replies;
    replies.push_back(agent.Cycle(play + Joint("laj1", shoulderAt40)));
    while (agent.calls < lastCall) replies.push_back(agent.Cycle(play, 0.5));
    return replies;
}

TEST(BehaviourBinary, WaitStretchesForTheShoulderAndEndsEarlyWhenItIsThere) {
    {
        // -1 degree per cycle; 5 degrees still to go at counter 40: 5 - 2 = 3 more cycles.
        Agent agent;
        const std::vector<std::string> r = WaitEnd(agent, -80, -115, 68);
        EXPECT_EQ("-0.873", Velocity(r[0], "lae1"));  // still holding at counter 40
        EXPECT_EQ("", r[1]);                          // counters 41, 42, 43: nothing
        EXPECT_EQ("", r[2]);
        EXPECT_EQ("", r[3]);
        EXPECT_TRUE(IsStopAll(r[4])) << r[4];  // S_Judge
    }
    {
        // Already there at counter 40: 0 - 2 = -2, the 38-cycle hold is over at once.
        Agent agent;
        const std::vector<std::string> r = WaitEnd(agent, -80, -120, 66);
        EXPECT_EQ("-0.873", Velocity(r[0], "lae1"));
        EXPECT_TRUE(IsStopAll(r[1])) << r[1];
        EXPECT_TRUE(IsStopAll(r[2])) << r[2];
    }
}

TEST(BehaviourBinary, WithoutBallInViewTheRobotSweepsItsHead) {
    Agent agent;
    WaitEnd(agent, -80, -120, 66);
    // S_Judge on calls 65 and 66; on 66 the strategy chooses the head search.
    const std::string play = Perception(kQuietTime, "PlayOn", "left", 5);
    // Call 67: the search turns the head 20 degrees to the left of where it is (0) within a
    // 4-cycle keyframe: 5 degrees per cycle, 4.363 rad/s.
    std::string sweep = agent.Cycle(play + Joint("hj1", 0));
    EXPECT_EQ("4.363", Velocity(sweep, "he1"));
    for (int call = 68; call <= 70; ++call) EXPECT_EQ(sweep, agent.Cycle(play + Joint("hj1", 10)));
    // The next keyframe starts from the reported 20 degrees and aims at 40: (40 - 20 - 5) / 4 =
    // 3.75 degrees per cycle.
    sweep = agent.Cycle(play + Joint("hj1", 20));
    EXPECT_EQ("3.272", Velocity(sweep, "he1"));
    // At the 120-degree stop the sweep turns back: 121 -> 101.
    for (int call = 72; call <= 74; ++call) agent.Cycle(play + Joint("hj1", 121));
    sweep = agent.Cycle(play + Joint("hj1", 121));
    EXPECT_EQ('-', Velocity(sweep, "he1")[0]) << sweep;
}

bool HasNonNumber(std::string reply) {
    std::transform(reply.begin(), reply.end(), reply.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return reply.find("nan") != std::string::npos || reply.find("inf") != std::string::npos;
}

TEST(BehaviourBinary, AbsurdPerceptionsNeverPutNonNumbersOnTheWire) {
    const std::vector<std::string> absurd = {
        Joint("hj1", 1e30) + Joint("laj1", -1e30),
        "(HJ (n hj1) (ax nan))(HJ (n laj1) (ax inf))(HJ (n llj4) (ax -inf))",
        "(HJ (n hj2) (ax abc))(HJ (n rlj3) (ax 1e999))",
        "(GYR (n torso) (rt 1e30 -1e30 1e30))",
        "(GYR (n torso) (rt nan inf 3))",
        "(See)",
        "(See (B (pol nan inf 1e30)))",
        "(See (F1L (pol 1e30 1e30 1e30)) (G1L (pol 0 0 0)) (B (pol 0 1e30 0)))",
        "(FRP (n lf) (c nan 0 0) (f 1e30 0 1e30))(FRP (n rf) (c 0 0 0) (f 0 0 1e30))",
        "(hear 0.0 12 k4q5nanyinf)",
    };
    Agent agent;
    agent.Start(5);
    int spoken = 0, commanded = 0;
    // Every absurdity in turn over the neutral hold, the beam, the wait, the judgement and
    // the head search, in play, and on the speaking slot of robot 5 (t = 0.16 s, slot 4).
    for (int call = 1; call <= 130; ++call) {
        const double now = call % 10 == 0 ? 0.16 : call % 7 == 0 ? 1e30 : 10 + 0.02 * call;
        const std::string p = Perception(now, call < 100 ? "PlayOn" : "KickOff_Right", "left", 5,
                                         absurd[call % absurd.size()]);
        const std::string reply = agent.Cycle(p, 0.2);  // silence is a valid answer
        EXPECT_FALSE(HasNonNumber(reply)) << "call " << call << ": " << reply;
        spoken += reply.find("(say ") != std::string::npos;
        commanded += reply.find("(he1 ") != std::string::npos;
    }
    // The run went through spoken slots and joint commands, not just silence.
    EXPECT_GT(spoken, 0);
    EXPECT_GT(commanded, 60);
    EXPECT_TRUE(agent.peer.Running());
}

}  // namespace
