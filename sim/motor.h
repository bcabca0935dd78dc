// The joint motors of the robots. Two models, chosen per world:
//
// kVelocity (the default): each hinge joint is driven by a velocity motor solved as a nearly
// hard constraint together with the contacts. Within a substep the joint reaches its commanded
// velocity unless that takes more than kMotorTorqueLimit; then the limit is applied and the
// motion that could not be made is lost (never handed back later: the agent's encoder resends
// it). The constraint is MuJoCo's friction-loss row of the joint, bounded by the torque limit;
// between mj_step1 and mj_step2 its reference acceleration is replaced by
//     -B (qvel - vCmd) - (B^2 / 4) (q - qRef),
// where qRef integrates the command but stays within kMotorWindowDeg of the joint, so the
// position term takes back only what the soft constraint creeps. The stops are nearly hard
// constraints of their own: a motor driving into a stop pushes against it with its torque
// limit and the stop gives way by hundredths of a degree, as a hard stop does; driven the
// other way the joint leaves the stop at once. No rotor inertia (armature 0), no gearbox
// friction.
//
// kServo: the earlier explicit servo with integral action (servo.h), kp 200, kd 20, 15 N m,
// with armature 0.05 and viscous friction. Kept for comparison only: its armature caps a
// joint's change of speed at about 6 rad/s per cycle, so joints lag quick steps by tens of
// degrees.
#pragma once

#include <string>

#include "sim/servo.h"

namespace sim {

enum class JointMotor { kVelocity, kServo };

// "velocity" / "servo".
const char* JointMotorName(JointMotor motor);
bool ParseJointMotor(const std::string& name, JointMotor& motor);

// The MJCF attributes of every robot hinge joint for the motor model.
std::string JointMotorAttributes(JointMotor motor);

constexpr double kMotorTorqueLimit = 10.0;    // N m
constexpr double kMotorTimeConstant = 0.008;  // s: two substeps, the shortest MuJoCo allows
constexpr double kMotorImpedance = 0.9999;    // the constraint's solimp: nearly hard
constexpr double kMotorWindowDeg = 0.1;       // qRef kept this close to the joint's angle
// The stops' solimp: a motor pushing into a stop with its torque limit takes a joint a few
// hundredths of a degree beyond it.
constexpr double kStopImpedance = 0.9995;
// B of the reference acceleration (1/s), as MuJoCo derives it from the time constant.
constexpr double kMotorDamping = 2.0 / (kMotorImpedance * kMotorTimeConstant);

// Keeps qRefRad inside the joint's range and within kMotorWindowDeg of qRad.
void KeepReferenceNear(double& qRefRad, double qRad, JointLimits limits);

// The motor row's reference acceleration (rad/s^2).
double MotorReferenceAcceleration(double qRad, double qVelRadPerSec, double qRefRad,
                                  double targetRadPerSec);

}  // namespace sim
