// Our agent in pitchsim: it joins, is given its number and side, beams to its formation place,
// holds its stance after kick-off, plays on next to clients that misbehave, localises with
// field lines and camera calibration errors in view, and plays a whole match to its end.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/field.h"

namespace {

class AgentMatchTest : public FieldTest {
  protected:
    void StartServer(const std::vector<std::string>& options) {
        std::vector<std::string> all = {"--noise=off"};  // a test's own come last
        all.insert(all.end(), options.begin(), options.end());
        FieldTest::StartServer(all);
    }
};

TEST_F(AgentMatchTest, OneAgentBeamsToItsFormationPlaceThenHoldsItsStanceForThirtySeconds) {
    StartServer({"--sync", "--auto-kickoff=0"});
    StartAgent(5);
    ASSERT_TRUE(UntilSimTime(3));
    std::string state = State();
    EXPECT_EQ("BeforeKickOff", PlayModeOf(state));
    // Number 5 of the left team stands at its formation place (-5.5, -2).
    RobotState r = FindRobot(state, "Left", 5);
    ASSERT_TRUE(r.found) << state;
    EXPECT_NEAR(-5.5, r.x, 0.1);
    EXPECT_NEAR(-2, r.y, 0.1);

    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    double start = SimTime(), lowestUpz = 1;
    while (SimTime() < start + 30) {
        r = FindRobot(State(), "Left", 5);
        ASSERT_TRUE(r.found);
        ASSERT_FALSE(r.fallen) << "fell at " << SimTime();
        lowestUpz = std::min(lowestUpz, r.upz);
        // A synced server runs many cycles per wall millisecond: look often.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(lowestUpz, 0.9);
    EXPECT_TRUE(agents[0]->Running());
}

TEST_F(AgentMatchTest, FourAgentsPlayOnBesideAGarbageClientAndOneThatStopsReading) {
    StartServer({"--sync"});
    for (int unum = 1; unum <= 4; ++unum) StartAgent(unum);
    ASSERT_TRUE(OnField({1, 2, 3, 4}));  // the first team plays left
    WireClient garbage, sleeper;
    ASSERT_TRUE(garbage.Connect(sim.AgentPort()));
    garbage.Send("(scene rsg/agent/nao/nao.rsg)");
    ASSERT_TRUE(sleeper.Connect(sim.AgentPort()));
    sleeper.Send("(scene rsg/agent/nao/nao.rsg)");
    sleeper.Send("(init (unum 9)(teamname Sleepers))");

    // The garbage client answers every perception with rubbish, then (syn); the sleeper never
    // reads.
    std::string perception;
    double simStart = -1;
    for (double end = WallSeconds() + 60; WallSeconds() < end;) {
        if (garbage.Receive(perception, 0.5)) {
            garbage.Send("(he1 nan)((((lle2 1e99)(say a b)");
            garbage.Send("(syn)");  // the rubbish ended its own frame
        }
        double t = SimTime();
        if (simStart < 0 && t > 1) simStart = t;
        if (simStart > 0 && t > simStart + 20) break;
    }
    std::string state = State();
    for (int unum = 1; unum <= 4; ++unum) {
        RobotState r = FindRobot(state, "Left", unum);
        EXPECT_TRUE(r.found && !r.fallen) << unum;
    }
    // The sleeper was dropped for its silence; the four agents kept the clock going.
    EXPECT_FALSE(FindRobot(state, "Right", 9).found);
    EXPECT_GT(NumberAfter(state, "time"), simStart + 20);
    for (auto& a : agents) EXPECT_TRUE(a->Running());
}

// A scripted listener of another team hears the agents' spoken positions; each is compared
// with the robot's torso in the trainer's state.
TEST_F(AgentMatchTest, AgentsLocaliseWithFieldLinesAndCameraCalibrationErrors) {
    StartServer({"--sync", "--auto-kickoff=0", "--noise=on", "--lines=on", "--seed=5"});
    const std::vector<int> unums = {2, 3, 4};
    for (int unum : unums) StartAgent(unum);
    ASSERT_TRUE(OnField(unums));
    WireClient listener;
    std::string p;
    ASSERT_TRUE(listener.Connect(sim.AgentPort()));
    listener.Send("(scene rsg/agent/nao/nao.rsg)");
    ASSERT_TRUE(listener.Receive(p));
    listener.Send("(init (unum 1)(teamname Listeners))(syn)");
    // (hear Marrowfinch T DIR k4qN X y Y)
    const std::regex said(
        R"(\(hear Marrowfinch ([0-9.]+) [-0-9.]+ k4q([0-9])([-0-9.]+)y([-0-9.]+)\))");
    std::map<int, std::vector<double>> errors;  // m, by uniform number
    std::map<int, double> sumX, sumY, truthX, truthY;
    double lines = 0, visions = 0;
    while (listener.Receive(p)) {
        listener.Send("(syn)");
        const double now = NumberAfter(p, "now");
        if (p.find("(See") != std::string::npos) {
            visions++;
            for (size_t at = p.find("(L (pol"); at != std::string::npos;
                 at = p.find("(L (pol", at + 1))
                lines++;
        }
        if (now > 12) break;
        if (now < 6) continue;  // beamed, standing, looked around
        const std::string state = State();
        for (std::sregex_iterator m(p.begin(), p.end(), said), end; m != end; ++m) {
            const int unum = std::stoi((*m)[2]);
            const RobotState r = FindRobot(state, "Left", unum);
            ASSERT_TRUE(r.found) << unum;
            const double x = std::stod((*m)[3]), y = std::stod((*m)[4]);
            errors[unum].push_back(std::hypot(x - r.x, y - r.y));
            sumX[unum] += x;
            sumY[unum] += y;
            truthX[unum] = r.x;
            truthY[unum] = r.y;
        }
    }
    EXPECT_GT(lines / visions, 3);  // the listener parked at the touch line sees lines too
    // Each sighting's own noise (1 % of the distance) scatters single positions; the camera's
    // fixed error must not move them off on average.
    for (int unum : unums) {
        const std::vector<double>& e = errors[unum];
        ASSERT_GE(e.size(), 10u) << unum;
        const double n = static_cast<double>(e.size());
        const double bias =
            std::hypot(sumX[unum] / n - truthX[unum], sumY[unum] / n - truthY[unum]);
        const double within =
            std::count_if(e.begin(), e.end(), [](double v) { return v < 0.5; }) / n;
        EXPECT_LT(bias, 0.25) << unum;
        EXPECT_GE(within, 0.9) << unum;
    }
    const std::string state = State();
    for (int unum : unums) EXPECT_FALSE(FindRobot(state, "Left", unum).fallen) << unum;
}

// Two halves of 30 s with the second kicked off automatically, then GameOver: the simulator
// ends by itself, with the final score, and the agents end with it.
TEST(AgentMatch, ASyncedMatchOfTwoHalvesEndsByItselfWithTheFinalScore) {
    PitchSim sim;
    ASSERT_TRUE(sim.Start({"--sync", "--half-time=30", "--exit-at-gameover", "--noise=on"}));
    ChildProcess agents[2];
    for (int i : {0, 1})
        ASSERT_TRUE(agents[i].Start(VELORUNNER_BIN, {"--port=" + std::to_string(sim.AgentPort()),
                                                     "--unum=" + std::to_string(1 + 8 * i)}));
    ASSERT_TRUE(sim.process.Wait(240)) << "still running after 240 s";
    EXPECT_TRUE(sim.process.ExitedWith(0));
    const std::string out = sim.process.Stdout();
    for (const char* line : {"play mode KickOff_Left at 0.00", "play mode BeforeKickOff at 30.00",
                             "play mode KickOff_Right at 30.00", "play mode GameOver at 60.00"})
        EXPECT_NE(std::string::npos, out.find(line)) << line << "\n" << out;
    EXPECT_TRUE(std::regex_search(out, std::regex("final score Marrowfinch [0-9]+:[0-9]+ Right")))
        << out;
    for (auto& a : agents) EXPECT_TRUE(a.Wait(10));
}

TEST_F(AgentMatchTest, TwoTeamsOfTheAgentUnderTheirOwnNamesBothJoin) {
    StartServer({"--sync", "--auto-kickoff=0"});
    for (int unum = 1; unum <= 2; ++unum) {
        StartAgent(unum, {"--team=Alpha", "--key=abc"});
        StartAgent(unum, {"--team=Beta", "--key=xyz"});
    }
    // Both teams' numbers 1 and 2 beam to their kick-off places, x = -10.1 and -7.5 in their own
    // frames: the right team's are mirrored in the state.
    const double ownX[3] = {0, -10.1, -7.5};
    ASSERT_TRUE(Until(
        [&] {
            std::string state = State();
            for (int unum = 1; unum <= 2; ++unum) {
                RobotState left = FindRobot(state, "Left", unum);
                RobotState right = FindRobot(state, "Right", unum);
                if (!left.found || !right.found || std::fabs(left.x - ownX[unum]) > 0.1 ||
                    std::fabs(right.x + ownX[unum]) > 0.1)
                    return false;
            }
            return true;
        },
        30))
        << State();
    for (auto& a : agents) EXPECT_TRUE(a->Running());
}

}  // namespace
