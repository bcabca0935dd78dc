#include "sim/physics/truth.h"

#include <cmath>

#include "sim/physics/robotdesc.h"
#include "sim/physics/world.h"

namespace sim {

RobotTruth RobotGroundTruth(const World& world, int robot) {
    const mjData* d = world.Data();
    const int body = world.RobotAt(robot).torsoBody;
    const Rot3 rot = ToRot3(d->xmat + 9 * body);
    const Vec3 forward = rot.Column(1);
    RobotTruth t;
    t.torso = ToVec3(d->xpos + 3 * body);
    t.headingDeg = std::atan2(forward.y, forward.x) * kDegPerRad;
    if (t.headingDeg <= -180.0) t.headingDeg = 180.0;
    t.upZ = rot.Column(2).z;
    t.fallen = t.upZ < kFallenUpZ || t.torso.z < kFallenTorsoHeight;
    return t;
}

BallTruth BallGroundTruth(const World& world) {
    const mjData* d = world.Data();
    const WorldLayout& w = world.Layout();
    return {ToVec3(d->qpos + w.ballQpos), ToVec3(d->qvel + w.ballDof)};
}

}  // namespace sim
