// The joint motors through the physics: holding a stance, the velocity servo, the actuation
// latency and bad commands.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/mjlog.h"
#include "sim/truth.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

double Weight(const World& world) {
    // Every body but the world and the ball belongs to the robot.
    double mass = 0;
    for (int b = 0; b < world.Model()->nbody; ++b)
        if (b != 0 && b != world.Layout().ballBody) mass += world.Model()->body_mass[b];
    return mass * 9.81;
}

}  // namespace

TEST(Motors, CrouchedStanceHoldsForAMinuteThenZeroCommandsHoldTheAngles) {
    OneRobot r;
    r.Crouch();
    const double weight = Weight(r.world);
    EXPECT_NEAR(weight, 4.6071 * 9.81, 0.01);
    for (int k = 0; k < 3000; ++k) {  // 60 s
        CommandToward(r.world, r.robot, CrouchedStance());
        r.world.StepCycle();
        if (k % 50 != 0) continue;
        const RobotSensors s = ReadSensors(r.world, r.robot);
        ASSERT_TRUE(s.feet[kLeftFoot].touching && s.feet[kRightFoot].touching) << "cycle " << k;
        ASSERT_NEAR(s.feet[kLeftFoot].force.z + s.feet[kRightFoot].force.z, weight, 0.01 * weight);
        ASSERT_FALSE(RobotGroundTruth(r.world, r.robot).fallen) << "cycle " << k;
    }
    const RobotSensors before = ReadSensors(r.world, r.robot);
    EXPECT_NEAR(before.jointDeg[kLlj4], -77.0, 0.5);
    EXPECT_NEAR(before.jointDeg[kRlj3], 24.5, 0.5);

    CommandAll(r.world, r.robot, 0.0);
    Steps(r.world, 1500);  // 30 s
    const RobotSensors after = ReadSensors(r.world, r.robot);
    for (int j = 0; j < kJointCount; ++j)
        EXPECT_NEAR(after.jointDeg[j], before.jointDeg[j], 0.1) << kJointNames[j].perceptor;
    const RobotTruth t = RobotGroundTruth(r.world, r.robot);
    EXPECT_FALSE(t.fallen);
    EXPECT_GT(t.upZ, 0.99);
}

TEST(Motors, VelocityCommandMovesByItsIntegralAndStops) {
    OneRobot r;
    r.Crouch();
    CommandAll(r.world, r.robot, 0.0);
    Steps(r.world, 5);
    const double start = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    r.world.Command(r.robot, kHj1, 2.0);
    Steps(r.world, 10);
    r.world.Command(r.robot, kHj1, 0.0);
    Steps(r.world, 40);
    const double moved = ReadSensors(r.world, r.robot).jointDeg[kHj1] - start;
    EXPECT_NEAR(moved, 2.0 * 0.2 * kDegPerRad, 0.3);  // 22.9 degrees
    Steps(r.world, 250);
    EXPECT_NEAR(ReadSensors(r.world, r.robot).jointDeg[kHj1] - start, moved, 0.02);
}

TEST(Motors, CommandTakesEffectOneCycleLateAndIsKept) {
    OneRobot r;
    Steps(r.world, 20);
    const double a0 = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    r.world.Command(r.robot, kHj1, 1.0);
    r.world.StepCycle();  // the step before the next perception: not yet
    const double a1 = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    EXPECT_NEAR(a1, a0, 1e-3);
    r.world.StepCycle();
    const double a2 = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    EXPECT_GT(a2 - a1, 0.5);
    Steps(r.world, 5);  // no new command: it keeps turning at 1 rad/s
    const double a3 = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    r.world.StepCycle();
    EXPECT_NEAR(ReadSensors(r.world, r.robot).jointDeg[kHj1] - a3, 0.02 * kDegPerRad, 0.05);
}

