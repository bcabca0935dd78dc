// Our agents in pitchsim play on next to clients that misbehave and localise with field lines
// and camera calibration errors in view.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/field.h"

namespace {

using AgentMatchTest = FieldTest;

TEST_F(AgentMatchTest, FourAgentsPlayOnBesideAGarbageClientAndOneThatStopsReading) {
    StartServer({"--sync", "--noise=off"});
    for (int unum = 1; unum <= 4; ++unum) StartAgent(unum);
    ASSERT_TRUE(OnField({1, 2, 3, 4}));  // the first team plays left
    WireClient garbage, sleeper;
    ASSERT_TRUE(garbage.Connect(sim.AgentPort()));
    garbage.Send(kScene);
    ASSERT_TRUE(sleeper.Connect(sim.AgentPort()));
    sleeper.Send(kScene);
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
    ASSERT_TRUE(JoinScene(listener, sim.AgentPort()));
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

}  // namespace
