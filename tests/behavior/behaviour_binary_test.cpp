// The agent binary driven by scripted perceptions through a stand-in server on a loopback port.

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
    EXPECT_NE(std::string::npos, neutral.find("(he2 -1.309)(")) << neutral;
    EXPECT_NE(std::string::npos, neutral.find("(lle4 -0)(")) << neutral;
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
    EXPECT_EQ("(beam -2 0 -0)", FirstBeam(9, "right"));                     // formation entry 0
    EXPECT_EQ("(beam -0.18 0.20 -0)", FirstBeam(9, "right", "Goal_Left"));  // the other's goal
    EXPECT_EQ("(beam -2 0 -0)", FirstBeam(9, "left", "Goal_Left"));         // its own goal
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
    EXPECT_EQ("(say k4q90y0)", SayAt(9, "0.72"));
    EXPECT_EQ("", SayAt(9, "0.78"));  // slot 9: nobody
    EXPECT_EQ("(say xyZ20y0)", SayAt(2, "0.44", {"--key=xyZ"}));
}

}  // namespace
