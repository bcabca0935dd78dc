// The behaviour as the server sees it: the agent binary driven by scripted perceptions through
// a stand-in server on a loopback port.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_peer.h"

namespace {

// Server time 10.10 s falls in speaking slot 2 (robot 3): robots 1, 5 and 9 stay silent there.
std::string Perception(const std::string& mode, const std::string& side, int unum,
                       const std::string& now = "10.10", const std::string& extra = "") {
    return "(time (now " + now + "))(GS (unum " + std::to_string(unum) + ") (team " + side +
           ") (t 0.00) (pm " + mode + "))" + extra;
}

std::string Joint(const std::string& name, double degrees) {
    return "(HJ (n " + name + ") (ax " + std::to_string(degrees) + "))";
}

// The velocity text the reply gives one effector ("he1" ...); "" when absent.
std::string Velocity(const std::string& reply, const std::string& effector) {
    const std::string::size_type at = reply.find("(" + effector + " ");
    if (at == std::string::npos) return "";
    const std::string::size_type from = at + effector.size() + 2;
    return reply.substr(from, reply.find(')', from) - from);
}

const char kStopAll[] =  // the judgement: every joint stopped
    "(he1 0)(he2 0)(lae1 0)(rae1 0)(lae2 0)(rae2 0)(lae3 0)(rae3 0)(lae4 0)(rae4 0)(lle1 0)(rle1 0)"
    "(lle2 0)(rle2 0)(lle3 0)(rle3 0)(lle4 0)(rle4 0)(lle5 0)(rle5 0)(lle6 0)(rle6 0)";

// The agent binary with a uniform number, past its scene message.
struct Agent {
    explicit Agent(int unum, const std::vector<std::string>& options = {}) {
        std::string scene;
        std::vector<std::string> args = {"--port=" + std::to_string(peer.Port()),
                                         "--unum=" + std::to_string(unum)};
        args.insert(args.end(), options.begin(), options.end());
        EXPECT_TRUE(peer.Start(args) && peer.Accept() && peer.Receive(scene));
        EXPECT_EQ("(scene rsg/agent/nao/nao.rsg)", scene);
    }
    // One cycle: the reply without the "(syn)" that must close it ("" for a silent cycle).
    std::string Cycle(const std::string& perception, double timeout = 2.0) {
        ++calls;
        const std::string reply = peer.Exchange(perception, timeout);
        const std::string::size_type mark = reply.find("(syn)");
        EXPECT_TRUE(mark != std::string::npos && mark + 5 == reply.size())
            << "call " << calls << ": '" << reply << "'";
        return mark == std::string::npos ? reply : reply.substr(0, mark);
    }

