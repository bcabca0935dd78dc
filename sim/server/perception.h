#ifndef SIM_SERVER_PERCEPTION_H
#define SIM_SERVER_PERCEPTION_H

#include <string>
#include <vector>

#include "sim/physics/robotdesc.h"

// Writes one robot's perception text from plain readings. Order: time, GS, GYR, ACC, the 22
// HJ groups, FRP lf then rf (only a foot that touches), See (vision cycles only), hear.
// See holds landmarks and the ball, then robots (P), then field lines (L).
// Non-finite readings are written as 0: no NaN ever reaches the wire.

struct PolarReading {
    double distance = 0;    // m
    double horizontal = 0;  // deg, + = left of the camera axis
    double vertical = 0;    // deg, + = up
};

struct SeenObject {  // a landmark ("F1L" ... "G2R") or the ball ("B")
    std::string name;
    PolarReading pol;
};

struct SeenPart {  // "head", "rlowerarm", "llowerarm", "rfoot", "lfoot"
    std::string name;
    PolarReading pol;
};

struct SeenRobot {
    std::string team;  // team name
    int unum = 0;
    std::vector<SeenPart> parts;  // only the parts in view
};

struct SeenLine {  // the part of a field line in view, from end to end
    PolarReading a, b;
};

struct HeardMessage {
    std::string team;      // the speaker's team name
    double time = 0;       // simulation time of the cycle in which it was said
    bool self = false;     // the listener said it
    double direction = 0;  // deg relative to the listener's torso heading, + = left
    std::string text;
};

struct FootReading {
    bool touching = false;
    double c[3] = {0, 0, 0};  // centre of pressure in the foot box's frame, m
    double f[3] = {0, 0, 0};  // total contact force in that frame, N
};

struct RobotPerception {
    double time = 0;  // simulation clock, s
    // Game state; unum and side only once init was accepted.
    bool identified = false;
    int unum = 0;
    bool leftSide = true;
    double gameTime = 0;
    std::string playMode;
    int scoreLeft = 0, scoreRight = 0;     // written once identified
    double gyro[3] = {0, 0, 0};            // deg/s, torso model frame
    double acc[3] = {0, 0, 0};             // m/s^2, torso model frame
    double joints[sim::kJointCount] = {};  // deg, wire order
    FootReading leftFoot, rightFoot;
    bool visionCycle = false;
    std::vector<SeenObject> objects;
    std::vector<SeenRobot> robots;
    std::vector<SeenLine> lines;
    std::vector<HeardMessage> heard;
};

// The text, never longer than kMaxPerceptionPayload: if it would be, seen robots and then
// heard messages are left out from the end until it fits.
std::string WritePerception(const RobotPerception& p);

#endif
