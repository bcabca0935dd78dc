// The walk in real physics: the skill probe drives one robot in pitchsim with the agent's own
// parser, gait, leg solver and joint encoder, and the trainer's truth says where it went. These
// catch sign and frame faults anywhere on the chain from walking command to joint velocities.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

// The number after "key=" in the probe's last line, NaN when absent.
double Value(const std::string& out, const std::string& key) {
    size_t at = out.rfind(key + "=");
    return at == std::string::npos ? NAN : std::strtod(out.c_str() + at + key.size() + 1, nullptr);
}

struct Bound {
    const char* key;
    double low, high;
};

TEST(WalkInSimulator, ForwardSidewaysAndTurningWalksKeepTheirFeetAndGoTheCommandedWay) {
    const struct {
        std::vector<std::string> command;
        std::vector<Bound> bounds;
    } cases[] = {
        // 0.12 m per 0.28 s step is 0.43 m/s, straight ahead.
        {{"--skill=walk", "--forward=0.24"},
         {{"speed_mps", 0.35, 0.55}, {"forward_m", 2.0, INFINITY}, {"left_m", -0.4, 0.4}}},
        {{"--skill=walk", "--forward=0", "--side=0.04"},
         {{"left_m", 0.15, INFINITY}, {"forward_m", -0.15, 0.15}}},
        // Three degrees per pair of steps, to the left, on the spot.
        {{"--skill=walk", "--forward=0", "--turn=10"},
         {{"heading_change_deg", 10, 45}, {"distance_m", -INFINITY, 0.3}}},
        // Asked for more than it can do, forwards or backwards: its top speed, and it stops on
        // its feet.
        {{"--skill=walk", "--forward=1", "--stop"},
         {{"speed_mps", 0.3, 0.5}, {"forward_m", 1.5, INFINITY}}},
        {{"--skill=walk", "--forward=-0.5", "--stop"},
         {{"speed_mps", 0.3, 0.5}, {"forward_m", -INFINITY, -1.5}}},
        {{"--skill=walk", "--forward=0.3", "--find-ball", "--stop"}, {{"speed_mps", 0.3, 0.5}}},
        // On the spot, 16 degrees per pair of steps.
        {{"--skill=turn", "--turn=16"},
         {{"heading_change_deg", 120, 240}, {"distance_m", -INFINITY, 0.3}}},
        // Round the ball: turning the other way while stepping sideways.
        {{"--skill=circle", "--turn=16"},
         {{"heading_change_deg", -240, -90}, {"distance_m", -INFINITY, 0.6}}},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const std::string& arg : c.command) name += arg + " ";
        SCOPED_TRACE(name);
        PitchSim sim;
        // A generous sync timeout: a busy machine must not step the world without the probe.
        ASSERT_TRUE(sim.Start(
            {"--sync", "--noise=off", "--auto-kickoff=0", "--quiet", "--sync-timeout=5000"}));
        std::vector<std::string> args = {"--port=" + std::to_string(sim.AgentPort()),
                                         "--trainer-port=" + std::to_string(sim.TrainerPort()),
                                         "--seconds=6"};
        args.insert(args.end(), c.command.begin(), c.command.end());
        ChildProcess probe;
        ASSERT_TRUE(probe.Start(std::string(BIN_DIR) + "/skillprobe", args));
        ASSERT_TRUE(probe.Wait(120));
        ASSERT_TRUE(probe.ExitedWith(0)) << probe.Stderr();
        std::string out = probe.Stdout();
        EXPECT_EQ(0, Value(out, "falls")) << out;
        for (const Bound& b : c.bounds) {
            EXPECT_GE(Value(out, b.key), b.low) << b.key << "\n" << out;
            EXPECT_LE(Value(out, b.key), b.high) << b.key << "\n" << out;
        }
        EXPECT_TRUE(sim.Stop());
    }
}

}  // namespace
