// pitchsim against scripted clients that join, pass, flood, exhaust descriptors or go silent.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "sim/record/recordfile.h"
#include "support/simprocess.h"

namespace {

TEST(HostileClientTest, PassingTeamsFreeTheirSidesBeamsAreMirroredAndBadJoinsRefused) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=50", "--auto-kickoff=0", "--quiet"}));
    {
        WireClient a, b;
        ASSERT_EQ("(GS (unum 1) (team left)", JoinTeam(a, sim.AgentPort(), "PassingA"));
        ASSERT_EQ("(GS (unum 1) (team right)", JoinTeam(b, sim.AgentPort(), "PassingB"));
    }  // both leave: their sides are free again
    WireClient left, right;
    EXPECT_EQ("(GS (unum 1) (team left)", JoinTeam(left, sim.AgentPort(), "Alpha"));
    EXPECT_EQ("(GS (unum 1) (team right)", JoinTeam(right, sim.AgentPort(), "Beta"));

    // Beams in each team's own frame, kept in its half; the trainer asks until they show.
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    left.Send("(beam 4 0.5 90)");
    right.Send("(beam -3 1 0)");
    std::string state, p;
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

    // A taken number, a number beyond the team size, a third team, a control byte in the name.
    for (const std::string& init :
         {std::string("(unum 1)(teamname Alpha)"), std::string("(unum 12)(teamname Beta)"),
          std::string("(unum 2)(teamname Gamma)"), std::string("(unum 5)(teamname Bad\x01Name)"),
          std::string("(unum 5)(teamname Nul\0Name)", 27),
          "(unum 5)(teamname " + std::string(33, 'x') + ")"}) {
        WireClient refused;
        ASSERT_TRUE(JoinScene(refused, sim.AgentPort()));
        refused.Send("(init " + init + ")");
        EXPECT_TRUE(refused.SeesEnd()) << testing::PrintToString(init);
    }
    left.Close();
    right.Close();
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
    ASSERT_EQ("(GS (unum 1) (team left)", JoinTeam(good, sim.AgentPort(), "Good"));
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
    // Joins cost a few sync timeouts at most (a model rebuild each stalled it for seconds).
    EXPECT_LT(longestGap, 2.0);  // about 0.1 s on a quiet machine
    EXPECT_GT(lingeringDropped - lingeringSince, 1.5);
    EXPECT_LT(lingeringDropped - lingeringSince, 5);
    EXPECT_TRUE(sim.Stop());
    EXPECT_NE(std::string::npos,
              sim.process.Stdout().find("no init within 2 s of its first perception"))
        << sim.process.Stdout();
}

// User plus system CPU time of a process, in seconds.
double CpuSeconds(pid_t pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    unsigned long user = 0, system = 0;  // fields 14 and 15, after the name in parentheses
    std::sscanf(stat.c_str() + stat.rfind(')') + 2,
                "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system);
    return static_cast<double>(user + system) / sysconf(_SC_CLK_TCK);
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

TEST(HostileClientTest, ASilentAgentCostsTheSyncTimeoutUntilItIsDropped) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=100", "--auto-kickoff=0", "--quiet"}));
    WireClient prompt, silent;
    std::string p;
    ASSERT_FALSE(JoinTeam(prompt, sim.AgentPort(), "Prompt").empty());
    ASSERT_FALSE(JoinTeam(silent, sim.AgentPort(), "Silent").empty());
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
    EXPECT_TRUE(sim.Stop());
}

// Clients that connect (and perhaps send scene) again as soon as they are closed, and read
// whatever they are sent.
class Squatters {
  public:
    Squatters(int port, int n, bool scene) : port_(port), scene_(scene), clients_(n) {
        for (WireClient& c : clients_) Join(c);
    }
    // One round: every client closed by the server connects again.
    void Churn() {
        for (WireClient& c : clients_)
            if (c.SeesEnd(0)) Join(c);
    }

  private:
    void Join(WireClient& c) {
        c.Close();
        if (c.Connect(port_) && scene_) c.Send(kScene);
    }
    int port_;
    bool scene_;
    std::vector<WireClient> clients_;
};

TEST(HostileClientTest, ClientsWithoutInitCostASyncedMatchNothingAndAreDroppedSoon) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=100", "--auto-kickoff=0"}));
    WireClient prompt;
    ASSERT_FALSE(JoinTeam(prompt, sim.AgentPort(), "Prompt").empty());
    // Scene, then silence, and again once dropped.
    Squatters silent(sim.AgentPort(), 3, true);
    std::string p;
    const double start = WallSeconds();
    int cycles = 0;
    for (; WallSeconds() < start + 4; ++cycles) {
        prompt.Send("(syn)");
        ASSERT_TRUE(prompt.Receive(p));
        silent.Churn();
    }
    // Waiting for them would cost the sync timeout of 100 ms in every cycle: 40 cycles.
    EXPECT_GT(cycles, 200);
    EXPECT_TRUE(sim.Stop());
    EXPECT_NE(std::string::npos,
              sim.process.Stdout().find("no init within 2 s of its first perception"))
        << sim.process.Stdout().substr(0, 2000);
}

