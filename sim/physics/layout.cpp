#include "sim/physics/layout.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sim/physics/worldxml.h"

namespace sim {

namespace {

// Names come from our own templates: a missing one is a programming error.
int Id(const mjModel* model, mjtObj type, const std::string& name) {
    const int id = mj_name2id(model, type, name.c_str());
    if (id < 0) {
        std::fprintf(stderr, "pitchsim: the world model lacks '%s'\n", name.c_str());
        std::abort();
    }
    return id;
}

RobotLayout ResolveRobot(const mjModel* model, int robot) {
    const std::string p = RobotPrefix(robot);
    RobotLayout r;
    r.torsoBody = Id(model, mjOBJ_BODY, p + "torso");
    const int root = Id(model, mjOBJ_JOINT, p + "root");
    r.rootQpos = model->jnt_qposadr[root];
    r.rootDof = model->jnt_dofadr[root];
    for (int j = 0; j < kJointCount; ++j) {
        const int joint = Id(model, mjOBJ_JOINT, p + kJointNames[j].perceptor);
        r.jointQpos[j] = model->jnt_qposadr[joint];
        r.jointDof[j] = model->jnt_dofadr[joint];
        r.limits[j] = {model->jnt_range[2 * joint], model->jnt_range[2 * joint + 1]};
    }
    r.footGeom[kLeftFoot] = Id(model, mjOBJ_GEOM, p + "lfoot");
    r.footGeom[kRightFoot] = Id(model, mjOBJ_GEOM, p + "rfoot");
    for (int k = 0; k < kVisiblePartCount; ++k)
        r.partGeom[k] = Id(model, mjOBJ_GEOM, p + kVisiblePartNames[k]);
    r.cameraSite = Id(model, mjOBJ_SITE, p + "camera");
    r.firstGeom = Id(model, mjOBJ_GEOM, p + "torso");
    while (r.firstGeom + r.geomCount < model->ngeom &&
           model->body_rootid[model->geom_bodyid[r.firstGeom + r.geomCount]] == r.torsoBody)
        ++r.geomCount;
    return r;
}

}  // namespace

WorldLayout ResolveLayout(const mjModel* model, int robotCount) {
    WorldLayout w;
    w.ballBody = Id(model, mjOBJ_BODY, "ball");
    w.ballGeom = Id(model, mjOBJ_GEOM, "ball");
    const int ballJoint = Id(model, mjOBJ_JOINT, "ball");
    w.ballQpos = model->jnt_qposadr[ballJoint];
    w.ballDof = model->jnt_dofadr[ballJoint];
    w.footOfGeom.assign(model->ngeom, -1);
    w.robotOfGeom.assign(model->ngeom, -1);
    w.jointOfDof.assign(model->nv, -1);
    for (int i = 0; i < robotCount; ++i) {
        const RobotLayout& r = w.robots.emplace_back(ResolveRobot(model, i));
        for (int f = 0; f < 2; ++f) w.footOfGeom[r.footGeom[f]] = 2 * i + f;
        for (int g = r.firstGeom; g < r.firstGeom + r.geomCount; ++g) w.robotOfGeom[g] = i;
        for (int j = 0; j < kJointCount; ++j) w.jointOfDof[r.jointDof[j]] = i * kJointCount + j;
    }
    return w;
}

}  // namespace sim
