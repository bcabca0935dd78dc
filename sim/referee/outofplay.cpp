#include "sim/referee/outofplay.h"

#include <algorithm>
#include <cmath>

namespace {

// A ball that moved farther in one cycle was placed by hand: the line is taken where it is.
const double kLargestRoll = 1.0;  // m

// x where the ball's path crossed the side line y = +-7 (the present x if it jumped).
double CrossingX(const double previous[3], const double ball[3]) {
    double dx = ball[0] - previous[0], dy = ball[1] - previous[1];
    double lineY = ball[1] > 0 ? kFieldHalfWidth : -kFieldHalfWidth;
    double x = ball[0];
    if (std::hypot(dx, dy) <= kLargestRoll && std::fabs(dy) > 1e-12) {
        double t = std::clamp((lineY - previous[1]) / dy, 0.0, 1.0);
        x = previous[0] + t * dx;
    }
    return std::clamp(x, -kFieldHalfLength, kFieldHalfLength);
}

void Spot(SetPlayCall& call, double x, double y) {
    call.spot[0] = x;
    call.spot[1] = y;
    call.spot[2] = kBallRadius;
}

}  // namespace

TouchTeam SetPlayTaker(PlayMode mode) {
    switch (mode) {
        case kKickOffLeft:
        case kKickInLeft:
        case kCornerKickLeft:
        case kGoalKickLeft:
            return kLeftTeam;
        case kKickOffRight:
        case kKickInRight:
        case kCornerKickRight:
        case kGoalKickRight:
            return kRightTeam;
        default:
            return kNobody;
    }
}

bool JudgeOutOfPlay(const double previous[3], const double ball[3], TouchTeam lastTouch,
                    bool leftKickedOff, SetPlayCall& call) {
    const double x = ball[0], y = ball[1];
    const bool overGoalLine = std::fabs(x) > kFieldHalfLength + kBallRadius;
    const bool overSideLine = std::fabs(y) > kFieldHalfWidth + kBallRadius;
    if (!overGoalLine && !overSideLine) return false;

    if (!overGoalLine) {
        // The team that did not touch it last throws it in; nobody since the kick-off: the
        // team that did not kick off.
        bool leftTakes = lastTouch == kNobody ? !leftKickedOff : lastTouch == kRightTeam;
        call.mode = leftTakes ? kKickInLeft : kKickInRight;
        Spot(call, CrossingX(previous, ball), y > 0 ? kFieldHalfWidth : -kFieldHalfWidth);
        return true;
    }
    // Over the goal line of the team defending that end: the right team's at +x.
    const bool rightDefends = x > 0;
    const TouchTeam defenders = rightDefends ? kRightTeam : kLeftTeam;
    const double goalLineX = rightDefends ? kFieldHalfLength : -kFieldHalfLength;
    if (lastTouch == defenders) {
        call.mode = rightDefends ? kCornerKickLeft : kCornerKickRight;
        Spot(call, goalLineX, y > 0 ? kFieldHalfWidth : -kFieldHalfWidth);
    } else {
        call.mode = rightDefends ? kGoalKickRight : kGoalKickLeft;
        Spot(call, rightDefends ? goalLineX - kGoalKickDistance : goalLineX + kGoalKickDistance, 0);
    }
    return true;
}
