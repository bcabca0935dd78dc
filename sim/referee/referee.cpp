#include "sim/referee/referee.h"

#include <algorithm>
#include <cmath>

#include "sim/referee/outofplay.h"

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
    RefereeEvent e;
    e.kind = RefereeEvent::kModeChange;
    e.mode = m;
    events_.push_back(e);
}

void Referee::PlaceBall(const double spot[3]) {
    std::copy(spot, spot + 3, spot_);
    spotKnown_ = true;
    ballToSpot_ = true;
}

void Referee::KickOff(bool left) {
    SetMode(left ? kKickOffLeft : kKickOffRight);
    leftKickedOff_ = left;
    lastTouch = LastTouch();
    if (half == 1 && !firstKickOffTaken_) firstKickOffLeft_ = left;
    firstKickOffTaken_ = true;
    waiting_ = -1;
    const double centre[3] = {0, 0, kBallRadius};
    PlaceBall(centre);
}

// A new call restarts the set play even when it is of the same kind as the present one.
void Referee::CallSetPlay(PlayMode m, const double spot[3]) {
    if (m == mode) {
        modeTime_ = 0;
        events_.push_back({RefereeEvent::kModeChange, m});
    }
    SetMode(m);
    PlaceBall(spot);
}

void Referee::TrainerKickOff(bool left) {
    trainerSeen_ = true;
    KickOff(left);
}

// A forced set play is taken where the ball lies at the next cycle; a forced kick-off starts
// the count of touches afresh, like a called one.
void Referee::TrainerPlayMode(PlayMode m) {
    trainerSeen_ = true;
    if (m == mode) return;
    SetMode(m);
    spotKnown_ = false;
    if (m == kKickOffLeft || m == kKickOffRight) {
        leftKickedOff_ = m == kKickOffLeft;
        lastTouch = LastTouch();
    }
}

bool Referee::BeamAllowed() const {
    return mode == kBeforeKickOff || mode == kGoalLeft || mode == kGoalRight;
}

bool Referee::IsSetPlay() const {
    return SetPlayTaker(mode) != kNobody;
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

// The team taking the set play touching the ball first starts play; the other team touching
// it first puts the ball back on the spot. The 15 s run from the first call, so that a robot
// standing on the spot cannot hold the game up.
bool Referee::JudgeSetPlayTouches(const RefereeInput& in) {
    if (!in.touches.empty()) {
        bool takerLeft = SetPlayTaker(mode) == kLeftTeam;
        if (in.touches.front().left == takerLeft) {
            SetMode(kPlayOn);
            return false;
        }
        PlaceBall(spot_);
        events_.push_back({RefereeEvent::kModeChange, mode});
        return true;
    }
    if (modeTime_ >= kSetPlaySeconds - 1e-9) SetMode(kPlayOn);
    return false;
}

// The first half waits from the first agent's arrival, the second from half time; a trainer
// command during the wait leaves the kick-off to the trainer.
void Referee::StepBeforeKickOff(const RefereeInput& in) {
    if (half == 1 && !firstKickOffTaken_ && waiting_ < 0 && in.agentsJoined > 0) waiting_ = 0;
    if (waiting_ < 0) return;
    waiting_ += kCycleSeconds;
    bool automatic = !trainerSeen_ && autoKickoff_ > 0;
    // Compared in whole cycles so that float sums do not move the kick-off by a cycle.
    if (automatic &&
        std::lround(waiting_ / kCycleSeconds) >= std::lround(autoKickoff_ / kCycleSeconds))
        KickOff(half == 1 ? true : !firstKickOffLeft_);
}

bool Referee::EndOfHalf() {
    double halfEnd = halfTime_ * half;
    if (gameTime < halfEnd - 1e-9) return false;
    gameTime = halfEnd;
    if (half == 1) {
        half = 2;
        trainerSeen_ = false;
        waiting_ = 0;
        SetMode(kBeforeKickOff);
    } else {
        SetMode(kGameOver);
    }
    return true;
}

void Referee::Step(const RefereeInput& in) {
    StepRules(in);
    std::copy(in.ballPos, in.ballPos + 3, previousBall_);
}

void Referee::StepRules(const RefereeInput& in) {
    modeTime_ += kCycleSeconds;
    if (mode == kBeforeKickOff) {
        StepBeforeKickOff(in);
        return;  // the clock stands still
    }
    if (mode == kGameOver) return;

    gameTime += kCycleSeconds;
    if (EndOfHalf()) return;
    if (mode == kGoalLeft || mode == kGoalRight) {
        if (modeTime_ >= kGoalPauseSeconds - 1e-9) KickOff(mode == kGoalRight);
        return;
    }
    if (IsSetPlay() && !spotKnown_) {
        std::copy(in.ballPos, in.ballPos + 3, spot_);
        spotKnown_ = true;
    }
    for (const BallTouch& t : in.touches) lastTouch = {true, t.left, t.unum};
    if (IsSetPlay() && JudgeSetPlayTouches(in)) return;
    if (JudgeGoal(in)) return;
    TouchTeam last = !lastTouch.known ? kNobody : lastTouch.left ? kLeftTeam : kRightTeam;
    SetPlayCall call;
    if (JudgeOutOfPlay(previousBall_, in.ballPos, last, leftKickedOff_, call))
        CallSetPlay(call.mode, call.spot);
}

std::vector<RefereeEvent> Referee::TakeEvents() {
    std::vector<RefereeEvent> out;
    out.swap(events_);
    return out;
}

bool Referee::TakeBallSpot(double spot[3]) {
    if (!ballToSpot_) return false;
    ballToSpot_ = false;
    std::copy(spot_, spot_ + 3, spot);
    return true;
}
