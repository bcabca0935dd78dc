#ifndef SIM_REFEREE_TRAINER_H
#define SIM_REFEREE_TRAINER_H

#include <string>
#include <vector>

#include "sim/referee/referee.h"

// What the trainer may do to a match: its commands, where it may put things, and the truth it
// is told. Positions are in the absolute field frame (the left team's goal at -x).

struct TrainerCommand {
    enum Kind { kKickOff, kPlayMode, kBall, kAgent, kGetState, kKillSim, kInvalid };
    Kind kind = kInvalid;
    std::string error;  // kInvalid: the text of the (error ...) reply
    bool left = true;   // kKickOff, kAgent: the side
    PlayMode mode = kBeforeKickOff;
    double pos[3] = {0, 0, 0};
    double vel[3] = {0, 0, 0};
    bool hasVel = false;
    int unum = 0;
    double rot = 0;      // deg counter-clockwise from +x
    double tilt = 0;     // deg: 90 lying face down, -90 on the back
    bool place = false;  // kAgent: pos and rot were given
    enum Knock { kNoKnock, kKnockFront, kKnockBack, kKnockLeft, kKnockRight };
    Knock knock = kNoKnock;  // kAgent: tip the robot over by physics (after any placement)
    double knockSpeed = 0;   // rad/s; 0: the simulator's default
};

// Where the trainer may put the ball or a robot: on the grass, the field and a margin around
// its lines (the goals lie within it), z within limits. Farther away the referee would judge a
// ball that never crossed a line (a ball put behind the goal line at x = 99 is not a goal) and
// the physics has nothing to hold a robot.
bool PlaceableOnGrass(const double pos[3]);
// The refusal of a position PlaceableOnGrass rejects.
extern const char* const kOffGrassError;
// Fastest ball a placement may give, m/s.
const double kMaxPlacementSpeed = 100;

struct RobotTruth {
    bool left = true;
    int unum = 0;
    double pos[3] = {0, 0, 0};  // torso centre, m
    double heading = 0;         // deg counter-clockwise from +x, (-180, 180]
    double upz = 1;             // z of the torso's up axis
    bool fallen = false;
};

struct WorldTruth {
    double time = 0;
    double gameTime = 0;
    PlayMode mode = kBeforeKickOff;
    int scoreLeft = 0, scoreRight = 0;
    double ballPos[3] = {0, 0, 0};
    double ballVel[3] = {0, 0, 0};
    LastTouch lastTouch;  // written only when known
    std::vector<RobotTruth> robots;
};

#endif
