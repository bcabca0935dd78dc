// The gyro integrated as an agent does; the camera's polar convention, view and lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "sim/physics/vision.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

// Turns q by `rad` about its own axis `axis` (0 x, 1 y, 2 z).
void TurnAbout(mjtNum q[4], int axis, double rad) {
    mjtNum about[3] = {0, 0, 0}, dq[4];
    about[axis] = 1;
    mju_axisAngle2Quat(dq, about, rad);
    mju_mulQuat(q, q, dq);
}

// Polar coordinates of the named landmark, or distance -1 when it is not seen.
Polar Seen(const World& w, int robot, const std::string& name) {
    for (const SeenLandmark& l : Vision().See(w, robot).landmarks)
        if (name == l.name) return l.pol;
    return Polar{-1, 0, 0};
}

// The angle (degrees) between two orientations.
double AngleBetween(const mjtNum a[4], const mjtNum b[4]) {
    mjtNum inverse[4], error[4];
    mju_negQuat(inverse, a);
    mju_mulQuat(error, inverse, b);
    return 2 * std::acos(std::min(1.0, std::fabs(error[0]))) * kDegPerRad;
}

}  // namespace

// The gyro integrated per cycle as an agent does (three turns about the torso's axes) follows
// the torso over 8 s of stepping as closely as the torso's exact rotation of each cycle
// integrated the same way: the way of integrating costs a fraction of a degree when the torso
// turns about several axes at once, the gyro itself next to nothing.
TEST(Sensors, IntegratedGyroFollowsTheTorsoWhileItSteps) {
    OneRobot r;
    r.Crouch();
    const int rootQuat = r.world.RobotAt(r.robot).rootQpos + 3;
    const mjtNum* truth = r.world.Data()->qpos + rootQuat;
    mjtNum fromGyro[4], fromRotation[4], before[4], turnOfCycle[4];
    mju_copy4(fromGyro, truth);
    mju_copy4(fromRotation, truth);
    double worstGyroDeg = 0, worstRotationDeg = 0;
    for (int cycle = 0; cycle < 400; ++cycle) {
        // Lift each foot in turn, 14 cycles per step, swaying over the standing leg.
        const double lift = 12 * std::sin(2 * kPi * cycle / 28.0);
        Angles target = CrouchedStance();
        for (int side = 0; side < 2; ++side) {  // left, right
            const double up = std::max(0.0, side ? -lift : lift);
            target[kLlj3 + side] += up;
            target[kLlj4 + side] -= 2 * up;
            target[kLlj5 + side] += up;
        }
        CommandToward(r.world, r.robot, target);
        mju_copy4(before, truth);
        r.world.StepCycle();
        const Vec3 turn =
            ReadSensors(r.world, r.robot).gyroDegPerSec * (kCycleSeconds / kDegPerRad);
        TurnAbout(fromGyro, 1, turn.y);
        TurnAbout(fromGyro, 0, turn.x);
        TurnAbout(fromGyro, 2, turn.z);
        mjtNum inverse[4], rotation[3];
        mju_negQuat(inverse, before);
        mju_mulQuat(turnOfCycle, inverse, truth);
        mju_quat2Vel(rotation, turnOfCycle, 1.0);  // rad, torso frame
        TurnAbout(fromRotation, 1, rotation[1]);
        TurnAbout(fromRotation, 0, rotation[0]);
        TurnAbout(fromRotation, 2, rotation[2]);
        worstGyroDeg = std::max(worstGyroDeg, AngleBetween(truth, fromGyro));
        worstRotationDeg = std::max(worstRotationDeg, AngleBetween(truth, fromRotation));
    }
    // Sampling the rate once per cycle strays by 0.8 degree more here.
    EXPECT_LT(worstGyroDeg, worstRotationDeg + 0.1);
    EXPECT_LT(worstGyroDeg, 1.0);
}

TEST(Vision, PolarConventionAndTheSixtyDegreeLimit) {
    OneRobot r(7.5, 7.0, 0.0);  // F1R (10.5, 7, 0) lies 3 m straight ahead
    const double h = ReadSensors(r.world, r.robot).camera.pos.z;
    EXPECT_NEAR(h, 0.385 + 0.155, 1e-3);
    Polar p = Seen(r.world, r.robot, "F1R");
    EXPECT_NEAR(p.distance, std::hypot(3.0, h), 1e-6);
    EXPECT_NEAR(p.horizontalDeg, 0.0, 1e-6);
    EXPECT_NEAR(p.verticalDeg, -std::atan2(h, 3.0) * kDegPerRad, 1e-6);
    // Turned right, F1R appears 59 degrees to the left; at 61 it is out of view.
    BeamRobot(r.world, r.robot, 7.5, 7.0, -59.0);
    EXPECT_NEAR(Seen(r.world, r.robot, "F1R").horizontalDeg, 59.0, 1e-6);
    BeamRobot(r.world, r.robot, 7.5, 7.0, -61.0);
    EXPECT_EQ(Seen(r.world, r.robot, "F1R").distance, -1);
    EXPECT_TRUE(IsVisionCycle(0) && !IsVisionCycle(1) && !IsVisionCycle(2) && IsVisionCycle(3));
}

TEST(Vision, FieldLinesSeenFromTheCentreSpotFacingTheRightGoal) {
    OneRobot r(0, 0, 0);
    const Pose camera = ReadSensors(r.world, r.robot).camera;
    const std::vector<SeenLine> lines = Vision(false, 0, true).See(r.world, r.robot).lines;
    // Side lines from 60 deg, far goal line, goal area (3), 4 centre-circle chords; none behind.
    EXPECT_EQ(10u, lines.size());
    int atBorder = 0;
    for (const SeenLine& l : lines) {
        for (const Polar& end : {l.a, l.b}) {
            EXPECT_TRUE(std::fabs(end.horizontalDeg) <= 60 + 1e-6 &&
                        std::fabs(end.verticalDeg) <= 60 + 1e-6)
                << end.horizontalDeg << " " << end.verticalDeg;
            atBorder += std::fabs(std::fabs(end.horizontalDeg) - 60) < 1e-6;
        }
    }
    EXPECT_EQ(4, atBorder);
    // The far goal line is seen whole: its ends are the corners.
    const Polar f1r = ToPolar(camera, {10.5, 7, 0}), f2r = ToPolar(camera, {10.5, -7, 0});
    int corners = 0;
    for (const SeenLine& l : lines)
        corners += (std::fabs(l.a.distance - f2r.distance) < 1e-9 &&
                    std::fabs(l.b.horizontalDeg - f1r.horizontalDeg) < 1e-9);
    EXPECT_EQ(1, corners);
    EXPECT_TRUE(Vision(false, 0, false).See(r.world, r.robot).lines.empty());
}
