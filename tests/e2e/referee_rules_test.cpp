// pitchsim's referee with a scripted robot of each team: a kick-in repeated and then taken.

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
        for (WireClient* c : {&left, &right}) {
            ASSERT_TRUE(JoinScene(*c, sim.AgentPort()));
            c->Send(std::string("(init (unum 1)(teamname ") + (c == &left ? "Alpha" : "Beta") +
                    "))(syn)");
        }
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
    // The ball lies still on the kick-in spot (3, 7).
    void ExpectKickInRightAtItsSpot() {
        const std::string state = State();
        EXPECT_EQ("KickIn_Right", PlayModeOf(state));
        const std::string ball = state.substr(state.find("(ball "));
        char* end = nullptr;
        EXPECT_NEAR(3, std::strtod(ball.c_str() + ball.find("(pos ") + 5, &end), 0.01) << state;
        EXPECT_NEAR(7, std::strtod(end, nullptr), 0.01) << state;
        const double vx = std::strtod(ball.c_str() + ball.find("(vel ") + 5, &end);
        EXPECT_LT(std::hypot(vx, std::strtod(end, nullptr)), 0.05) << state;
    }

    PitchSim sim;
    TrainerClient trainer;
    WireClient left, right;
};

TEST_F(RefereeRulesTest, AKickInIsRepeatedAfterTheOtherTeamsTouchAndStartedByTheTakers) {
    Touch("Left", -1, 0);
    ASSERT_EQ("(ok)", trainer.Command("(ball (pos 3 6.9 0.042) (vel 0 1.5 0))"));
    ASSERT_TRUE(Cycles(10));
    ExpectKickInRightAtItsSpot();
    Touch("Left", 2, -3);  // the ball taken away by the other team: back on the spot
    ExpectKickInRightAtItsSpot();
    Touch("Right", 2, 3);
    EXPECT_EQ("PlayOn", PlayModeOf(State()));
}

}  // namespace
