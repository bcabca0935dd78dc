#ifndef SIM_RECORD_RECORD_H
#define SIM_RECORD_RECORD_H

#include <string>
#include <vector>

#include "sim/physics/field.h"
#include "sim/physics/robotdesc.h"
#include "sim/record/events.h"

// The records of a match, one JSON object per line: first a header (the unchanging facts:
// field, joint names, the robot's bodies), then one record per 20 ms cycle (the changing
// state and what happened). The recording file and the web monitor's live stream carry the
// same lines; RECORDING.md beside this file describes them for readers in other languages.
// Frames: the field frame (origin at the centre spot, the left team's goal at -x, z up) and
// the robot model frame (x right, y forward, z up). Quaternions are (w, x, y, z).

const int kRecordFormatVersion = 1;

// One collision shape of a body, placed in the body's frame.
struct RecordGeom {
    std::string name;
    std::string type;            // "box" or "sphere"
    double size[3] = {0, 0, 0};  // box: half extents; sphere: radius in [0]; m
    double pos[3] = {0, 0, 0};
    double quat[4] = {1, 0, 0, 0};
};

// One body of the robot. Its frame is its parent's frame moved by pos, turned by quat, then
// turned about the joint axis by the joint's angle (right-hand rule; the axis passes through
// the body's origin). The torso (parent -1) is placed by the per-cycle pose instead.
struct RecordBody {
    std::string name;  // "torso", "head", "lthigh" ...
    int parent = -1;   // index into the body list; parents come before their children
    double pos[3] = {0, 0, 0};
    double quat[4] = {1, 0, 0, 0};
    int joint = -1;              // index into the joint list (wire order), -1: none
    double axis[3] = {0, 0, 0};  // the joint's axis in this body's frame
    double range[2] = {0, 0};    // the joint's limits, deg
    std::vector<RecordGeom> geoms;
};

struct RecordField {
    double length = sim::kFieldLength, width = sim::kFieldWidth;  // m
    double goalWidth = sim::kGoalWidth, goalHeight = sim::kGoalHeight,
           goalDepth = sim::kGoalDepth;                    // m
    double centreCircleRadius = sim::kCentreCircleRadius;  // m
    double ballRadius = sim::kBallRadius;                  // m
};

struct RecordHeader {
    int version = kRecordFormatVersion;
    RecordField field;
    double cycleSeconds = 0.02;
    double halfTime = 300;            // game seconds per half
    std::vector<std::string> joints;  // perceptor names in wire order ("hj1", "hj2", "llj1" ...)
    std::vector<RecordBody> bodies;   // the robot model, the same for every robot
};

struct RecordRobot {
    RobotId id;
    double pos[3] = {0, 0, 0};             // torso centre, field frame, m
    double quat[4] = {1, 0, 0, 0};         // torso orientation: model frame -> field frame
    double joints[sim::kJointCount] = {};  // deg, wire order
    bool fallen = false;
};

struct RecordCycle {
    double time = 0;       // simulation clock, s
    double gameTime = 0;   // game clock, s
    std::string playMode;  // wire name ("BeforeKickOff", "PlayOn", "KickIn_Left" ...)
    int scoreLeft = 0, scoreRight = 0;
    std::string teamLeft, teamRight;  // team names, "" before a team joined
    double ballPos[3] = {0, 0, 0};    // field frame, m
    double ballVel[3] = {0, 0, 0};    // m/s
    RobotId lastTouch;                // unum 0: nobody since the kick-off
    std::vector<RobotId> touches;     // robots touching the ball during this cycle
    std::vector<RecordRobot> robots;  // left team first, then by uniform number
    std::vector<MatchEvent> events;   // raised since the previous cycle record
};

// One line each, without the line end.
std::string WriteHeaderRecord(const RecordHeader& header);
std::string WriteCycleRecord(const RecordCycle& cycle);

// Records nest objects and arrays a few levels deep; a line nested deeper is no record (and is
// refused before it is parsed).
const int kMaxRecordDepth = 16;
// True when `text` nests JSON arrays or objects (outside strings) more than `depth` deep.
bool NestedDeeperThan(const std::string& text, int depth);

// The record's "type" ("header", "cycle"), "" when the line is not a record.
std::string RecordType(const std::string& line);
// Read back what the writers wrote. False with `error` naming the fault; a header of another
// format version is refused.
bool ReadHeaderRecord(const std::string& line, RecordHeader& header, std::string& error);
bool ReadCycleRecord(const std::string& line, RecordCycle& cycle, std::string& error);

#endif
