// pitchsim against hostile clients: passing teams, names with control bytes, floods of joins
// and of idle connections. The well-behaved clients must not notice.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/simprocess.h"

namespace {

std::string SideOf(WireClient& c, int port, const std::string& team) {
    const std::string gs = JoinTeam(c, port, team);
    const size_t at = gs.find("(team ");
    return at == std::string::npos ? "" : gs.substr(at + 6, gs.size() - at - 7);
}

TEST(HostileClientTest, PassingTeamsFreeTheirSidesAndBadTeamNamesAreRefused) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=50", "--auto-kickoff=0", "--quiet"}));
    {
        WireClient a, b;
        ASSERT_EQ("left", SideOf(a, sim.AgentPort(), "PassingA"));
        ASSERT_EQ("right", SideOf(b, sim.AgentPort(), "PassingB"));
    }  // both leave: their sides are free again
    WireClient real, other;
    EXPECT_EQ("left", SideOf(real, sim.AgentPort(), "Real"));
    EXPECT_EQ("right", SideOf(other, sim.AgentPort(), "Other"));

    const std::string badNames[] = {"Bad\x01Name", std::string("Nul\0Name", 8)};
    for (const std::string& name : badNames) {
        WireClient bad;
        ASSERT_TRUE(JoinScene(bad, sim.AgentPort()));
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

TEST(HostileClientTest, FloodsOfJoinsNeitherStallTheServerNorDropGoodAgents) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=50", "--auto-kickoff=0"}));
    WireClient good, lingering;
    ASSERT_EQ("left", SideOf(good, sim.AgentPort(), "Good"));
    std::string p;
    ASSERT_TRUE(lingering.Connect(sim.AgentPort()));
    lingering.Send(kScene);  // answers everything, never sends init
    const double lingeringSince = WallSeconds();
    double lingeringDropped = 0;
    std::vector<WireClient> flood(26);
    double longestGap = 0, last = WallSeconds();
    for (int cycle = 0; lingeringDropped == 0 && WallSeconds() < lingeringSince + 20; ++cycle) {
        if (cycle == 5) {
            for (WireClient& c : flood) {
                ASSERT_TRUE(c.Connect(sim.AgentPort()));
                c.Send(kScene);
            }
        }
        if (cycle == 60)
            for (WireClient& c : flood) c.Close();
        ASSERT_TRUE(good.Receive(p, 5)) << "cycle " << cycle;
        good.Send("(syn)");
        longestGap = std::max(longestGap, WallSeconds() - last);
        last = WallSeconds();
        while (lingering.Receive(p, 0.001)) lingering.Send("(syn)");
        if (lingering.SeesEnd(0)) lingeringDropped = WallSeconds();
    }
    // Joins and leaves cost the good agent a few sync timeouts at most (one model rebuild per
    // join took about 0.2 s, 26 of them stalled the server for seconds).
    EXPECT_LT(longestGap, 2.0);  // about 0.1 s on a quiet machine
    EXPECT_GT(lingeringDropped - lingeringSince, 9);
    EXPECT_LT(lingeringDropped - lingeringSince, 13);
    EXPECT_TRUE(sim.Stop());
    EXPECT_NE(std::string::npos, sim.process.Stdout().find("no init within 10 s"))
        << sim.process.Stdout();
}

// User plus system CPU time of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / sysconf(_SC_CLK_TCK);
}

TEST(HostileClientTest, ConnectionFloodsAreCappedAndNeverSpinTheServer) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--max-connections=16", "--auto-kickoff=0", "--quiet"}));
    {
        // Beyond the limit, connections are closed at once; the first 16 stay (idle).
        std::vector<WireClient> flood(40);
        int ended = 0;
        for (WireClient& c : flood) ASSERT_TRUE(c.Connect(sim.TrainerPort()));
        for (WireClient& c : flood) ended += c.SeesEnd(0.05);
        EXPECT_EQ(24, ended);
        WireClient agent;
        EXPECT_TRUE(JoinScene(agent, sim.AgentPort()));  // the agent port has its own limit
    }
    // Out of descriptors: accept fails while clients wait. The server must sleep, not spin.
    struct rlimit few = {24, 24};
    ASSERT_EQ(0, prlimit(sim.process.Pid(), RLIMIT_NOFILE, &few, nullptr));
    std::vector<WireClient> flood(40);
    for (WireClient& c : flood) ASSERT_TRUE(c.Connect(sim.TrainerPort()));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double cpu0 = CpuSeconds(sim.process.Pid()), wall0 = WallSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const double share = (CpuSeconds(sim.process.Pid()) - cpu0) / (WallSeconds() - wall0);
    EXPECT_LT(share, 0.2);  // spinning takes whatever share of a core the machine gives it
    for (WireClient& c : flood) c.Close();
    // Descriptors free again: a new agent is served.
    WireClient late;
    EXPECT_TRUE(JoinScene(late, sim.AgentPort()));
    EXPECT_TRUE(sim.Stop());
    const std::string err = sim.process.Stderr();
    EXPECT_EQ(1u, Count(err, "connection limit of 16 reached")) << err;
    EXPECT_LE(Count(err, "cannot accept"), 2u) << err;
}

}  // namespace
