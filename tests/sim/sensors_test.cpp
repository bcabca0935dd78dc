// The gyro integrated as an agent does; the camera's polar convention, view and lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "sim/vision.h"
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

}  // namespace

// The gyro integrated per cycle as an agent does follows the torso over 8 s of stepping.
TEST(Sensors, IntegratedGyroFollowsTheTorsoWhileItSteps) {
    OneRobot r;
    r.Crouch();
    const mjtNum* truth = r.world.Data()->xquat + 4 * r.world.RobotAt(r.robot).torsoBody;
    mjtNum q[4] = {truth[0], truth[1], truth[2], truth[3]}, inverse[4], error[4];
    double worstDeg = 0;
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
        r.world.StepCycle();
        const Vec3 turn =
            ReadSensors(r.world, r.robot).gyroDegPerSec * (kCycleSeconds / kDegPerRad);
        TurnAbout(q, 1, turn.y);
        TurnAbout(q, 0, turn.x);
        TurnAbout(q, 2, turn.z);
        truth = r.world.Data()->xquat + 4 * r.world.RobotAt(r.robot).torsoBody;
        mju_negQuat(inverse, truth);
        mju_mulQuat(error, inverse, q);
        worstDeg =
            std::max(worstDeg, 2 * std::acos(std::min(1.0, std::fabs(error[0]))) * kDegPerRad);
    }
    // Sampling the rate once per cycle strays by more than 1 degree here.
    EXPECT_LT(worstDeg, 0.2);
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
