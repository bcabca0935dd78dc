// The comparison joint motor (--motor=servo; motor.h has the default): a velocity servo with
// integral action, as a geared joint controller does. Each physics substep the reference angle
// integrates the commanded velocity; the torque pulls the joint towards the reference and its
// velocity towards the command. A joint commanded 0 is therefore held where it is, even under load.
#pragma once

namespace sim {

struct JointLimits {
    double minRad;
    double maxRad;
};

// A received velocity command (rad/s) made safe: a non-finite one is ignored (the joint keeps
// previousRadPerSec), a finite one is clamped to the motor's maximum speed.
double SanitizeCommand(double radPerSec, double previousRadPerSec);

// One substep of one joint: advances qRefRad by vCmd * dt, keeps it inside the joint's range
// and within kServoWindowDeg of the actual angle (anti-windup), and returns the torque (N m),
// kp (qRef - q) + kd (vCmd - qVel), clamped to kMaxJointTorque.
double ServoTorque(double& qRefRad, double vCmdRadPerSec, double qRad, double qVelRadPerSec,
                   JointLimits limits, double dt);

}  // namespace sim
