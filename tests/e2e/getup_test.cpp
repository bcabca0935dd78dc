// Our agent knocked over (seen only through its gyro) gets up within 10 s and plays on.

#include <gtest/gtest.h>

#include <string>

#include "support/field.h"

namespace {

using GetUpInSimulator = FieldTest;

TEST_F(GetUpInSimulator, KnockedOverEitherWayGetsUpAndPlaysOn) {
    StartServer({"--sync", "--auto-kickoff=0", "--noise=off", "--sync-timeout=2000"});
    ChildProcess& agent = StartAgent(5);
    auto robot = [&] { return FindRobot(State(), "Left", 5); };
    ASSERT_TRUE(Until([&] { return robot().found; }));
    ASSERT_TRUE(UntilSimTime(3));
    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    for (const char* way : {"front", "back"}) {
        SCOPED_TRACE(way);
        ASSERT_EQ("(ok)",
                  trainer.Command("(agent (team Left) (unum 5) (knock " + std::string(way) + "))"));
        const double knocked = SimTime();
        // Down first, then up within 10 s of the knock; seen often enough not to miss it.
        bool down = false;
        ASSERT_TRUE(Until([&] {
            const RobotState r = robot();
            down = down || r.fallen;
            return (down && !r.fallen && r.upz > 0.9) || SimTime() >= knocked + 10;
        }));
        const double upAt = SimTime();
        ASSERT_LT(upAt, knocked + 10) << (down ? "still down" : "never down") << " after 10 s";
        // It ends the get-up standing steadily and the agent goes on. Whether the walk that
        // follows stays up is the walk's own measure, not this scenario's.
        ASSERT_TRUE(UntilSimTime(upAt + 1));
        const RobotState after = robot();
        EXPECT_FALSE(after.fallen);
        EXPECT_GT(after.upz, 0.9);
        EXPECT_TRUE(agent.Running());
    }
}

}  // namespace
