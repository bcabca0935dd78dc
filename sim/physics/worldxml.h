// Generating the world for N robots from the MJCF templates and compiling it from memory.
#pragma once

#include <mujoco/mujoco.h>

#include <string>

#include "sim/physics/contact.h"
#include "sim/physics/motor.h"

namespace sim {

// robot.xml and world.xml, embedded at build time.
extern const char* const kRobotTemplate;
extern const char* const kWorldTemplate;

// The models of a world's joint motors and contacts.
struct PhysicsModels {
    JointMotor motor = JointMotor::kVelocity;
    ContactModel contacts = ContactModel::kSlip;
};

// Robots get one collision bit each out of bits 0..28.
constexpr int kMaxRobots = 29;

// Name prefix of robot i in the model ("r3_").
std::string RobotPrefix(int robot);

// MuJoCo 2.2.2 has fixed constraint and contact buffers, sized per model: too small ones
// drop contacts with only a warning; the stack grows with nv * njmax.
struct BufferSizes {
    int njmax;
    int nconmax;
    int nstack;
};

// What a match with robotCount robots needs, standing, lying or piled up.
BufferSizes MatchBuffers(int robotCount);

// The MJCF text of the pitch with robotCount robots, each parked at its index's spot beside
// the touch line. Its buffers are small: enough for the compiler's own check at that pose.
std::string WorldXml(int robotCount, PhysicsModels models = {});

// Compiles MJCF text through MuJoCo's virtual file system. Returns null and fills error on
// failure.
mjModel* CompileWorld(const std::string& xml, std::string& error);

// The world for robotCount robots, with the match buffers set for the data made from it
// (compiling with them would allocate and clear them twice: a third of a second at 22).
mjModel* CompileMatchWorld(int robotCount, PhysicsModels models, std::string& error);

}  // namespace sim
