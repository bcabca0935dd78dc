#include "sim/record/recordmodel.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/physics/truth.h"
#include "sim/physics/worldxml.h"

namespace {

void Copy(const mjtNum* from, double* to, int n) {
    std::copy(from, from + n, to);
}

RecordGeom Geom(const mjModel* m, int g, const std::string& prefix) {
    RecordGeom geom;
    geom.name = mj_id2name(m, mjOBJ_GEOM, g) + prefix.size();
    geom.type = m->geom_type[g] == mjGEOM_SPHERE ? "sphere" : "box";
    Copy(m->geom_size + 3 * g, geom.size, 3);
    if (m->geom_type[g] == mjGEOM_SPHERE) geom.size[1] = geom.size[2] = 0;
    Copy(m->geom_pos + 3 * g, geom.pos, 3);
    Copy(m->geom_quat + 4 * g, geom.quat, 4);
    return geom;
}

}  // namespace

RecordHeader MakeRecordHeader(double halfTime) {
    RecordHeader h;  // its field is the pitch's (sim/physics/field.h)
    h.cycleSeconds = sim::kCycleSeconds;
    h.halfTime = halfTime;
    for (int j = 0; j < sim::kJointCount; ++j) h.joints.push_back(sim::kJointNames[j].perceptor);
    std::string error;
    mjModel* model = sim::CompileWorld(sim::WorldXml(1), error);
    if (!model) {
        std::fprintf(stderr, "pitchsim: the robot model does not compile: %s\n", error.c_str());
        return h;
    }
    h.bodies = RobotBodies(model, sim::ResolveLayout(model, 1).robots[0]);
    mj_deleteModel(model);
    return h;
}

std::vector<RecordBody> RobotBodies(const mjModel* m, const sim::RobotLayout& robot) {
    const int torso = robot.torsoBody;
    const std::string prefix = mj_id2name(m, mjOBJ_BODY, torso);  // "r0_torso"
    const std::string namePrefix = prefix.substr(0, prefix.size() - std::string("torso").size());
    std::vector<RecordBody> bodies;
    std::vector<int> indexOf(m->nbody, -1);
    for (int b = torso; b < m->nbody; ++b) {
        if (m->body_rootid[b] != torso) continue;
        RecordBody body;
        body.name = mj_id2name(m, mjOBJ_BODY, b) + namePrefix.size();
        if (b != torso) {
            body.parent = indexOf[m->body_parentid[b]];
            Copy(m->body_pos + 3 * b, body.pos, 3);
            Copy(m->body_quat + 4 * b, body.quat, 4);
        }
        for (int k = 0; k < m->body_jntnum[b]; ++k) {
            const int j = m->body_jntadr[b] + k;
            if (m->jnt_type[j] != mjJNT_HINGE) continue;  // the torso's free joint
            std::string name = mj_id2name(m, mjOBJ_JOINT, j) + namePrefix.size();
            for (int w = 0; w < sim::kJointCount; ++w)
                if (name == sim::kJointNames[w].perceptor) body.joint = w;
            Copy(m->jnt_axis + 3 * j, body.axis, 3);
            body.range[0] = m->jnt_range[2 * j] * sim::kDegPerRad;
            body.range[1] = m->jnt_range[2 * j + 1] * sim::kDegPerRad;
        }
        for (int g = 0; g < m->ngeom; ++g)
            if (m->geom_bodyid[g] == b) body.geoms.push_back(Geom(m, g, namePrefix));
        indexOf[b] = static_cast<int>(bodies.size());
        bodies.push_back(body);
    }
    return bodies;
}

RecordRobot RobotRecord(const sim::World& world, int robot, const RobotId& id) {
    const mjData* d = world.Data();
    const sim::RobotLayout& r = world.RobotAt(robot);
    RecordRobot rec;
    rec.id = id;
    Copy(d->xpos + 3 * r.torsoBody, rec.pos, 3);
    Copy(d->xquat + 4 * r.torsoBody, rec.quat, 4);
    // The perceptors' joint order is the physics' order (kJointNames).
    for (int j = 0; j < sim::kJointCount; ++j)
        rec.joints[j] = d->qpos[r.jointQpos[j]] * sim::kDegPerRad;
    rec.fallen = sim::RobotGroundTruth(world, robot).fallen;
    return rec;
}
