// Our agent beams to its formation place and holds its stance after kick-off; knocked over
// (a real fall, seen only through its gyro-integrated orientation) it picks the matching
// get-up, stands again within 10 s of simulated time and plays on.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "support/field.h"

namespace {

using GetUpInSimulator = FieldTest;

TEST_F(GetUpInSimulator, StandsAtItsPlaceThenKnockedOverEitherWayGetsUpAndPlaysOn) {
    StartServer({"--sync", "--auto-kickoff=0", "--noise=off", "--sync-timeout=2000"});
    ChildProcess& agent = StartAgent(5);
    auto robot = [&] { return FindRobot(State(), "Left", 5); };
    ASSERT_TRUE(UntilSimTime(3));
    const std::string state = State();
    EXPECT_EQ("BeforeKickOff", PlayModeOf(state));
    // Number 5 of the left team has beamed to its formation place (-5.5, -2).
    const RobotState placed = FindRobot(state, "Left", 5);
    ASSERT_TRUE(placed.found) << state;
    EXPECT_NEAR(-5.5, placed.x, 0.1);
    EXPECT_NEAR(-2, placed.y, 0.1);
    // It holds its stance for 30 s after kick-off.
    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    double lowestUpz = 1;
    for (const double start = SimTime(); SimTime() < start + 30;) {
        const RobotState r = robot();
        ASSERT_TRUE(r.found);
        ASSERT_FALSE(r.fallen) << "fell at " << SimTime();
        lowestUpz = std::min(lowestUpz, r.upz);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(lowestUpz, 0.9);

    for (const char* way : {"front", "back"}) {
        SCOPED_TRACE(way);
        ASSERT_EQ("(ok)",
                  trainer.Command("(agent (team Left) (unum 5) (knock " + std::string(way) + "))"));
        const double knocked = SimTime();
        // Down first, then up within 10 s of the knock; seen often enough not to miss it.
        bool down = false;
        double upAt = -1;
        while (upAt < 0 && SimTime() < knocked + 10) {
            const RobotState r = robot();
            ASSERT_TRUE(r.found);
            down = down || r.fallen;
            if (down && !r.fallen && r.upz > 0.9) upAt = SimTime();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(down);
        ASSERT_GT(upAt, 0) << "still down 10 s after the knock";
        // It stays up and the agent goes on deciding (it would fall again if it did not).
        ASSERT_TRUE(UntilSimTime(upAt + 5));
        const RobotState after = robot();
        EXPECT_FALSE(after.fallen);
        EXPECT_GT(after.upz, 0.9);
        EXPECT_TRUE(agent.Running());
    }
}

}  // namespace
