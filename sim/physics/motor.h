// The joint motors of the robots. Two models, chosen per world:
//
// kVelocity (the default): each hinge joint is driven by a velocity motor solved as a nearly
// hard constraint together with the contacts. Within a substep the joint reaches its commanded
// velocity unless that takes more than kMotorTorqueLimit; then the limit is applied and the
// motion that could not be made is lost (never handed back later: the agent's encoder resends
// it). The constraint is MuJoCo's friction-loss row of the joint, bounded by the torque limit;
// between mj_step1 and mj_step2 its reference acceleration is replaced by
//     -B (qvel - vCmd) - (B^2 / 4) (q - qRef),
// where qRef integrates the command, except that after a substep in which the motor pushed
// with its limit qRef is set to where the joint is: the position term takes back what the soft
// constraint creeps, never the motion lost at the limit. The stops are nearly hard
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

namespace sim {

enum class JointMotor { kVelocity, kServo };

// "velocity" / "servo".
bool ParseJointMotor(const std::string& name, JointMotor& motor);

// The MJCF attributes of every robot hinge joint for the motor model.
std::string JointMotorAttributes(JointMotor motor);

constexpr double kMotorTorqueLimit = 10.0;    // N m
constexpr double kMotorTimeConstant = 0.008;  // s: two substeps, the shortest MuJoCo allows
// The constraint's solimp: nearly hard. Within a substep the joint gets 99 % of the way to its
// commanded velocity; what the softness leaves behind the position term takes back. Harder
// ones track no better and make the solver's work grow fast (Newton iterations per substep
// in a synced 11 v 11: 4.8 at 0.99, 9.4 at 0.999, 18.3 at 0.9999).
constexpr double kMotorImpedance = 0.99;
// The stops' solimp: a motor pushing into a stop with its torque limit takes a joint a few
// hundredths of a degree beyond it.
constexpr double kStopImpedance = 0.9995;
// B of the reference acceleration (1/s), as MuJoCo derives it from the time constant.
constexpr double kMotorDamping = 2.0 / (kMotorImpedance * kMotorTimeConstant);

// The motor row's reference acceleration (rad/s^2).
double MotorReferenceAcceleration(double qRad, double qVelRadPerSec, double qRefRad,
                                  double targetRadPerSec);

}  // namespace sim
