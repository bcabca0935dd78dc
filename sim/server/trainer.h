#ifndef SIM_SERVER_TRAINER_H
#define SIM_SERVER_TRAINER_H

#include <string>
#include <vector>

#include "sim/server/referee.h"

// The trainer port's commands, read from one top-level group each, and the state reply.
// Positions are in the absolute field frame (the left team's goal at -x).

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

// Every top-level group of the text is one command; garbage yields kInvalid entries.
std::vector<TrainerCommand> ParseTrainerCommands(const std::string& text);

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

// The one-line (state ...) reply.
std::string WriteState(const WorldTruth& truth);

#endif
