// Where each robot and the ball live inside a compiled world: MuJoCo ids and the addresses of
// their coordinates. Resolved once per compiled model; never changes with the state.
#pragma once

#include <mujoco/mujoco.h>

#include <array>
#include <vector>

#include "sim/physics/robotdesc.h"
#include "sim/physics/servo.h"

namespace sim {

struct RobotLayout {
    int torsoBody = -1;
    int rootQpos = -1;  // free joint: position (3) and quaternion (4)
    int rootDof = -1;   // free joint: linear (3, field frame) and angular (3, torso frame) velocity
    std::array<int, kJointCount> jointQpos{};  // in the order of kJointNames
    std::array<int, kJointCount> jointDof{};
    std::array<JointLimits, kJointCount> limits{};
    std::array<int, 2> footGeom{};                  // by Foot
    std::array<int, kVisiblePartCount> partGeom{};  // by kVisiblePartNames
    int cameraSite = -1;
    int firstGeom = -1;  // the robot's geoms are firstGeom .. firstGeom + geomCount - 1
    int geomCount = 0;
};

struct WorldLayout {
    int ballBody = -1;
    int ballGeom = -1;
    int ballQpos = -1;
    int ballDof = -1;
    std::vector<RobotLayout> robots;
    // For every geom: robot * 2 + foot when it is a foot, else -1.
    std::vector<int> footOfGeom;
    // For every geom: the robot it belongs to, else -1.
    std::vector<int> robotOfGeom;
    // For every dof: robot * kJointCount + joint when it is a robot's hinge joint, else -1.
    std::vector<int> jointOfDof;
};

// Looks up every name of a world generated for robotCount robots.
WorldLayout ResolveLayout(const mjModel* model, int robotCount);

}  // namespace sim
