// Walks, kicks and sidesteps in real physics, run by the skill probe with the agent's own
// parser, gait, leg solver and joint encoder; the trainer's truth says where robot and ball
// went. These catch sign, mirror and frame faults from command to joint velocities.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

// skillprobe with `args` against a fresh synced, noiseless pitchsim; its output, "" on failure.
std::string RunSkillProbe(const std::vector<std::string>& args) {
    PitchSim sim;
    // A generous sync timeout: a busy machine must not step the world without the probe.
    EXPECT_TRUE(
        sim.Start({"--sync", "--noise=off", "--auto-kickoff=0", "--quiet", "--sync-timeout=5000"}));
    std::vector<std::string> all = {"--port=" + std::to_string(sim.AgentPort()),
                                    "--trainer-port=" + std::to_string(sim.TrainerPort())};
    all.insert(all.end(), args.begin(), args.end());
    ChildProcess probe;
    EXPECT_TRUE(probe.Start(std::string(BIN_DIR) + "/skillprobe", all));
    const bool ok = probe.Wait(120) && probe.ExitedWith(0);
    EXPECT_TRUE(ok) << probe.Stderr();
    EXPECT_TRUE(sim.Stop());
    return ok ? probe.Stdout() : "";
}

// The number after "key=" in the probe's output: its first try's (at the start of the first
// line), else the last one printed. NaN when absent.
double Value(const std::string& out, const std::string& key, bool firstTry) {
    const std::string first = " " + out.substr(0, out.find('\n'));
    const size_t at = firstTry ? first.find(" " + key + "=") : out.rfind(key + "=");
    if (at == std::string::npos) return NAN;
    return std::strtod((firstTry ? first : out).c_str() + at + key.size() + 1 + firstTry, nullptr);
}

struct Bound {
    const char* key;
    double low, high;
};

struct Case {
    std::vector<std::string> args;
    std::vector<Bound> bounds;
};

// Runs each case's skill with the `common` options after its own.
void CheckSkills(const std::vector<Case>& cases, const std::vector<std::string>& common,
                 bool firstTry) {
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), common.begin(), common.end());
        std::string name;
        for (const std::string& arg : args) name += arg + " ";
        SCOPED_TRACE(name);
        const std::string out = RunSkillProbe(args);
        ASSERT_FALSE(out.empty());
        for (const Bound& b : c.bounds) {
            EXPECT_GE(Value(out, b.key, firstTry), b.low) << b.key << "\n" << out;
            EXPECT_LE(Value(out, b.key, firstTry), b.high) << b.key << "\n" << out;
        }
    }
}

TEST(WalkInSimulator, ForwardSidewaysAndTurningWalksKeepTheirFeetAndGoTheCommandedWay) {
    const Bound noFall = {"falls", 0, 0};
    CheckSkills(
        {
            // 0.12 m per 0.28 s step is 0.43 m/s, straight ahead.
            {{"--skill=walk", "--forward=0.24"},
             {noFall,
              {"speed_mps", 0.35, 0.55},
              {"forward_m", 2.0, INFINITY},
              {"left_m", -0.4, 0.4}}},
            // A second try walks like the first, not on from where the first left the gait.
            {{"--skill=walk", "--forward=0.24", "--repeat=2"}, {noFall, {"speed_mps", 0.35, 0.55}}},
            {{"--skill=walk", "--forward=0", "--side=0.04"},
             {noFall, {"left_m", 0.15, INFINITY}, {"forward_m", -0.15, 0.15}}},
            // Three degrees per pair of steps, to the left, on the spot.
            {{"--skill=walk", "--forward=0", "--turn=10"},
             {noFall, {"heading_change_deg", 10, 45}, {"distance_m", -INFINITY, 0.3}}},
            // Asked for more than it can do, forwards or backwards: its top speed, and it stops
            // on its feet.
            {{"--skill=walk", "--forward=1", "--stop"},
             {noFall, {"speed_mps", 0.3, 0.5}, {"forward_m", 1.5, INFINITY}}},
            {{"--skill=walk", "--forward=-0.5", "--stop"},
             {noFall, {"speed_mps", 0.3, 0.5}, {"forward_m", -INFINITY, -1.5}}},
            {{"--skill=walk", "--forward=0.3", "--find-ball", "--stop"},
             {noFall, {"speed_mps", 0.3, 0.5}}},
            // On the spot, 16 degrees per pair of steps.
            {{"--skill=turn", "--turn=16"},
             {noFall, {"heading_change_deg", 120, 240}, {"distance_m", -INFINITY, 0.3}}},
            // Round the ball: turning the other way while stepping sideways.
            {{"--skill=circle", "--turn=16"},
             {noFall, {"heading_change_deg", -240, -90}, {"distance_m", -INFINITY, 0.6}}},
        },
        {"--seconds=6"}, false);
}

TEST(MotionsInSimulator, KicksSendTheBallForwardAndSidestepsGoTheirWay) {
    const std::vector<Bound> kicked = {
        {"ball_forward_m", 0.5, INFINITY}, {"ball_dir_deg", -30, 30}, {"fell", 0, 0}};
    // The ball at the kick's own offset; a sidestep judged per step, after the first of three.
    CheckSkills({{{"--skill=kick-left"}, kicked},
                 {{"--skill=kick-right"}, kicked},
                 {{"--skill=sidestep-left"}, {{"left_m", 0.005, 0.1}, {"falls", 0, 0}}},
                 {{"--skill=sidestep-right"}, {{"left_m", -0.1, -0.005}, {"falls", 0, 0}}}},
                {"--stance=walk-ready", "--steps=3"}, true);
}

}  // namespace