TEST(Motors, NonFiniteCommandsAreIgnoredAndHugeOnesClamped) {
    OneRobot r;
    Steps(r.world, 10);
    EXPECT_TRUE(r.world.Command(r.robot, kHj1, 1.0));
    EXPECT_FALSE(r.world.Command(r.robot, kHj1, std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(r.world.Command(r.robot, kHj1, std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(r.world.Command(r.robot, kJointCount, 1.0));
    EXPECT_FALSE(r.world.Command(r.robot + 1, kHj1, 1.0));
    Steps(r.world, 6);
    double a = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    r.world.StepCycle();
    EXPECT_NEAR(ReadSensors(r.world, r.robot).jointDeg[kHj1] - a, 0.02 * kDegPerRad, 0.05);

    EXPECT_TRUE(r.world.Command(r.robot, kHj1, -1e9));
    Steps(r.world, 6);
    a = ReadSensors(r.world, r.robot).jointDeg[kHj1];
    r.world.StepCycle();
    EXPECT_NEAR(ReadSensors(r.world, r.robot).jointDeg[kHj1] - a,
                -kMaxJointSpeedRadPerSec * 0.02 * kDegPerRad, 0.3);
}

TEST(Motors, GarbageOnEveryJointKeepsTheSimulationValid) {
    OneRobot r;
    const double values[] = {1e9, -1e300, std::nan(""), 6.14,
                             -std::numeric_limits<double>::infinity()};
    for (int k = 0; k < 250; ++k) {
        for (int j = 0; j < kJointCount; ++j) r.world.Command(r.robot, j, values[(k + j) % 5]);
        r.world.StepCycle();
    }
    const mjData* d = r.world.Data();
    for (int i = 0; i < r.world.Model()->nq; ++i) ASSERT_TRUE(std::isfinite(d->qpos[i]));
    for (int i = 0; i < r.world.Model()->nv; ++i) ASSERT_TRUE(std::isfinite(d->qvel[i]));
    const RobotSensors s = ReadSensors(r.world, r.robot);
    for (int j = 0; j < kJointCount; ++j) {
        // Joint limits are hard stops (allowing the soft constraint's give).
        const JointLimits lim = r.world.RobotAt(r.robot).limits[j];
        EXPECT_GE(s.jointDeg[j], lim.minRad * kDegPerRad - 3.0) << kJointNames[j].perceptor;
        EXPECT_LE(s.jointDeg[j], lim.maxRad * kDegPerRad + 3.0) << kJointNames[j].perceptor;
    }
    EXPECT_LT(std::fabs(RobotGroundTruth(r.world, r.robot).torso.z), 2.0);
}

TEST(Motors, ServoKeepsItsReferenceInsideRangeAndWindow) {
    const JointLimits lim{-0.5, 0.5};
    double ref = 0.49;
    // At the range's end the reference stops there.
    ServoTorque(ref, 6.0, 0.49, 0.0, lim, 0.004);
    EXPECT_DOUBLE_EQ(ref, 0.5);
    // A blocked joint: the reference waits 1 degree ahead instead of winding up.
    ref = 0.0;
    for (int k = 0; k < 100; ++k) ServoTorque(ref, 2.0, 0.0, 0.0, lim, 0.004);
    EXPECT_NEAR(ref, 1.0 / kDegPerRad, 1e-12);
    // Torque bounded at 15 N m, signed like the error.
    EXPECT_DOUBLE_EQ(ServoTorque(ref, -6.0, 0.3, 0.0, lim, 0.004), -kMaxJointTorque);
    ref = 0.1;
    EXPECT_NEAR(ServoTorque(ref, 0.0, 0.1, -0.01, lim, 0.004), 20.0 * 0.01, 1e-12);
    EXPECT_DOUBLE_EQ(SanitizeCommand(std::nan(""), 0.7), 0.7);
    EXPECT_DOUBLE_EQ(SanitizeCommand(-7.0, 0.7), -6.14);
}

TEST(Motors, BlownUpPhysicsRollsBackToTheCycleStart) {
    OneRobot r(2, 3, 45);
    r.Crouch();
    PlaceBall(r.world, {1, 1, kBallRadius}, {1, 0, 0});
    const RobotTruth before = RobotGroundTruth(r.world, r.robot);
    const double angle = ReadSensors(r.world, r.robot).jointDeg[kLlj4];
    const double ballX = BallGroundTruth(r.world).pos.x;
    const long cycle = r.world.Cycle();
    SetMujocoWarningsQuiet(true);
    r.world.Data()->qvel[r.world.RobotAt(r.robot).jointDof[kLlj4]] =
        std::numeric_limits<double>::quiet_NaN();
    r.world.StepCycle();
    SetMujocoWarningsQuiet(false);
    EXPECT_EQ(r.world.Recoveries(), 1);
    EXPECT_EQ(r.world.Cycle(), cycle + 1);
    EXPECT_NEAR(r.world.Data()->time, r.world.Time(), 1e-9);
    // Not MuJoCo's reset to the model's initial state: where it was, at rest.
    const RobotTruth after = RobotGroundTruth(r.world, r.robot);
    EXPECT_NEAR(after.torso.x, before.torso.x, 1e-9);
    EXPECT_NEAR(after.headingDeg, before.headingDeg, 1e-9);
    EXPECT_NEAR(ReadSensors(r.world, r.robot).jointDeg[kLlj4], angle, 1e-9);
    EXPECT_NEAR(BallGroundTruth(r.world).pos.x, ballX, 1e-9);
    CommandAll(r.world, r.robot, 0.0);
    Steps(r.world, 100);
    EXPECT_FALSE(RobotGroundTruth(r.world, r.robot).fallen);
    EXPECT_EQ(r.world.Recoveries(), 1);
}
