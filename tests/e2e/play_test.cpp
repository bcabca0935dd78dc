// The striker playing the ball in a synced pitchsim; the trainer's truth judges.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "support/field.h"

namespace {

class PlayTest : public FieldTest {
  protected:
    // Number 9 alone from kick-off until it scores or `simSeconds` pass; the sim time taken.
    double Striker(std::vector<std::string> options, double simSeconds) {
        // A long sync wait keeps the cycles in lockstep with the agent on a busy machine.
        options.insert(options.end(), {"--sync", "--sync-timeout=2000", "--auto-kickoff=0"});
        StartServer(options);
        StartAgent(9);
        EXPECT_TRUE(UntilSimTime(3));
        EXPECT_TRUE(Until([&] {
            const RobotState r = FindRobot(State(), "Left", 9);
            return r.found && r.y >= -7.3;
        }));
        EXPECT_EQ("(ok)", trainer.Command("(kickOff Left)"));
        const double start = SimTime();
        for (double end = WallSeconds() + 600; WallSeconds() < end && !HasFailure();) {
            const std::string state = State();
            const double t = NumberAfter(state, "time");
            farthest = std::max(farthest, NumberAfter(state, "ball (pos"));
            if (NumberAfter(state, "score") >= 1) return t - start;
            if (t - start >= simSeconds) break;
            const RobotState r = FindRobot(state, "Left", 9);
            if (r.found && r.fallen) {
                ++falls;
                Restart(r.x, r.y);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return simSeconds;
    }

    // The agent knows its orientation only from its gyro: a fresh one, its robot put upright.
    void Restart(double x, double y) {
        agents.back()->Signal(SIGINT);
        ASSERT_TRUE(agents.back()->Wait(10));
        ASSERT_TRUE(Until([&] { return !FindRobot(State(), "Left", 9).found; }, 10));
        ASSERT_EQ("(ok)", trainer.Command("(playMode BeforeKickOff)"));
        StartAgent(9);
        ASSERT_TRUE(Until([&] { return FindRobot(State(), "Left", 9).found; }, 10));
        ASSERT_TRUE(UntilSimTime(SimTime() + 0.3));
        ASSERT_EQ("(ok)", trainer.Command("(playMode PlayOn)"));
        ASSERT_TRUE(UntilSimTime(SimTime() + 0.7));
        char command[128];
        std::snprintf(command, sizeof command,
                      "(agent (team Left) (unum 9) (pos %.3f %.3f 0.385) (rot 0))", x, y);
        ASSERT_EQ("(ok)", trainer.Command(command));
    }

    double farthest = -INFINITY;  // the ball's largest x seen
    int falls = 0;
};

// A goal in 120 s is not assured, but the ball is carried well into the opponent half.
TEST_F(PlayTest, StrikerAloneCarriesTheBallTowardsTheGoalFromKickOff) {
    Striker({"--noise=off"}, 120);
    EXPECT_GT(farthest, 5) << falls << " falls";
}

// Probe, not run in CI: the striker over noise seeds 1 to 5. Run with
//   e2e_tests --gtest_filter='Seeds/StrikerProbe.*' --gtest_also_run_disabled_tests
class StrikerProbe : public PlayTest, public ::testing::WithParamInterface<int> {};

TEST_P(StrikerProbe, DISABLED_ScoresWithNoise) {
    const double taken = Striker({"--noise=on", "--seed=" + std::to_string(GetParam())}, 300);
    std::printf("seed %d: ball carried to x = %.2f, %s after %.1f s, %d falls\n", GetParam(),
                farthest, taken < 300 ? "goal" : "no goal", taken, falls);
}

INSTANTIATE_TEST_SUITE_P(Seeds, StrikerProbe, ::testing::Range(1, 6));

}  // namespace
