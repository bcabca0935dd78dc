#include "sim/physics/sensors.h"

#include "sim/physics/world.h"

namespace sim {

namespace {

// Sum of the contact forces on each foot of one robot, and their centre of pressure, from the
// contact list of the latest forward pass.
std::array<FootPressure, 2> SampleFeet(const mjModel* model, const mjData* data,
                                       const WorldLayout& layout, int robot) {
    std::array<FootPressure, 2> feet;
    std::array<Vec3, 2> forceField{}, weightedPoint{};
    std::array<double, 2> weight{};
    for (int c = 0; c < data->ncon; ++c) {
        const mjContact& con = data->contact[c];
        for (int side = 0; side < 2; ++side) {
            const int geom = side == 0 ? con.geom1 : con.geom2;
            const int foot = layout.footOfGeom[geom] - 2 * robot;
            if (foot != kLeftFoot && foot != kRightFoot) continue;
            // Contact frame rows: normal (geom1 -> geom2), two tangents; the force acts on
            // geom2 and, reversed, on geom1.
            mjtNum local[6];
            mj_contactForce(model, data, c, local);
            // frame^T f: the force in the field frame.
            const Rot3 frame = ToRot3(con.frame);
            Vec3 f = frame.ToLocal({local[0], local[1], local[2]});
            if (side == 0) f = f * -1.0;
            feet[foot].touching = true;
            forceField[foot] = forceField[foot] + f;
            weightedPoint[foot] = weightedPoint[foot] + ToVec3(con.pos) * local[0];
            weight[foot] += local[0];
        }
    }
    const RobotLayout& r = layout.robots[robot];
    for (int foot = 0; foot < 2; ++foot) {
        if (!feet[foot].touching || weight[foot] <= 0) continue;
        const int g = r.footGeom[foot];
        const Rot3 rot = ToRot3(data->geom_xmat + 9 * g);
        const Vec3 cop = weightedPoint[foot] * (1.0 / weight[foot]);
        feet[foot].centre = rot.ToLocal(cop - ToVec3(data->geom_xpos + 3 * g));
        feet[foot].force = rot.ToLocal(forceField[foot]);
    }
    return feet;
}

}  // namespace

DynamicSample SampleDynamics(const mjModel* model, const mjData* data, const WorldLayout& layout,
                             int robot) {
    DynamicSample s;
    mjtNum acc[6];  // angular, linear; torso frame; includes the reaction to gravity
    mj_objectAcceleration(model, data, mjOBJ_XBODY, layout.robots[robot].torsoBody, acc, 1);
    s.accel = {acc[3], acc[4], acc[5]};
    s.feet = SampleFeet(model, data, layout, robot);
    return s;
}

RobotSensors ReadSensors(const World& world, int robot) {
    RobotSensors s;
    const RobotLayout& r = world.RobotAt(robot);
    const mjData* d = world.Data();
    for (int j = 0; j < kJointCount; ++j) s.jointDeg[j] = d->qpos[r.jointQpos[j]] * kDegPerRad;
    s.gyroDegPerSec = world.State(robot).gyroRadPerSec * kDegPerRad;
    s.accel = world.State(robot).sample.accel;
    s.feet = world.State(robot).sample.feet;
    s.camera = CameraPose(world, robot);
    return s;
}

Pose CameraPose(const World& world, int robot) {
    const int site = world.RobotAt(robot).cameraSite;
    const mjData* d = world.Data();
    return {ToVec3(d->site_xpos + 3 * site), ToRot3(d->site_xmat + 9 * site)};
}

}  // namespace sim
