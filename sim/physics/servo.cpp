#include "sim/physics/servo.h"

#include <algorithm>
#include <cmath>

#include "sim/physics/geometry.h"
#include "sim/physics/robotdesc.h"

namespace sim {

double SanitizeCommand(double radPerSec, double previousRadPerSec) {
    if (!std::isfinite(radPerSec)) return previousRadPerSec;
    return std::clamp(radPerSec, -kMaxJointSpeedRadPerSec, kMaxJointSpeedRadPerSec);
}

double ServoTorque(double& qRefRad, double vCmdRadPerSec, double qRad, double qVelRadPerSec,
                   JointLimits limits, double dt) {
    const double window = kServoWindowDeg / kDegPerRad;
    qRefRad += vCmdRadPerSec * dt;
    qRefRad = std::clamp(qRefRad, limits.minRad, limits.maxRad);
    qRefRad = std::clamp(qRefRad, qRad - window, qRad + window);
    const double torque = kServoKp * (qRefRad - qRad) + kServoKd * (vCmdRadPerSec - qVelRadPerSec);
    return std::clamp(torque, -kMaxJointTorque, kMaxJointTorque);
}

}  // namespace sim
