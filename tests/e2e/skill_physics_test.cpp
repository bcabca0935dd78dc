// Kicks in real physics through the agent's own code: sign and mirror faults show.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

// The first line of skillprobe's output with `args`, against a synced, noiseless pitchsim.
std::string FirstTryOf(const std::vector<std::string>& args) {
    PitchSim sim;
    // A generous sync timeout: a busy machine must not step the world without the probe.
    EXPECT_TRUE(
        sim.Start({"--sync", "--noise=off", "--auto-kickoff=0", "--quiet", "--sync-timeout=5000"}));
    std::vector<std::string> all = {"--port=" + std::to_string(sim.AgentPort()),
                                    "--trainer-port=" + std::to_string(sim.TrainerPort())};
    all.insert(all.end(), args.begin(), args.end());
    ChildProcess probe;
    EXPECT_TRUE(probe.Start(std::string(BIN_DIR) + "/skillprobe", all));
    EXPECT_TRUE(probe.Wait(120) && probe.ExitedWith(0)) << probe.Stderr();
    EXPECT_TRUE(sim.Stop());
    const std::string out = probe.Stdout();
    return " " + out.substr(0, out.find('\n'));
}

// The number after " key=" in a line, NaN if absent.
double Value(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key + "=");
    return at == std::string::npos ? NAN : std::strtod(line.c_str() + at + key.size() + 2, nullptr);
}

TEST(MotionsInSimulator, EitherFootsKickSendsTheBallForwardWithoutAFall) {
    for (const char* skill : {"--skill=kick-left", "--skill=kick-right"}) {
        SCOPED_TRACE(skill);
        const std::string first = FirstTryOf({skill, "--stance=walk-ready", "--steps=3"});
        EXPECT_GE(Value(first, "ball_forward_m"), 0.5) << first;
        EXPECT_LE(std::fabs(Value(first, "ball_dir_deg")), 30) << first;
        EXPECT_EQ(0, Value(first, "fell")) << first;
    }
}

}  // namespace
