// The velocity motor: joints follow their commands within the cycle, hold still under load,
// never push harder than the torque limit and never hand back motion lost at it.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

constexpr int kLaj1 = 14, kRaj1 = 15, kLaj2 = 16;  // in kJointNames

// The latest substep's force (N m) of the joint's motor row; 0 when the motor does not act.
double MotorForce(const World& w, int robot, int joint) {
    const mjData* d = w.Data();
    const int dof = w.RobotAt(robot).jointDof[joint];
    for (int row = 0; row < d->nefc; ++row)
        if (d->efc_type[row] == mjCNSTR_FRICTION_DOF && d->efc_id[row] == dof)
            return d->efc_force[row];
    return 0;
}

}  // namespace

// In the air each joint makes exactly its command's motion, cycle by cycle, one cycle late:
// steadily, and (head and arms, light enough for 10 N m) when the command swings from full
// speed one way to full speed the other every cycle, as the agent's encoder asks for.
TEST(VelocityMotor, JointsInTheAirFollowTheirCommandsWithinADegree) {
    const struct {
        const char* name;
        std::vector<int> joints;
        bool swinging;
    } cases[] = {{"+2 rad/s", {kHj1, kLlj3, kRlj5, kLaj1, kRaj1}, false},
                 {"+-6 rad/s alternating", {kHj1, kHj2, kLaj1, kRaj1}, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        World w;
        const int robot = w.AddRobot();
        PlaceBall(w, {5, 5, kBallRadius});
        PlaceRobot(w, robot, {0, 0, 5}, 0);
        std::vector<double> expected;
        for (int j : c.joints) expected.push_back(ReadSensors(w, robot).jointDeg[j]);
        double previous = 0;  // the command taking effect this cycle, rad/s
        for (int k = 0; k < 10; ++k) {
            const double command = c.swinging ? (k % 2 ? -6.0 : 6.0) : 2.0;
            for (int j : c.joints) w.Command(robot, j, command);
            w.StepCycle();
            for (double& e : expected) e += previous * 0.02 * kDegPerRad;
            previous = command;
            const RobotSensors s = ReadSensors(w, robot);
            for (size_t i = 0; i < c.joints.size(); ++i)
                ASSERT_NEAR(s.jointDeg[c.joints[i]], expected[i], 1.0)
                    << kJointNames[c.joints[i]].perceptor << " cycle " << k;
        }
    }
}

// A zero command holds every joint within 0.1 degree for 30 s under the robot's own weight,
// standing straight and crouched.
TEST(VelocityMotor, ZeroCommandsHoldEveryJointStandingAndCrouched) {
    for (bool crouched : {false, true}) {
        SCOPED_TRACE(crouched ? "crouched" : "standing");
        OneRobot r;
        if (crouched) r.Crouch();
        CommandAll(r.world, r.robot, 0.0);
        Steps(r.world, 5);
        const RobotSensors before = ReadSensors(r.world, r.robot);
        Steps(r.world, 1500);
        for (int j = 0; j < kJointCount; ++j)
            EXPECT_NEAR(r.Deg(j), before.jointDeg[j], 0.1) << kJointNames[j].perceptor;
    }
}

// An arm forced down with a torque just beyond the limit against a zero command gives way at
// exactly the limit; once the torque is gone the motor stops it and it stays where it was
// pushed: motion lost is not handed back.
TEST(VelocityMotor, TheTorqueLimitHoldsAndLostMotionIsNotHandedBack) {
    OneRobot r;
    CommandAll(r.world, r.robot, 0.0);
    Steps(r.world, 5);
    const double start = r.Deg(kLaj1);
    mjtNum& torque = r.world.Data()->qfrc_applied[r.world.RobotAt(r.robot).jointDof[kLaj1]];
    for (int k = 0; k < 3; ++k) {
        torque = -(kMotorTorqueLimit + 0.2);  // N m, pitching the arm down
        r.world.StepCycle();
        EXPECT_NEAR(MotorForce(r.world, r.robot, kLaj1), kMotorTorqueLimit, 1e-6);
    }
    torque = 0;
    const double pushed = r.Deg(kLaj1);
    EXPECT_LT(pushed, start - 5);
    Steps(r.world, 50);
    EXPECT_NEAR(r.Deg(kLaj1), pushed, 3.0);  // braked at once
    const double stopped = r.Deg(kLaj1);
    Steps(r.world, 250);
    EXPECT_NEAR(r.Deg(kLaj1), stopped, 0.1);
}

// Speeds beyond 6.1395 rad/s are clamped; a joint driven into a stop pushes against it with
// the torque limit and the stop gives way by hundredths of a degree (a reading beyond the stop
// is how a sweep of the head knows it has reached the end); driven the other way the joint
// leaves the stop at the commanded speed.
TEST(VelocityMotor, SpeedClampAndStops) {
    OneRobot r;
    r.world.Command(r.robot, kLaj2, 1000.0);
    Steps(r.world, 2);
    double before = r.Deg(kLaj2);
    r.world.StepCycle();
    EXPECT_NEAR(r.Deg(kLaj2) - before, 6.1395 * 0.02 * kDegPerRad, 0.2);
    r.world.Command(r.robot, kLaj2, -6.0);  // into the stop at -1 degree
    Steps(r.world, 60);
    EXPECT_LT(r.Deg(kLaj2), -1.0);
    EXPECT_GT(r.Deg(kLaj2), -1.05);
    EXPECT_NEAR(MotorForce(r.world, r.robot, kLaj2), -kMotorTorqueLimit, 1e-6);
    r.world.Command(r.robot, kLaj2, 2.0);  // away from it
    Steps(r.world, 2);
    before = r.Deg(kLaj2);
    Steps(r.world, 5);
    EXPECT_NEAR(r.Deg(kLaj2) - before, 2.0 * 0.1 * kDegPerRad, 1.0);
}
