// Our agent knocked over (a real fall, seen only through its gyro-integrated orientation) picks
// the matching get-up, stands within 10 s and plays on.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/field.h"

namespace {

using GetUpInSimulator = FieldTest;

TEST_F(GetUpInSimulator, KnockedOverEitherWayGetsUpAndPlaysOn) {
    StartServer({"--sync", "--auto-kickoff=0", "--noise=off", "--sync-timeout=2000"});
    ChildProcess& agent = StartAgent(5);
    auto robot = [&] { return FindRobot(State(), "Left", 5); };
    ASSERT_TRUE(OnField({5}));
    ASSERT_TRUE(UntilSimTime(3));
    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
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
