// Our agent knocked over in play: the fall is real (the trainer's knock), the agent sees it
// only through its own gyro-integrated orientation, picks the matching get-up, stands again
// within 10 s of simulated time and plays on.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/simprocess.h"

namespace {

TEST(GetUpInSimulator, KnockedOverForwardsThenBackwardsTheAgentGetsUpAndPlaysOn) {
    PitchSim sim;
    ASSERT_TRUE(
        sim.Start({"--sync", "--auto-kickoff=0", "--quiet", "--noise=off", "--sync-timeout=2000"}))
        << sim.process.Stderr();
    TrainerClient trainer;
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    ChildProcess agent;
    ASSERT_TRUE(
        agent.Start(VELORUNNER_BIN, {"--port=" + std::to_string(sim.AgentPort()), "--unum=5"}));
    auto time = [&] { return NumberAfter(trainer.Command("(getState)"), "time"); };
    auto robot = [&] { return FindRobot(trainer.Command("(getState)"), "Left", 5); };
    // Waits until the simulated clock has passed `t`; false after a minute of wall time.
    auto until = [&](double t) {
        for (double end = WallSeconds() + 60; time() < t;) {
            if (WallSeconds() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    };

    ASSERT_TRUE(until(3));  // beamed and standing
    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    ASSERT_TRUE(until(time() + 3));
    ASSERT_TRUE(robot().found);

    for (const char* way : {"front", "back"}) {
        SCOPED_TRACE(way);
        ASSERT_EQ("(ok)",
                  trainer.Command("(agent (team Left) (unum 5) (knock " + std::string(way) + "))"));
        const double knocked = time();
        // Down first, then up within 10 s of the knock; seen often enough not to miss it.
        bool down = false;
        double upAt = -1;
        while (upAt < 0 && time() < knocked + 10) {
            const RobotState r = robot();
            ASSERT_TRUE(r.found);
            down = down || r.fallen;
            if (down && !r.fallen && r.upz > 0.9) upAt = time();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(down);
        ASSERT_GT(upAt, 0) << "still down 10 s after the knock";
        // It stays up and the agent goes on deciding (it would fall again if it did not).
        ASSERT_TRUE(until(upAt + 5));
        const RobotState after = robot();
        EXPECT_FALSE(after.fallen);
        EXPECT_GT(after.upz, 0.9);
        EXPECT_TRUE(agent.Running());
    }
    EXPECT_TRUE(sim.Stop()) << sim.process.Stderr();
    EXPECT_TRUE(agent.Wait(10));
}

}  // namespace
