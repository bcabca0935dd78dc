// Ground truth for the referee and the trainer, in the absolute field frame.
#pragma once

#include "sim/physics/geometry.h"

namespace sim {

class World;

struct RobotTruth {
    Vec3 torso;         // torso centre, m
    double headingDeg;  // forward axis, counter-clockwise from +x, in (-180, 180]
    double upZ;         // z component of the torso's up axis
    bool fallen;        // upZ < kFallenUpZ or torso centre below kFallenTorsoHeight
};

struct BallTruth {
    Vec3 pos;  // centre, m
    Vec3 vel;  // m/s
};

RobotTruth RobotGroundTruth(const World& world, int robot);
BallTruth BallGroundTruth(const World& world);

}  // namespace sim
