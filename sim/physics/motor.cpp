#include "sim/physics/motor.h"

#include <cstdio>

namespace sim {

bool ParseJointMotor(const std::string& name, JointMotor& motor) {
    if (name == "velocity") {
        motor = JointMotor::kVelocity;
    } else if (name == "servo") {
        motor = JointMotor::kServo;
    } else {
        return false;
    }
    return true;
}

std::string JointMotorAttributes(JointMotor motor) {
    // The servo's armature stands for a geared motor's reflected inertia and keeps Euler stable
    // under its gains; its viscous friction is applied with its torque (world.cpp).
    if (motor == JointMotor::kServo) return "armature=\"0.05\"";
    // The friction-loss row is the velocity motor (its reference acceleration is replaced each
    // substep); its solref's time constant gives kMotorDamping. The stops are nearly hard too.
    char text[300];
    std::snprintf(text, sizeof text,
                  "armature=\"0\" frictionloss=\"%g\" solreffriction=\"%g 1\" "
                  "solimpfriction=\"%g %g 0.001\" solreflimit=\"%g 1\" "
                  "solimplimit=\"%g %g 0.001\"",
                  kMotorTorqueLimit, kMotorTimeConstant, kMotorImpedance, kMotorImpedance,
                  kMotorTimeConstant, kStopImpedance, kStopImpedance);
    return text;
}

double MotorReferenceAcceleration(double qRad, double qVelRadPerSec, double qRefRad,
                                  double targetRadPerSec) {
    constexpr double b = kMotorDamping;
    return -b * (qVelRadPerSec - targetRadPerSec) - (b * b / 4) * (qRad - qRefRad);
}

}  // namespace sim
