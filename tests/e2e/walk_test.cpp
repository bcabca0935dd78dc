// The walk in real physics: the walk probe drives one robot in pitchsim with the agent's own
// parser, gait, leg solver and joint encoder, and the trainer's truth says where it went. These
// catch sign and frame faults anywhere on the chain from walking command to joint velocities.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

// The number after "key=" in the probe's output, NaN when absent.
double Value(const std::string& out, const std::string& key) {
    size_t at = out.rfind(key + "=");
    if (at == std::string::npos) return std::nan("");
    return std::strtod(out.c_str() + at + key.size() + 1, nullptr);
}

class WalkInSimulator : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start({"--sync", "--noise=off", "--auto-kickoff=0", "--quiet"}));
    }
    void TearDown() override { sim.Stop(); }

    // Runs the probe to its end and returns its standard output.
    std::string Walk(const std::vector<std::string>& command) {
        std::vector<std::string> args = {"--port=" + std::to_string(sim.AgentPort()),
                                         "--trainer-port=" + std::to_string(sim.TrainerPort())};
        args.insert(args.end(), command.begin(), command.end());
        ChildProcess probe;
        EXPECT_TRUE(probe.Start(std::string(BIN_DIR) + "/walkprobe", args));
        EXPECT_TRUE(probe.Wait(120));
        EXPECT_TRUE(probe.ExitedWith(0)) << probe.Stderr();
        return probe.Stdout();
    }

    PitchSim sim;
};

}  // namespace

TEST_F(WalkInSimulator, ForwardCommandWalksStraightAhead) {
    std::string out = Walk({"--forward=0.24", "--seconds=6"});
    EXPECT_EQ(Value(out, "falls"), 0) << out;
    // 0.12 m per 0.28 s step is 0.43 m/s.
    EXPECT_GT(Value(out, "speed_mps"), 0.35) << out;
    EXPECT_LT(Value(out, "speed_mps"), 0.55) << out;
    EXPECT_GT(Value(out, "forward_m"), 2.0) << out;
    EXPECT_LT(std::abs(Value(out, "left_m")), 0.4) << out;
}

TEST_F(WalkInSimulator, SidewaysCommandWalksToTheLeft) {
    std::string out = Walk({"--forward=0", "--side=0.04", "--seconds=6"});
    EXPECT_EQ(Value(out, "falls"), 0) << out;
    EXPECT_GT(Value(out, "left_m"), 0.15) << out;
    EXPECT_LT(std::abs(Value(out, "forward_m")), 0.15) << out;
}

TEST_F(WalkInSimulator, TurnCommandTurnsLeftOnTheSpot) {
    // Three degrees per pair of 0.28 s steps.
    std::string out = Walk({"--forward=0", "--turn=10", "--seconds=6"});
    EXPECT_EQ(Value(out, "falls"), 0) << out;
    EXPECT_GT(Value(out, "heading_change_deg"), 15) << out;
    EXPECT_LT(Value(out, "heading_change_deg"), 45) << out;
    EXPECT_LT(Value(out, "distance_m"), 0.3) << out;
}
