#include "sim/server/referee.h"

#include <cmath>

namespace {

const char* const kModeNames[kPlayModeCount] = {
    "BeforeKickOff", "KickOff_Left",     "KickOff_Right",     "PlayOn",         "KickIn_Left",
    "KickIn_Right",  "corner_kick_left", "corner_kick_right", "goal_kick_left", "goal_kick_right",
    "Goal_Left",     "Goal_Right",       "GameOver",
};

}  // namespace

const char* PlayModeName(PlayMode mode) {
    return kModeNames[mode];
}

bool ParsePlayMode(const std::string& name, PlayMode& mode) {
    for (int i = 0; i < kPlayModeCount; ++i) {
        if (name == kModeNames[i]) {
            mode = static_cast<PlayMode>(i);
            return true;
        }
    }
    return false;
}

Referee::Referee(double halfTimeSeconds, double autoKickoffSeconds)
    : halfTime_(halfTimeSeconds), autoKickoff_(autoKickoffSeconds) {}

void Referee::SetMode(PlayMode m) {
    if (m == mode) return;
    mode = m;
    modeTime_ = 0;
    if (m != kBeforeKickOff) firstWait_ = false;
    RefereeEvent e;
    e.kind = RefereeEvent::kModeChange;
    e.mode = m;
    events_.push_back(e);
}

void Referee::KickOff(bool left) {
    SetMode(left ? kKickOffLeft : kKickOffRight);
    ballToCentre_ = true;
}

void Referee::TrainerKickOff(bool left) {
    trainerSeen_ = true;
    KickOff(left);
}

void Referee::TrainerPlayMode(PlayMode m) {
    trainerSeen_ = true;
    SetMode(m);
}

bool Referee::BeamAllowed() const {
    return mode == kBeforeKickOff || mode == kGoalLeft || mode == kGoalRight;
}

bool Referee::IsSetPlay() const {
    return mode != kBeforeKickOff && mode != kPlayOn && mode != kGoalLeft && mode != kGoalRight &&
           mode != kGameOver;
}

// The ball has fully crossed a goal line between the posts and under the bar.
bool Referee::JudgeGoal(const RefereeInput& in) {
    double x = in.ballPos[0], y = in.ballPos[1], z = in.ballPos[2];
    if (std::fabs(y) >= kGoalHalfWidth || z >= kGoalHeight) return false;
    bool intoRight = x > kFieldHalfLength + kBallRadius;  // the right team's goal
    bool intoLeft = x < -kFieldHalfLength - kBallRadius;
    if (!intoRight && !intoLeft) return false;
    PlayMode goal = intoRight ? kGoalLeft : kGoalRight;
    (intoRight ? scoreLeft : scoreRight)++;
    RefereeEvent e;
    e.kind = RefereeEvent::kGoal;
    e.mode = goal;
    events_.push_back(e);
    SetMode(goal);
    return true;
}

void Referee::Step(const RefereeInput& in) {
    if (in.agentsJoined > 0 && sinceJoin_ < 0) sinceJoin_ = 0;
    if (sinceJoin_ >= 0) sinceJoin_ += kCycleSeconds;

    if (mode == kBeforeKickOff) {
        bool automatic = firstWait_ && !trainerSeen_ && autoKickoff_ > 0 && sinceJoin_ >= 0;
        // Compared in whole cycles so that float sums do not move the kick-off by a cycle.
        if (automatic &&
            std::lround(sinceJoin_ / kCycleSeconds) >= std::lround(autoKickoff_ / kCycleSeconds))
            KickOff(leftKicksFirst_);
        return;  // the clock stands still
    }
    if (mode == kGameOver) return;

    gameTime += kCycleSeconds;
    modeTime_ += kCycleSeconds;

    double halfEnd = halfTime_ * half;
    if (gameTime >= halfEnd - 1e-9) {
        gameTime = halfEnd;
        if (half == 1) {
            half = 2;
            SetMode(kBeforeKickOff);
        } else {
            SetMode(kGameOver);
        }
        return;
    }

    if (mode == kGoalLeft || mode == kGoalRight) {
        if (modeTime_ >= kGoalPauseSeconds - 1e-9) KickOff(mode == kGoalRight);
        return;
    }
    if (JudgeGoal(in)) return;
    if (IsSetPlay() && (in.ballTouched || modeTime_ >= kSetPlaySeconds - 1e-9)) SetMode(kPlayOn);
}

std::vector<RefereeEvent> Referee::TakeEvents() {
    std::vector<RefereeEvent> out;
    out.swap(events_);
    return out;
}

bool Referee::TakeBallToCentre() {
    bool b = ballToCentre_;
    ballToCentre_ = false;
    return b;
}
