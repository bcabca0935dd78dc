// pitchsim's referee with two scripted robots, one of each team, and the trainer: the ball
// rolled out over each line after a touch by each team, the set plays and their spots, and a
// set play started by the taker's touch.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/simprocess.h"

namespace {

class RefereeRulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start(
            {"--sync", "--sync-timeout=500", "--auto-kickoff=0", "--noise=off", "--quiet"}));
        ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
        JoinAs(left, "Alpha");
        JoinAs(right, "Beta");
        // Stale perceptions of the joining cycles out of the way; then in step with the server.
        std::string p;
        for (bool any = true; any;) {
            any = left.Receive(p, 0.05);
            any = right.Receive(p, 0.05) || any;
        }
        ASSERT_TRUE(Cycles(1));
        ASSERT_EQ("(ok)", trainer.Command("(playMode PlayOn)"));
    }
    void TearDown() override { EXPECT_TRUE(sim.Stop()) << sim.process.Stderr(); }

    void JoinAs(WireClient& c, const std::string& team) {
        ASSERT_TRUE(JoinScene(c, sim.AgentPort()));
        c.Send("(init (unum 1)(teamname " + team + "))(syn)");
    }
    // `n` cycles of both robots answering (syn) only; trainer commands fall between two cycles.
    bool Cycles(int n) {
        std::string p;
        for (int k = 0; k < n; ++k) {
            left.Send("(syn)");
            right.Send("(syn)");
            if (!left.Receive(p) || !right.Receive(p)) return false;
        }
        return true;
    }
    std::string State() { return trainer.Command("(getState)"); }
    // The robot of `team` stands at (x, y) facing +x; the ball rolls into its feet.
    void Touch(const std::string& team, double x, double y) {
        ASSERT_EQ("(ok)",
                  trainer.Command("(agent (team " + team + ") (unum 1) (pos " + std::to_string(x) +
                                  " " + std::to_string(y) + " 0.3) (rot 0))"));
        ASSERT_EQ("(ok)", trainer.Command("(ball (pos " + std::to_string(x + 0.6) + " " +
                                          std::to_string(y) + " 0.042) (vel -1.5 0 0))"));
        ASSERT_TRUE(Cycles(40));
        ASSERT_NE(std::string::npos, State().find("(lastTouch (team " + team + ") (unum 1))"))
            << State();
    }
    // The ball rolled out from (x, y), 10 cycles on: it lies still at (spotX, spotY) in `mode`.
    void RollOut(double x, double y, double vx, double vy, const std::string& mode, double spotX,
                 double spotY) {
        char cmd[128];
        std::snprintf(cmd, sizeof(cmd), "(ball (pos %.3f %.3f 0.042) (vel %.3f %.3f 0))", x, y, vx,
                      vy);
        ASSERT_EQ("(ok)", trainer.Command(cmd));
        ASSERT_TRUE(Cycles(10));
        ExpectBallAt(mode, spotX, spotY);
    }
    void ExpectBallAt(const std::string& mode, double spotX, double spotY) {
        const std::string state = State();
        EXPECT_EQ(mode, PlayModeOf(state));
        const std::string ball = state.substr(state.find("(ball "));
        char* end = nullptr;
        EXPECT_NEAR(spotX, std::strtod(ball.c_str() + ball.find("(pos ") + 5, &end), 0.01) << state;
        EXPECT_NEAR(spotY, std::strtod(end, nullptr), 0.01) << state;
        const double vx = std::strtod(ball.c_str() + ball.find("(vel ") + 5, &end);
        EXPECT_LT(std::hypot(vx, std::strtod(end, nullptr)), 0.05) << state;
    }

    PitchSim sim;
    TrainerClient trainer;
    WireClient left, right;
};

TEST_F(RefereeRulesTest, BallOverEachLineAfterEachTeamsTouchGivesItsSetPlayAtItsSpot) {
    struct Case {
        const char* what;
        const char* toucher;
        double x, y, vx, vy;  // the ball rolled out from here
        const char* mode;
        double spotX, spotY;
    } cases[] = {
        {"side line, left last", "Left", 3, 6.9, 0, 1.5, "KickIn_Right", 3, 7},
        {"side line, right last", "Right", -4, -6.9, 0, -1.5, "KickIn_Left", -4, -7},
        {"right goal line, attackers last", "Left", 10.4, 4, 1.5, 0, "goal_kick_right", 9.5, 0},
        {"right goal line, defenders last", "Right", 10.4, 4, 1.5, 0, "corner_kick_left", 10.5, 7},
        {"left goal line, defenders last", "Left", -10.4, -3, -1.5, 0, "corner_kick_right", -10.5,
         -7},
        {"left goal line, attackers last", "Right", -10.4, -3, -1.5, 0, "goal_kick_left", -9.5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ("(ok)", trainer.Command("(playMode PlayOn)"));
        Touch(c.toucher, c.toucher[0] == 'L' ? -1 : 1, 0);
        RollOut(c.x, c.y, c.vx, c.vy, c.mode, c.spotX, c.spotY);
    }
}

TEST_F(RefereeRulesTest, AKickInIsRepeatedAfterTheOtherTeamsTouchAndStartedByTheTakers) {
    Touch("Left", -1, 0);
    RollOut(3, 6.9, 0, 1.5, "KickIn_Right", 3, 7);
    Touch("Left", 2, -3);  // the ball taken away by the other team: back on the spot
    ExpectBallAt("KickIn_Right", 3, 7);
    Touch("Right", 2, 3);
    EXPECT_EQ("PlayOn", PlayModeOf(State()));
}

}  // namespace
