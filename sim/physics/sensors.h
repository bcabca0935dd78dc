// A robot's own sensors, read after a cycle: joint encoders, gyro, accelerometer, foot
// pressure and the camera pose.
#pragma once

#include <mujoco/mujoco.h>

#include <array>

#include "sim/physics/geometry.h"
#include "sim/physics/layout.h"
#include "sim/physics/robotdesc.h"

namespace sim {

class World;

// One foot's force-resistance sensor, in the foot box's own frame (origin at the box centre,
// x right, y forward, z up; the sole is at z = -0.01).
struct FootPressure {
    bool touching = false;  // the foot touches something (field, ball, another robot)
    Vec3 centre;            // centre of pressure, m
    Vec3 force;             // total contact force on the foot, N
};

struct RobotSensors {
    std::array<double, kJointCount> jointDeg{};  // in the order of kJointNames
    Vec3 gyroDegPerSec;                // torso's mean angular velocity over the cycle, torso frame
    Vec3 accel;                        // m/s^2, torso frame; standing reads (0, 0, 9.81)
    std::array<FootPressure, 2> feet;  // by Foot
    Pose camera;                       // field frame; axes x right, y view, z up
};

// The readings at the end of the latest cycle. The gyro averages the whole cycle (see
// World::AddTorsoTurns); acceleration and foot pressure are those of the cycle's last substep
// (they need the contact forces of a full forward pass).
RobotSensors ReadSensors(const World& world, int robot);

// The camera alone: at the head pitch joint +(0, 0, 0.005), looking along the head's forward
// axis.
Pose CameraPose(const World& world, int robot);

// Samples of one robot taken from the constraint solution of a forward pass: what the world
// stores after each cycle for ReadSensors. Needs mj_rnePostConstraint to have run.
struct DynamicSample {
    Vec3 accel;
    std::array<FootPressure, 2> feet;
};
DynamicSample SampleDynamics(const mjModel* model, const mjData* data, const WorldLayout& layout,
                             int robot);

}  // namespace sim