    ScriptedPeer peer;
    int calls = 0;
};

TEST(BehaviourBinary, InitFirstThenNeutralHoldAndTwoBeamsEveryTwentyTwoCycles) {
    Agent agent(5);
    const std::string p = Perception("BeforeKickOff", "left", 5);
    EXPECT_EQ("(init (unum 5)(teamname Marrowfinch))", agent.Cycle(p));
    // Neutral pose from sensed 0: head pitch to -30.0001 in 20 cycles, other joints to about 0.
    const std::string neutral = agent.Cycle(p);
    EXPECT_EQ("-1.309", Velocity(neutral, "he2"));
    EXPECT_EQ("-0", Velocity(neutral, "lle4"));
    // The hold from call 2 ends on call 22; beams on calls 23 and 24, and 22 cycles later.
    for (int call = 3; call <= 45; ++call) {
        const bool beam = call == 23 || call == 24 || call == 45;
        EXPECT_EQ(beam ? std::string("(beam -5.5 -2 -0)") : neutral, agent.Cycle(p)) << call;
    }
}

std::string FirstBeam(int unum, const std::string& side,
                      const std::string& mode = "BeforeKickOff") {
    Agent agent(unum);
    const std::string p = Perception(mode, side, unum);
    while (agent.calls < 22) agent.Cycle(p);
    return agent.Cycle(p);
}

TEST(BehaviourBinary, NumberNineTakesTheKickOffOnlyForItsOwnSide) {
    EXPECT_EQ("(beam -0.18 0.20 -0)", FirstBeam(9, "left"));
    EXPECT_EQ("(beam -2 0 -0)", FirstBeam(9, "right"));  // formation entry 0
    // After the other team's goal it takes the kick-off, after its own team's goal it does not.
    EXPECT_EQ("(beam -0.18 0.20 -0)", FirstBeam(9, "right", "Goal_Left"));
    EXPECT_EQ("(beam -2 0 -0)", FirstBeam(9, "left", "Goal_Left"));
    EXPECT_EQ("(beam -10.1 0 -0)", FirstBeam(1, "left"));
}

// The say text of a robot's second cycle (holding still) at server time `now`.
std::string SayAt(int unum, const char* now, const std::vector<std::string>& options = {}) {
    Agent agent(unum, options);
    const std::string p = Perception("BeforeKickOff", "left", unum, now);
    agent.Cycle(p);
    const std::string reply = agent.Cycle(p);
    const std::string::size_type at = reply.find("(say ");
    return at == std::string::npos ? "" : reply.substr(at);
}

TEST(BehaviourBinary, EachRobotSpeaksInItsOwnSlot) {
    // Robot n speaks in slot n - 1 of floor((t + 0.005) * 100) / 4 mod 10; unlocalised at 0, 0.
    EXPECT_EQ("(say k4q10y0)", SayAt(1, "0.40"));
    EXPECT_EQ("(say k4q20y0)", SayAt(2, "0.44"));
    EXPECT_EQ("(say k4q90y0)", SayAt(9, "0.72"));
    EXPECT_EQ("", SayAt(9, "0.78"));  // slot 9: nobody
    EXPECT_EQ("(say xyZ20y0)", SayAt(2, "0.44", {"--key=xyZ"}));
}

// Robot 5 in play: S_Wait from call 25 (after hold and beams) with the left shoulder at -80,
// reported at `shoulderAt40` on call 64 (counter 40). Returns the replies of calls 64 to lastCall.
std::vector<std::string> WaitEnd(Agent& agent, double shoulderAt40, int lastCall) {
    const std::string play = Perception("PlayOn", "left", 5);
    while (agent.calls < 24) agent.Cycle(play);
    // The origin pose drives the shoulder from -80 to -120 in 40 cycles: -1 degree per cycle.
    const std::string hold = agent.Cycle(play + Joint("laj1", -80));
    EXPECT_EQ("-0.873", Velocity(hold, "lae1"));
    while (agent.calls < 63) EXPECT_EQ(hold, agent.Cycle(play)) << agent.calls;
    std::vector<std::string> replies{agent.Cycle(play + Joint("laj1", shoulderAt40))};
    while (agent.calls < lastCall) replies.push_back(agent.Cycle(play));
    return replies;
}

TEST(BehaviourBinary, WaitStretchesForTheShoulderThenTheRobotSearchesWithItsHead) {
    {
        // 5 degrees still to go at counter 40: 5 - 2 = 3 more silent cycles.
        Agent agent(5);
        const std::vector<std::string> r = WaitEnd(agent, -115, 68);
        for (int i = 1; i <= 3; ++i) EXPECT_EQ("", r[i]) << "counter " << 40 + i;
        EXPECT_EQ(kStopAll, r[4]);  // S_Judge
    }
    // Already there at counter 40: 0 - 2 = -2, S_Judge at once on calls 65 and 66.
    Agent agent(5);
    const std::vector<std::string> r = WaitEnd(agent, -120, 66);
    EXPECT_EQ(kStopAll, r[1]);
    EXPECT_EQ(kStopAll, r[2]);
    // No ball in view: the head search turns the head 20 degrees left of its sensed 0 in a
    // 4-cycle keyframe (4.363 rad/s).
    const std::string play = Perception("PlayOn", "left", 5);
    const std::string sweep = agent.Cycle(play + Joint("hj1", 0));
    EXPECT_EQ("4.363", Velocity(sweep, "he1"));
    for (int call = 68; call <= 70; ++call) EXPECT_EQ(sweep, agent.Cycle(play + Joint("hj1", 10)));
    // The next keyframe starts from the sensed 20 and aims at 40: (40 - 20 - 5) / 4 degrees.
    EXPECT_EQ("3.272", Velocity(agent.Cycle(play + Joint("hj1", 20)), "he1"));
    // Beyond the 120-degree stop the sweep turns back: 121 -> 101, (101 - 121 - 3.75) / 4.
    for (int call = 72; call <= 74; ++call) agent.Cycle(play + Joint("hj1", 121));
    EXPECT_EQ("-5.181", Velocity(agent.Cycle(play + Joint("hj1", 121)), "he1"));
}

TEST(BehaviourBinary, AbsurdPerceptionsNeverPutNonNumbersOnTheWire) {
    const std::vector<std::string> absurd = {
        Joint("hj1", 1e30) + Joint("laj1", -1e30),
        "(HJ (n hj1) (ax nan))(HJ (n laj1) (ax inf))(HJ (n llj4) (ax -inf))(HJ (n hj2) (ax abc))",
        "(See)(HJ (n rlj3) (ax 1e999))(time (now 1e30))",
        "(GYR (n torso) (rt 1e30 -1e30 1e30))(GYR (rt nan inf 3))(See (B (pol nan inf 1e30)))",
        "(See (F1L (pol 1e30 1e30 1e30)) (G1L (pol 0 0 0)) (B (pol 0 1e30 0)))",
        "(FRP (n lf) (c nan 0 0) (f 1e30 0 1e30))(FRP (n rf) (f 0 0 1e30))(hear 0 1 k4q5nanyinf)",
    };
    Agent agent(5);
    int spoken = 0, commanded = 0;
    // Through hold, beam, wait, judgement and head search; t = 0.16 s is robot 5's say slot.
    for (int call = 1; call <= 130; ++call) {
        const std::string now = call % 10 ? std::to_string(10 + 0.02 * call) : "0.16";
        const std::string reply = agent.Cycle(Perception(
            call < 100 ? "PlayOn" : "KickOff_Right", "left", 5, now, absurd[call % absurd.size()]));
        EXPECT_TRUE(reply.find("nan") == std::string::npos &&
                    reply.find("inf") == std::string::npos)
            << "call " << call << ": " << reply;
        spoken += reply.find("(say ") != std::string::npos;
        commanded += reply.find("(he1 ") != std::string::npos;
    }
    EXPECT_GT(spoken, 0);  // the run went through spoken slots and joint commands
    EXPECT_GT(commanded, 60);
    EXPECT_TRUE(agent.peer.Running());
}

}  // namespace
