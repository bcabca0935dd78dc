// Generating the world for N robots from the MJCF templates and compiling it from memory.
#pragma once

#include <mujoco/mujoco.h>

#include <string>

namespace sim {

// robot.xml and world.xml, embedded at build time.
extern const char* const kRobotTemplate;
extern const char* const kWorldTemplate;

// Robots get one collision bit each out of bits 0..28.
constexpr int kMaxRobots = 29;

// Name prefix of robot i in the model ("r3_").
std::string RobotPrefix(int robot);

// The MJCF text of the pitch with robotCount robots, each parked at its index's spot beside
// the touch line.
std::string WorldXml(int robotCount);

// Compiles MJCF text through MuJoCo's virtual file system. Returns null and fills error on
// failure.
mjModel* CompileWorld(const std::string& xml, std::string& error);

}  // namespace sim
