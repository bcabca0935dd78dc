// pitchsim against hostile clients on loopback: made-up teams that come and go, names with
// control bytes, floods of joins and of idle connections. The well-behaved clients must not
// notice.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

const char* kScene = "(scene rsg/agent/nao/nao.rsg)";

// Joins, sends init and answers perceptions until one names the robot's side; returns
// "left"/"right", or "" when the link ends first.
std::string JoinAs(WireClient& c, int port, const std::string& team) {
    std::string p;
    if (!c.Connect(port)) return "";
    c.Send(kScene);
    if (!c.Receive(p)) return "";
    c.Send("(init (unum 0)(teamname " + team + "))");
    while (c.Receive(p)) {
        c.Send("(syn)");
        size_t at = p.find("(team ");
        if (p.find("(GS (unum") != std::string::npos && at != std::string::npos)
            return p.substr(at + 6, p.find(')', at) - at - 6);
    }
    return "";
}

TEST(HostileClientTest, PassingTeamsFreeTheirSidesAndBadTeamNamesAreRefused) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=50", "--auto-kickoff=0", "--quiet"}));
    {
        WireClient a, b;
        ASSERT_EQ("left", JoinAs(a, sim.AgentPort(), "PassingA"));
        ASSERT_EQ("right", JoinAs(b, sim.AgentPort(), "PassingB"));
    }  // both leave: their sides are free again
    WireClient real, other;
    EXPECT_EQ("left", JoinAs(real, sim.AgentPort(), "Real"));
    EXPECT_EQ("right", JoinAs(other, sim.AgentPort(), "Other"));

    const std::string badNames[] = {"Bad\x01Name", std::string("Nul\0Name", 8), "Tab\x7f"};
    for (const std::string& name : badNames) {
        WireClient bad;
        std::string p;
        ASSERT_TRUE(bad.Connect(sim.AgentPort()));
        bad.Send(kScene);
        ASSERT_TRUE(bad.Receive(p));
        bad.Send("(init (unum 5)(teamname " + name + "))");
        EXPECT_TRUE(bad.SeesEnd()) << testing::PrintToString(name);
    }
    real.Close();
    other.Close();
    EXPECT_TRUE(sim.Stop());
    const std::string err = sim.process.Stderr();
    EXPECT_NE(std::string::npos, err.find("byte 0x01 at 3")) << err;
    EXPECT_NE(std::string::npos, err.find("byte 0x00 at 3")) << err;
    for (char ch : err) EXPECT_TRUE(ch == '\n' || (ch >= ' ' && ch <= '~')) << int(ch);
}

}  // namespace
