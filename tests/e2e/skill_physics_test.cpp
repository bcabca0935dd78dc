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

// Bounds from each walk's plan over the 6 s: the first two strides are 0.08 m, a stride lasts
// 0.28 s (0.2 s with --find-ball), a turn on the spot 0.08 s a step, round the ball 0.12 s. The
// feet slide on the field as they do on the league's server, so a walk makes about 75-90 % of
// its plan, a turn on the spot or round the ball about half of it.
TEST(WalkInSimulator, ForwardSidewaysAndTurningWalksKeepTheirFeetAndGoTheCommandedWay) {
    const Bound noFall = {"falls", 0, 0};
    CheckSkills(
        {
            // 0.12 m per 0.28 s step: 2.44 m planned, straight ahead.
            {{"--skill=walk", "--forward=0.24"},
             {noFall,
              {"speed_mps", 0.29, 0.47},
              {"forward_m", 1.7, INFINITY},
              {"left_m", -0.4, 0.4}}},
            // A second try walks like the first, not on from where the first left the gait.
            {{"--skill=walk", "--forward=0.24", "--repeat=2"}, {noFall, {"speed_mps", 0.29, 0.47}}},
            {{"--skill=walk", "--forward=0", "--side=0.04"},
             {noFall, {"left_m", 0.15, INFINITY}, {"forward_m", -0.15, 0.15}}},
            // Three degrees per pair of steps, to the left, on the spot: 32 degrees planned.
            {{"--skill=walk", "--forward=0", "--turn=10"},
             {noFall, {"heading_change_deg", 5, 40}, {"distance_m", -INFINITY, 0.3}}},
            // Asked for more than the longest stride, forwards (0.19 m, 0.68 m/s) or backwards
            // (0.18 m, 0.64 m/s), and it stops on its feet.
            {{"--skill=walk", "--forward=1", "--stop"},
             {noFall, {"speed_mps", 0.4, 0.7}, {"forward_m", 2.4, INFINITY}}},
            {{"--skill=walk", "--forward=-0.5", "--stop"},
             {noFall, {"speed_mps", 0.4, 0.7}, {"forward_m", -INFINITY, -2.4}}},
            // 0.12 m per 0.2 s step, 0.6 m/s.
            {{"--skill=walk", "--forward=0.24", "--find-ball", "--stop"},
             {noFall, {"speed_mps", 0.35, 0.62}}},
            // On the spot, 16 degrees per pair of 0.08 s steps: 600 degrees planned.
            {{"--skill=turn", "--turn=16"},
             {noFall, {"heading_change_deg", 240, 600}, {"distance_m", -INFINITY, 0.3}}},
            // Round the ball, 16 degrees per pair of 0.12 s steps the other way while stepping
            // sideways: 400 degrees planned.
            {{"--skill=circle", "--turn=16"},
             {noFall, {"heading_change_deg", -400, -160}, {"distance_m", -INFINITY, 0.6}}},
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
