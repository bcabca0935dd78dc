// Gyro, accelerometer and foot pressure in the torso's and the feet's own frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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

namespace {

Rot3 Multiply(const Rot3& a, const Rot3& b) {
    Rot3 c;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            c.m[3 * i + j] = 0;
            for (int k = 0; k < 3; ++k) c.m[3 * i + j] += a.m[3 * i + k] * b.m[3 * k + j];
        }
    return c;
}

// Rotation by `rad` about the axis `axis` (0 x, 1 y, 2 z).
Rot3 AxisRotation(int axis, double rad) {
    const double c = std::cos(rad), s = std::sin(rad);
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    Rot3 r;
    r.m[3 * a + a] = c;
    r.m[3 * a + b] = -s;
    r.m[3 * b + a] = s;
    r.m[3 * b + b] = c;
    return r;
}

// The angle between two orientations, degrees.
double AngleBetweenDeg(const Rot3& a, const Rot3& b) {
    double trace = 0;
    for (int i = 0; i < 3; ++i) trace += Dot(a.Column(i), b.Column(i));
    return std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * kDegPerRad;
}

}  // namespace

// An agent integrates the 50 Hz gyro into its torso orientation, one small rotation per cycle
// (about forward, right, then up, as it does). Over 8 s of stepping in place, which shakes the
// torso at every foot strike, that must stay with the true orientation.
TEST(Sensors, IntegratedGyroFollowsTheTorsoWhileItSteps) {
    OneRobot r;
    r.Crouch();
    const int torso = r.world.RobotAt(r.robot).torsoBody;
    Rot3 integrated = ToRot3(r.world.Data()->xmat + 9 * torso);
    double worstDeg = 0;
    for (int cycle = 0; cycle < 400; ++cycle) {
        // Lift each foot in turn, 14 cycles per step, swaying over the standing leg.
        const double phase = 2 * kPi * cycle / 28.0;
        Angles target = CrouchedStance();
        const double lift = 12 * std::sin(phase);
        target[kLlj3] += std::max(0.0, lift);
        target[kLlj4] -= 2 * std::max(0.0, lift);
        target[kLlj5] += std::max(0.0, lift);
        target[kRlj3] += std::max(0.0, -lift);
        target[kRlj4] -= 2 * std::max(0.0, -lift);
        target[kRlj5] += std::max(0.0, -lift);
        CommandToward(r.world, r.robot, target);
        r.world.StepCycle();
        const Vec3 turn =
            ReadSensors(r.world, r.robot).gyroDegPerSec * (kCycleSeconds / kDegPerRad);
        integrated = Multiply(integrated, AxisRotation(1, turn.y));
        integrated = Multiply(integrated, AxisRotation(0, turn.x));
        integrated = Multiply(integrated, AxisRotation(2, turn.z));
        const Rot3 truth = ToRot3(r.world.Data()->xmat + 9 * torso);
        worstDeg = std::max(worstDeg, AngleBetweenDeg(integrated, truth));
    }
    EXPECT_GT(ToRot3(r.world.Data()->xmat + 9 * torso).m[8], 0.95);  // still upright
    // Sampling the rate once per cycle strays by more than 1 degree here.
    EXPECT_LT(worstDeg, 0.2);
}
