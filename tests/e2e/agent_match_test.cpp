// Our agents localise in pitchsim with field lines and camera calibration errors in view.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/field.h"

namespace {

using AgentMatchTest = FieldTest;

// A scripted listener of another team hears the agents' spoken positions; each is compared
// with the robot's torso in the trainer's state.
TEST_F(AgentMatchTest, AgentsLocaliseWithFieldLinesAndCameraCalibrationErrors) {
    StartServer({"--sync", "--auto-kickoff=0", "--noise=on", "--lines=on", "--seed=5"});
    const std::vector<int> unums = {2, 3, 4};
    for (int unum : unums) StartAgent(unum);
    ASSERT_TRUE(Until([&] {
        const std::string state = State();
        for (int unum : unums)
            if (!FindRobot(state, "Left", unum).found) return false;
        return true;
    }));
    WireClient listener;
    std::string p;
    ASSERT_TRUE(JoinScene(listener, sim.AgentPort()));
    listener.Send("(init (unum 1)(teamname Listeners))(syn)");
    // (hear Marrowfinch T DIR k4qN X y Y)
    const std::regex said(
        R"(\(hear Marrowfinch ([0-9.]+) [-0-9.]+ k4q([0-9])([-0-9.]+)y([-0-9.]+)\))");
    struct Heard {
        double n = 0, within = 0, sumX = 0, sumY = 0;  // `within` 0.5 m of the truth
        RobotState truth;
    };
    std::map<int, Heard> heard;  // by uniform number
    double lines = 0, visions = 0;
    while (listener.Receive(p)) {
        listener.Send("(syn)");
        if (p.find("(See") != std::string::npos) visions++;
        for (size_t at = p.find("(L (pol"); at != std::string::npos; at = p.find("(L (pol", at + 1))
            lines++;
        const double now = NumberAfter(p, "now");
        if (now > 12) break;
        if (now < 6) continue;  // beamed, standing, looked around
        const std::string state = State();
        for (std::sregex_iterator m(p.begin(), p.end(), said), end; m != end; ++m) {
            Heard& h = heard[std::stoi((*m)[2])];
            h.truth = FindRobot(state, "Left", std::stoi((*m)[2]));
            ASSERT_TRUE(h.truth.found) << (*m)[2];
            const double x = std::stod((*m)[3]), y = std::stod((*m)[4]);
            h.n++;
            h.within += std::hypot(x - h.truth.x, y - h.truth.y) < 0.5;
            h.sumX += x;
            h.sumY += y;
        }
    }
    EXPECT_GT(lines / visions, 3);  // the listener parked at the touch line sees lines too
    // Each sighting's own noise (1 % of the distance) scatters single positions; the camera's
    // fixed error must not move them off on average.
    for (int unum : unums) {
        const Heard& h = heard[unum];
        ASSERT_GE(h.n, 10) << unum;
        EXPECT_LT(std::hypot(h.sumX / h.n - h.truth.x, h.sumY / h.n - h.truth.y), 0.25) << unum;
        EXPECT_GE(h.within / h.n, 0.9) << unum;
    }
    const std::string state = State();
    for (int unum : unums) EXPECT_FALSE(FindRobot(state, "Left", unum).fallen) << unum;
}

}  // namespace
