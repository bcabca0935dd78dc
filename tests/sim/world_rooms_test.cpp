// The world's rooms for robots (join and leave without a rebuild, grow aside), and a body that
// keeps breaking the physics put back while the others go on undisturbed.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace {

using namespace simtest;

std::vector<sim::Vec3> Torsos(const sim::World& world) {
    std::vector<sim::Vec3> torsos;
    for (int i = 0; i < world.RobotCount(); ++i)
        torsos.push_back(sim::RobotGroundTruth(world, i).torso);
    return torsos;
}

void ExpectSamePlaces(const std::vector<sim::Vec3>& want, const std::vector<sim::Vec3>& got) {
    ASSERT_LE(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_LT(sim::Norm(want[i] - got[i]), 1e-9) << i;
}

TEST(Rooms, JoiningAndLeavingWithoutRebuildingAndGrowingAside) {
    sim::World world(3, 4);
    const double xs[] = {-6, -4, -2};
    for (int i = 0; i < 3; ++i) sim::BeamRobot(world, i, xs[i], 1, 0);
    Steps(world, 5);
    const mjModel* model = world.Model();
    std::vector<sim::Vec3> before = Torsos(world);

    // The first leaves: the others move down one index, where they stood.
    world.RemoveRobot(0);
    EXPECT_EQ(2, world.RobotCount());
    EXPECT_EQ(2, world.FreeRooms());
    ExpectSamePlaces({before[1], before[2]}, Torsos(world));
    // Two join into the empty rooms: upright beside the touch line, no rebuild.
    EXPECT_EQ(2, world.AddRobot());
    EXPECT_EQ(3, world.AddRobot());
    EXPECT_EQ(model, world.Model());
    EXPECT_EQ(0, world.FreeRooms());
    for (int i = 2; i < 4; ++i) {
        EXPECT_NEAR(-7.6, sim::RobotGroundTruth(world, i).torso.y, 0.01);
        EXPECT_GT(sim::RobotGroundTruth(world, i).upZ, 0.99);
    }
    Steps(world, 5);

    // A bigger model is built aside while the world runs, then taken between two cycles.
    before = Torsos(world);
    world.RequestRooms(6);
    int cycles = 0;
    while (!world.AdoptPreparedRooms() && cycles < 1000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        cycles++;
    }
    EXPECT_NE(model, world.Model());
    EXPECT_EQ(2, world.FreeRooms());
    ExpectSamePlaces(before, Torsos(world));
    // Empty rooms never show: nothing of them near the field, no touches, no blow-up.
    Steps(world, 50);
    for (const sim::Vec3& t : Torsos(world)) EXPECT_TRUE(std::fabs(t.x) < 11 && std::fabs(t.y) < 8);
    EXPECT_EQ(0, world.Recoveries());
}

TEST(Recovery, ABodyThatBreaksThePhysicsEveryCycleIsPutBack) {
    for (bool ballOffends : {true, false}) {  // the offender: the ball far away, or robot 0
        SCOPED_TRACE(ballOffends);
        sim::World world;
        sim::BeamRobot(world, world.AddRobot(), -2, 0, 0);
        sim::BeamRobot(world, world.AddRobot(), -4, 2, 0);
        sim::PlaceBall(world, {3, 3, sim::kBallRadius});
        Steps(world, 10);
        const sim::Vec3 bystander = sim::RobotGroundTruth(world, 1).torso;
        if (ballOffends) {
            sim::PlaceBall(world, {1e30, 0, 0.042});
        } else {
            sim::PlaceRobot(world, 0, {0, 1e30, 0.4}, 0, 0);
        }
        Steps(world, 50);
        EXPECT_LE(world.Recoveries(), 2);  // rolled back at most twice, then repaired
        const sim::Vec3 ball = sim::BallGroundTruth(world).pos;
        const sim::Vec3 robot = sim::RobotGroundTruth(world, 0).torso;
        EXPECT_LT(std::hypot(ball.x, ball.y), 15);
        EXPECT_LT(std::hypot(robot.x, robot.y), 15);
        EXPECT_FALSE(sim::RobotGroundTruth(world, 0).fallen);
        if (ballOffends) {
            EXPECT_LT(std::hypot(ball.x, ball.y), 0.5);  // back on the centre spot
        }
        const sim::Vec3 now = sim::RobotGroundTruth(world, 1).torso;
        EXPECT_LT(std::hypot(now.x - bystander.x, now.y - bystander.y), 0.05);
    }
}

}  // namespace
