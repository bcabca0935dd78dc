#include "sim/physics/placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sim/physics/field.h"
#include "sim/physics/world.h"

namespace sim {

namespace {

constexpr double kParkingY = -7.6;
constexpr double kParkingFirstX = -10.0;
constexpr double kParkingStep = 0.7;
constexpr double kParkingClearance = 0.5;

// Quaternion (w, x, y, z) of the robot's torso: yaw about z, then tilt about its own right
// axis. Heading 0 means the robot's forward axis (model +y) points along field +x.
void TorsoQuaternion(double headingDeg, double tiltDeg, mjtNum quat[4]) {
    const double yaw = (headingDeg - 90.0) / kDegPerRad;
    const double pitch = -tiltDeg / kDegPerRad;  // face down: forward axis turns to -z
    const mjtNum qYaw[4] = {std::cos(yaw / 2), 0, 0, std::sin(yaw / 2)};
    const mjtNum qPitch[4] = {std::cos(pitch / 2), std::sin(pitch / 2), 0, 0};
    mju_mulQuat(quat, qYaw, qPitch);
}

double GeomLowestZ(const mjModel* m, const mjData* d, int g) {
    const mjtNum* size = m->geom_size + 3 * g;
    const mjtNum* rot = d->geom_xmat + 9 * g;
    const double z = d->geom_xpos[3 * g + 2];
    if (m->geom_type[g] == mjGEOM_BOX)
        return z - (std::fabs(rot[6]) * size[0] + std::fabs(rot[7]) * size[1] +
                    std::fabs(rot[8]) * size[2]);
    return z - size[0];  // spheres; the robot has no other shapes
}

void ZeroRobotVelocities(World& world, int robot) {
    const RobotLayout& r = world.RobotAt(robot);
    mjData* d = world.Data();
    for (int k = 0; k < 6; ++k) d->qvel[r.rootDof + k] = 0;
    for (int j = 0; j < kJointCount; ++j) d->qvel[r.jointDof[j]] = 0;
    world.State(robot).gyroRadPerSec = {};  // put down at rest: no turn to report
}

// Sets the torso pose, then lifts the robot by `lift` computed from the lowest point.
void SetTorsoPose(World& world, int robot, Vec3 pos, double headingDeg, double tiltDeg,
                  bool lowestOnGround) {
    const RobotLayout& r = world.RobotAt(robot);
    mjData* d = world.Data();
    mjtNum* root = d->qpos + r.rootQpos;
    root[0] = pos.x;
    root[1] = pos.y;
    root[2] = pos.z;
    TorsoQuaternion(headingDeg, tiltDeg, root + 3);
    mj_kinematics(world.Model(), d);
    const double lowest = LowestPointZ(world, robot);
    if (lowestOnGround || lowest < 0) root[2] -= lowest;
    ZeroRobotVelocities(world, robot);
    world.HoldPosture(robot);
    world.Settle();
}

}  // namespace

double LowestPointZ(const World& world, int robot) {
    const RobotLayout& r = world.RobotAt(robot);
    double lowest = std::numeric_limits<double>::infinity();
    for (int g = r.firstGeom; g < r.firstGeom + r.geomCount; ++g)
        lowest = std::min(lowest, GeomLowestZ(world.Model(), world.Data(), g));
    return lowest;
}

void PlaceRobot(World& world, int robot, Vec3 torsoPos, double headingDeg, double tiltDeg) {
    if (robot < 0 || robot >= world.RobotCount()) return;
    SetTorsoPose(world, robot, torsoPos, headingDeg, tiltDeg, false);
}

void BeamRobot(World& world, int robot, double x, double y, double headingDeg) {
    if (robot < 0 || robot >= world.RobotCount()) return;
    SetTorsoPose(world, robot, {x, y, 1.0}, headingDeg, 0.0, true);
}

void KnockRobot(World& world, int robot, KnockDirection direction, double radPerSec) {
    if (robot < 0 || robot >= world.RobotCount()) return;
    if (!(radPerSec > 0)) radPerSec = kKnockRadPerSec;
    const RobotLayout& r = world.RobotAt(robot);
    mjData* d = world.Data();
    const Rot3 torso = ToRot3(d->xmat + 9 * r.torsoBody);
    // The model's +y is the robot's forward axis, +x its right.
    Vec3 forward = torso.Column(1);
    forward.z = 0;
    const double length = Norm(forward);
    forward = length > 1e-9 ? forward * (1 / length) : Vec3{1, 0, 0};
    const Vec3 left{-forward.y, forward.x, 0};
    Vec3 way = forward;
    if (direction == KnockDirection::kBack) way = forward * -1;
    if (direction == KnockDirection::kLeft) way = left;
    if (direction == KnockDirection::kRight) way = left * -1;
    // Turning about up x way moves the top of the robot along `way`.
    const Vec3 axis{-way.y, way.x, 0};
    const Vec3 omega = axis * radPerSec;
    // About the ground point below the torso: the torso centre, h above it, moves h*omega along
    // `way`; the free joint's linear velocity is in the field frame, its angular one in the
    // torso frame.
    const Vec3 torsoPos = ToVec3(d->xpos + 3 * r.torsoBody);
    const Vec3 linear = way * (radPerSec * torsoPos.z);
    mjtNum* v = d->qvel + r.rootDof;
    v[0] = linear.x;
    v[1] = linear.y;
    v[2] = linear.z;
    const Vec3 local = torso.ToLocal(omega);
    v[3] = local.x;
    v[4] = local.y;
    v[5] = local.z;
    world.Settle();
}

void PlaceBall(World& world, Vec3 pos, Vec3 vel) {
    const WorldLayout& w = world.Layout();
    mjData* d = world.Data();
    mjtNum* q = d->qpos + w.ballQpos;
    q[0] = pos.x;
    q[1] = pos.y;
    q[2] = std::max(pos.z, kBallRadius);
    q[3] = 1;
    q[4] = q[5] = q[6] = 0;
    mjtNum* v = d->qvel + w.ballDof;
    v[0] = vel.x;
    v[1] = vel.y;
    v[2] = vel.z;
    const bool onGround = q[2] < kBallRadius + 1e-3;
    // Angular velocity, ball frame (= field frame with the identity orientation).
    v[3] = onGround ? -vel.y / kBallRadius : 0;
    v[4] = onGround ? vel.x / kBallRadius : 0;
    v[5] = 0;
    world.Settle();
}

Vec3 FreeParkingSpot(const World& world, int robot) {
    const mjData* d = world.Data();
    for (int k = 0;; ++k) {
        const Vec3 spot{kParkingFirstX + kParkingStep * k, kParkingY, 0};
        bool free = true;
        for (int i = 0; i < world.RobotCount() && free; ++i) {
            if (i == robot) continue;
            const mjtNum* p = d->xpos + 3 * world.RobotAt(i).torsoBody;
            free = std::hypot(p[0] - spot.x, p[1] - spot.y) > kParkingClearance;
        }
        if (free) return spot;
    }
}

}  // namespace sim
