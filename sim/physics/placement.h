// Putting robots and the ball where the referee, a beam or the trainer wants them. Every
// placement leaves the world settled: contacts and sensor samples match the new state.
#pragma once

#include "sim/physics/geometry.h"

namespace sim {

class World;

// Torso centre at torsoPos (field frame, m), facing headingDeg (counter-clockwise from +x),
// tilted by tiltDeg about its own right axis (90: lying face down, -90: on its back). Joint
// angles are kept, every velocity of the robot is zeroed, and it holds its posture. A height
// that would sink a part of the robot into the ground is raised until the lowest part
// touches it.
void PlaceRobot(World& world, int robot, Vec3 torsoPos, double headingDeg, double tiltDeg = 0);

// Upright at (x, y) facing headingDeg, the lowest part (a foot, standing) on the ground.
void BeamRobot(World& world, int robot, double x, double y, double headingDeg);

// Which way a knocked robot falls, relative to its own heading.
enum class KnockDirection { kFront, kBack, kLeft, kRight };

// Tips the robot over where it stands, by physics: its whole body is set turning at radPerSec
// (<= 0: kKnockRadPerSec) about the horizontal axis through the ground point below its torso, so
// that its top heads the named way (front: it lands face down; back: on its back). Joint angles and
// joint velocities are kept; gravity does the rest, and every sensor sees a real fall.
constexpr double kKnockRadPerSec = 3.0;
void KnockRobot(World& world, int robot, KnockDirection direction, double radPerSec = 0);

// Ball centre at pos with linear velocity vel (m/s). On the ground it is given the spin of
// rolling without slipping.
void PlaceBall(World& world, Vec3 pos, Vec3 vel = {});

// A spot beside the right-hand touch line (y = -7.6) not within 0.5 m of any robot but
// `robot` itself.
Vec3 FreeParkingSpot(const World& world, int robot);

// Height (m) of the lowest point of the robot's shapes in the present kinematics.
double LowestPointZ(const World& world, int robot);

}  // namespace sim