// An agent slow to send init after its first perception, in a synced match that does not wait
// for it meanwhile, is not sent the cycles it has not answered: once it has joined it reads
// the cycle that is, not a queue of old ones that would keep it behind for good.
TEST(HostileClientTest, AnAgentSlowToInitJoinsInStepWithTheServer) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--sync-timeout=100", "--auto-kickoff=0", "--quiet"}));
    WireClient prompt, slow;
    std::string p, q;
    ASSERT_FALSE(JoinTeam(prompt, sim.AgentPort(), "Prompt").empty());
    ASSERT_TRUE(JoinScene(slow, sim.AgentPort()));
    for (const double until = WallSeconds() + 0.3; WallSeconds() < until;) {
        prompt.Send("(syn)");
        ASSERT_TRUE(prompt.Receive(p));
    }
    slow.Send("(init (unum 2)(teamname Slow))(syn)");
    for (int k = 0; k < 20; ++k) {
        prompt.Send("(syn)");
        ASSERT_TRUE(prompt.Receive(p));
        ASSERT_TRUE(slow.Receive(q));
        slow.Send("(syn)");
    }
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    const double now = NumberAfter(trainer.Command("(getState)"), "time");
    EXPECT_LE(now - NumberAfter(q, "now"), 0.041) << q.substr(0, 200);
    EXPECT_TRUE(sim.Stop());
}

TEST(HostileClientTest, SquattersWithoutInitNeverLockAnAgentOut) {
    const struct {
        const char* what;
        int clients;
        bool scene;
        const char* limit;
    } rows[] = {
        {"idle connections filling the port", 16, false, "--max-connections=16"},
        {"scene-only clients filling the rooms", 29, true, "--max-connections=64"},
    };
    for (const auto& row : rows) {
        PitchSim sim;
        ASSERT_TRUE(sim.Start({row.limit, "--auto-kickoff=0", "--quiet"}));
        Squatters squatters(sim.AgentPort(), row.clients, row.scene);
        for (int k = 0; k < 50; ++k) {  // a second of them
            squatters.Churn();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::string joined;
        std::atomic<bool> done{false};
        std::thread agent([&] {
            WireClient c;
            joined = JoinTeam(c, sim.AgentPort(), "Real");
            done = true;
        });
        for (int k = 0; k < 300 && !done; ++k) {
            squatters.Churn();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        agent.join();
        EXPECT_EQ("(GS (unum 1) (team left)", joined) << row.what;
        EXPECT_TRUE(sim.Stop());
        EXPECT_EQ(std::string::npos, sim.process.Stdout().find("world is full")) << row.what;
    }
}

// Tens of thousands of kick-offs by the trainer: a few events logged and recorded per cycle,
// the rest counted in one line, and no recording line grows with them.
TEST(HostileClientTest, ABurstOfTrainerEventsGivesOneLineAndBoundedRecordingLines) {
    const std::string dir = "/tmp/hostile_burst_" + std::to_string(getpid());
    ASSERT_EQ(0, std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()));
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--auto-kickoff=0", "--quiet", "--log=" + dir + "/sim.log",
                           "--record=" + dir + "/rec.zst"}));
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    std::string burst;
    for (int k = 0; k < 2000; ++k) burst += "(kickOff Left)(kickOff Right)";
    std::string reply;
    for (int frame = 0; frame < 10; ++frame) {
        trainer.Send(burst);
        for (int k = 0; k < 4000; ++k) ASSERT_TRUE(trainer.Receive(reply)) << k;
    }
    ASSERT_EQ(0u, trainer.Command("(getState)").find("(state"));
    EXPECT_TRUE(sim.Stop());
    const std::string log = ReadFile(dir + "/sim.log");
    EXPECT_LT(Count(log, "play mode KickOff"), 200u);
    EXPECT_EQ(1u, Count(log, "events beyond 8 in a cycle")) << log.substr(0, 2000);
    RecordFileReader reader;
    std::string error, line;
    ASSERT_TRUE(reader.Open(dir + "/rec.zst", error)) << error;
    size_t longest = 0, lines = 0;
    while (reader.NextLine(line) == RecordFileReader::kLine) {
        longest = std::max(longest, line.size());
        ++lines;
    }
    EXPECT_GT(lines, 1u);
    EXPECT_LT(longest, 16u * 1024) << "bytes";
    std::system(("rm -rf '" + dir + "'").c_str());
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

}  // namespace
