// The simulated robot as the agents see it: joint names and order, motor limits, the body
// parts that vision reports. The bodies, shapes and axes are in robot.xml.
#pragma once

#include <array>
#include <string>

namespace sim {

constexpr int kJointCount = 22;

// Names of one joint: its angle perceptor and its velocity effector.
struct JointNames {
    const char* perceptor;
    const char* effector;
};

// In the order of the agents' joint identifiers: hj1 hj2, then the legs interleaved left and
// right from the hip down (llj1 rlj1 ... llj6 rlj6), then the arms (laj1 raj1 ... laj4 raj4).
extern const std::array<JointNames, kJointCount> kJointNames;

// Index into kJointNames, or -1 for an unknown name.
int JointByPerceptor(const std::string& name);
int JointByEffector(const std::string& name);

// A joint's commanded speed is clamped to this, whatever the motor model (motor.h).
constexpr double kMaxJointSpeedRadPerSec = 6.1395;
// The comparison servo (servo.h).
constexpr double kServoKp = 200.0;        // N m / rad
constexpr double kServoKd = 20.0;         // N m s / rad
constexpr double kMaxJointTorque = 15.0;  // N m
constexpr double kServoWindowDeg = 1.0;   // reference kept this close to the actual angle
// The gearbox's viscous friction, N m s / rad, acting beside the servo even when it saturates.
constexpr double kJointViscousFriction = 0.05;

// Feet, in the order of the foot-pressure perceptors.
enum Foot { kLeftFoot = 0, kRightFoot = 1 };
constexpr std::array<const char*, 2> kFootSensorNames = {"lf", "rf"};

// The parts of a robot that other robots' cameras report, by the name used in vision.
constexpr int kVisiblePartCount = 5;
constexpr std::array<const char*, kVisiblePartCount> kVisiblePartNames = {
    "head", "rlowerarm", "llowerarm", "rfoot", "lfoot"};

// A robot is fallen when its torso's up axis has a z component below this, or its torso
// centre is lower than kFallenTorsoHeight (m).
constexpr double kFallenUpZ = 0.5;
constexpr double kFallenTorsoHeight = 0.2;

}  // namespace sim
