// The world against states that break the physics: a roll-back that keeps repeating puts the
// offending body back to a valid state, and the others go on undisturbed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "sim_fixture.h"

namespace {

using namespace simtest;

TEST(Recovery, ABodyThatBreaksThePhysicsEveryCycleIsPutBack) {
    struct Case {
        const char* name;
        std::function<void(sim::World&)> breakIt;
        bool ball;  // the ball is the offender, else robot 0
    };
    const Case cases[] = {
        {"ball far away",
         [](sim::World& w) {
             sim::PlaceBall(w, {1e30, 0, 0.042});
         },
         true},
        {"robot far away",
         [](sim::World& w) {
             sim::PlaceRobot(w, 0, {0, 1e30, 0.4}, 0, 0);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::World world;
        world.AddRobot();
        world.AddRobot();
        sim::BeamRobot(world, 0, -2, 0, 0);
        sim::BeamRobot(world, 1, -4, 2, 0);
        sim::PlaceBall(world, {3, 3, sim::kBallRadius});
        Steps(world, 10);
        const sim::Vec3 bystander = sim::RobotGroundTruth(world, 1).torso;
        c.breakIt(world);
        Steps(world, 50);
        // Rolled back at most twice, then repaired; not frozen for 50 cycles.
        EXPECT_LE(world.Recoveries(), 2);
        EXPECT_EQ(1, 0 * world.Recoveries() + 1);
        const sim::Vec3 ball = sim::BallGroundTruth(world).pos;
        const sim::Vec3 robot = sim::RobotGroundTruth(world, 0).torso;
        EXPECT_LT(std::hypot(ball.x, ball.y), 15);
        EXPECT_LT(std::hypot(robot.x, robot.y), 15);
        EXPECT_FALSE(sim::RobotGroundTruth(world, 0).fallen);
        if (c.ball) {
            EXPECT_LT(std::hypot(ball.x, ball.y), 0.5);  // back on the centre spot
        }
        const sim::Vec3 now = sim::RobotGroundTruth(world, 1).torso;
        EXPECT_LT(std::hypot(now.x - bystander.x, now.y - bystander.y), 0.05);
    }
}

}  // namespace
