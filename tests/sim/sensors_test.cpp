// Gyro, accelerometer and foot pressure in the torso's and the feet's own frames.
#include <gtest/gtest.h>

#include "sim/truth.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

TEST(Sensors, GyroReadsTheTurnRateInTheTorsoFrame) {
    OneRobot r;
    // Lying on its back in the air, spun about the field's z axis at 1 rad/s: the torso's
    // forward axis points up, so the gyro sees the turn about its own +y.
    PlaceRobot(r.world, r.robot, {0, 0, 3}, 30, -90);
    mjData* d = r.world.Data();
    const RobotLayout& l = r.world.RobotAt(r.robot);
    const Rot3 rot = ToRot3(d->xmat + 9 * l.torsoBody);
    const Vec3 local = rot.ToLocal({0, 0, 1.0});  // free-joint angular velocity: body frame
    d->qvel[l.rootDof + 3] = local.x;
    d->qvel[l.rootDof + 4] = local.y;
    d->qvel[l.rootDof + 5] = local.z;
    r.world.StepCycle();
    const Vec3 g = ReadSensors(r.world, r.robot).gyroDegPerSec;
    EXPECT_NEAR(g.x, 0.0, 1.0);
    EXPECT_NEAR(g.y, kDegPerRad, 1.0);
    EXPECT_NEAR(g.z, 0.0, 1.0);

    // Standing still it reads nothing; turning the head does not move the torso's gyro much.
    BeamRobot(r.world, r.robot, 0, 0, 0);
    Steps(r.world, 50);
    EXPECT_LT(Norm(ReadSensors(r.world, r.robot).gyroDegPerSec), 0.5);
}

TEST(Sensors, AccelerometerFeelsTheGroundNotFreeFall) {
    OneRobot r;
    r.Crouch();
    Steps(r.world, 50);
    const Vec3 standing = ReadSensors(r.world, r.robot).accel;
    EXPECT_NEAR(standing.x, 0.0, 0.05);
    EXPECT_NEAR(standing.y, 0.0, 0.05);
    EXPECT_NEAR(standing.z, 9.81, 0.05);

    // Face down the torso's forward axis points at the ground, which pushes along -y.
    PlaceRobot(r.world, r.robot, {0, 0, 0.1}, 0, 90);
    Steps(r.world, 100);
    const Vec3 lying = ReadSensors(r.world, r.robot).accel;
    EXPECT_LT(lying.y, -9.0);
    EXPECT_NEAR(Norm(lying), 9.81, 0.05);

    PlaceRobot(r.world, r.robot, {0, 0, 5}, 0, 0);
    r.world.StepCycle();
    EXPECT_LT(Norm(ReadSensors(r.world, r.robot).accel), 0.05);
}

TEST(Sensors, FootPressureInTheFootFrameOnlyWhenTouching) {
    OneRobot r;
    r.Crouch();
    Steps(r.world, 50);
    RobotSensors s = ReadSensors(r.world, r.robot);
    for (int f : {kLeftFoot, kRightFoot}) {
        const FootPressure& p = s.feet[f];
        ASSERT_TRUE(p.touching);
        EXPECT_NEAR(p.centre.z, -0.01, 0.002);  // on the sole
        EXPECT_LT(std::fabs(p.centre.x), 0.04);
        EXPECT_LT(std::fabs(p.centre.y), 0.08);
        EXPECT_NEAR(p.force.z, 4.6071 * 9.81 / 2, 1.0);
        EXPECT_LT(std::hypot(p.force.x, p.force.y), 0.5);
    }
    // Lean the robot onto its left foot by rolling both legs: the left foot carries more.
    PlaceRobot(r.world, r.robot, {0, 0, 2}, 0, 0);
    r.world.StepCycle();
    s = ReadSensors(r.world, r.robot);
    EXPECT_FALSE(s.feet[kLeftFoot].touching);
    EXPECT_FALSE(s.feet[kRightFoot].touching);
}

TEST(Sensors, FootOnTheBallReportsTheContact) {
    OneRobot r;
    // The ball under the front of the right foot (model frame: right is -y for heading 0).
    PlaceBall(r.world, {0.1, -0.055, kBallRadius});
    BeamRobot(r.world, r.robot, 0, 0, 0);
    Steps(r.world, 2);
    const RobotSensors s = ReadSensors(r.world, r.robot);
    EXPECT_TRUE(s.feet[kRightFoot].touching);
    EXPECT_GT(s.feet[kRightFoot].centre.y, 0.0);  // pressure at the toes
}
