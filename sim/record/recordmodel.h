#ifndef SIM_RECORD_RECORDMODEL_H
#define SIM_RECORD_RECORDMODEL_H

#include "sim/physics/world.h"
#include "sim/record/record.h"

// The records' view of the physical world: the robot model's bodies for the header, and the
// pose and joint angles of a robot for the cycle records.

// The header for a match with halves of halfTime game seconds. The bodies are read from the
// compiled robot model, so they are always those the physics simulates.
RecordHeader MakeRecordHeader(double halfTime);

// The bodies of one robot of a compiled world, torso first.
std::vector<RecordBody> RobotBodies(const mjModel* model, const sim::RobotLayout& robot);

// Robot `robot` of the world as it is now.
RecordRobot RobotRecord(const sim::World& world, int robot, const RobotId& id);

#endif
