#ifndef SIM_REFEREE_OUTOFPLAY_H
#define SIM_REFEREE_OUTOFPLAY_H

#include "sim/referee/referee.h"

// The ball out of play: over a side line or over a goal line outside the goal, the set play
// that follows, and the spot where the ball is put for it (field frame: the left team's goal
// at -x; metres).

const double kFieldHalfWidth = sim::kFieldWidth / 2;  // m
const double kGoalKickDistance = 1;                   // m in front of the goal centre

enum TouchTeam { kNobody, kLeftTeam, kRightTeam };

struct SetPlayCall {
    PlayMode mode = kPlayOn;
    double spot[3] = {0, 0, kBallRadius};  // where the ball is put, at rest
};

// Judges the ball of this cycle (`ball`, the one of the cycle before in `previous`; not a
// goal). `lastTouch` is the team that touched it last since the latest kick-off, `leftKickedOff`
// who took that kick-off. False while the ball is in play.
bool JudgeOutOfPlay(const double previous[3], const double ball[3], TouchTeam lastTouch,
                    bool leftKickedOff, SetPlayCall& call);

// The team taking a set play (kick-off, kick-in, corner, goal kick); kNobody for other modes.
TouchTeam SetPlayTaker(PlayMode mode);

#endif
