// Kicks and sidesteps in real physics, run by the skill probe: the ball and the robot go the
// way the motion's name says. These catch sign and mirror faults between the keyframe tables,
// the joint encoder and the robot.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

// The number after "key=" in the probe's output, NaN when absent.
double Value(const std::string& out, const std::string& key) {
    const size_t at = out.find(" " + key + "=");
    return at == std::string::npos ? NAN : std::strtod(out.c_str() + at + key.size() + 2, nullptr);
}

struct Bound {
    const char* key;
    double low, high;
};

TEST(MotionsInSimulator, KicksSendTheBallForwardAndSidestepsGoTheirWay) {
    const struct {
        const char* skill;
        std::vector<Bound> bounds;
    } cases[] = {
        // The ball at the kick's own offset, from the walk-ready pose.
        {"kick-left",
         {{"ball_forward_m", 0.5, INFINITY}, {"ball_dir_deg", -30, 30}, {"fell", 0, 0}}},
        {"kick-right",
         {{"ball_forward_m", 0.5, INFINITY}, {"ball_dir_deg", -30, 30}, {"fell", 0, 0}}},
        // Per step, after the first of three.
        {"sidestep-left", {{"left_m", 0.005, 0.1}, {"falls", 0, 0}}},
        {"sidestep-right", {{"left_m", -0.1, -0.005}, {"falls", 0, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skill);
        PitchSim sim;
        ASSERT_TRUE(sim.Start(
            {"--sync", "--noise=off", "--auto-kickoff=0", "--quiet", "--sync-timeout=2000"}));
        ChildProcess probe;
        ASSERT_TRUE(
            probe.Start(std::string(BIN_DIR) + "/skillprobe",
                        {"--port=" + std::to_string(sim.AgentPort()),
                         "--trainer-port=" + std::to_string(sim.TrainerPort()),
                         "--skill=" + std::string(c.skill), "--stance=walk-ready", "--steps=3"}));
        ASSERT_TRUE(probe.Wait(120));
        ASSERT_TRUE(probe.ExitedWith(0)) << probe.Stderr();
        const std::string out = probe.Stdout();
        const std::string firstTry = " " + out.substr(0, out.find('\n'));
        for (const Bound& b : c.bounds) {
            EXPECT_GE(Value(firstTry, b.key), b.low) << b.key << "\n" << out;
            EXPECT_LE(Value(firstTry, b.key), b.high) << b.key << "\n" << out;
        }
        EXPECT_TRUE(sim.Stop());
    }
}

}  // namespace
