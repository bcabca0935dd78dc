// Walking tries: a fixed walking command for --seconds, measured.
//   kLegJoints, CurrentTargets  the leg joints' targets the gait has just sent
//   TryWalking                  one walking action under a fixed command: distance, speed,
//                               heading change, falls, how closely the joints followed
//   TryWalk, TryTurn, TryCircle walk, turn on the spot, walk round the ball

#include <array>
#include <cmath>
#include <deque>
#include <sstream>

#include "behavior/strategy.h"
#include "tools/skillprobe/skills.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"

namespace skillprobe {
namespace {

const int kStandCycles = 75;  // standing after --stop, 1.5 s

// Leg joints in JointID order with the sign that turns a keyframe target into a joint angle.
struct LegJoint {
    Player::JointID id;
    bool left;
    int field;  // 2..7 for q2..q7
    float sign;
};
const LegJoint kLegJoints[12] = {
    {Player::JID_LLEG_1, true, 2, 1},  {Player::JID_RLEG_1, false, 2, 1},
    {Player::JID_LLEG_2, true, 3, 1},  {Player::JID_RLEG_2, false, 3, 1},
    {Player::JID_LLEG_3, true, 4, -1}, {Player::JID_RLEG_3, false, 4, -1},
    {Player::JID_LLEG_4, true, 5, -1}, {Player::JID_RLEG_4, false, 5, -1},
    {Player::JID_LLEG_5, true, 6, -1}, {Player::JID_RLEG_5, false, 6, -1},
    {Player::JID_LLEG_6, true, 7, 1},  {Player::JID_RLEG_6, false, 7, 1},
};

// Joint-angle targets (server sign, degrees, in the order of kLegJoints) that the walking
// action has just sent, solved again from the gait's state.
std::array<float, 12> CurrentTargets(Player& body) {
    Inverse gait;
    FootLocationAndAngle left, right;
    FlagLocation torse;
    gait.GetTorseAndAnkle(left, right, torse);
    LegInverseAngle l = body.InverseFromLeftFootToTorse(left.angle, left.location, torse);
    LegInverseAngle r = body.InverseFromRightFootToTorse(right.angle, right.location, torse);
    std::array<float, 12> t{};
    for (int i = 0; i < 12; ++i) {
        const LegInverseAngle& q = kLegJoints[i].left ? l : r;
        const float values[6] = {q.q2, q.q3, q.q4, q.q5, q.q6, q.q7};
        t[i] = kLegJoints[i].sign * values[kLegJoints[i].field - 2];
    }
    return t;
}

typedef bool (NaoAction::*WalkingAction)(std::stringstream&, int&);

// Walk: a fixed walking command for --seconds: how far, how fast, how straight, whether it
// fell, and how closely the leg joints followed their targets. With --stop the last 1.5 s end
// with the stopping steps and stand.
TryResult TryWalking(Robot& robot, const Options& o, WalkingAction walk) {
    Inverse::goalDistance = static_cast<float>(o.forward);
    Inverse::BeamDistance = static_cast<float>(o.side);
    Inverse::rotateAngle = static_cast<float>(o.turn);
    Strategy::findBall = o.findBall;
    // Every try starts as the first: feet side by side and the gait restarted, not carried on
    // from where the last try's walk left it.
    Inverse::Scurrent = FlagLocation(0, 0, 0);
    Inverse::Slatter = Inverse::Stemp = FlagLocation(0, 0.11f, 0);
    InverseAction::tempBool = true;
    Inverse().SetFootFirst(true, 0.2f);

    TryResult result;
    if (!robot.Perceive()) return result;
    const Truth start = robot.Now();
    Truth previous = start, end = start;
    robot.Hold();
    double turned = 0;
    int falls = 0, counter = 0, steps = 0;
    const int cycles = static_cast<int>(o.seconds / kCycle + 0.5);
    std::deque<std::array<float, 12>> sent;
    double worstTracking = 0, trackingSum = 0;
    int trackingCount = 0;
    bool stopping = false, stopped = false;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        if (!robot.Perceive()) break;
        // A command answered to perception k acts from perception k+1 to k+2, so the angles
        // read now answer the targets sent two cycles ago.
        if (sent.size() == 2) {
            for (int i = 0; i < 12; ++i) {
                double e = std::fabs(sent.front()[i] -
                                     robot.Body().mHingeJointSenseMap[kLegJoints[i].id].angle);
                worstTracking = std::max(worstTracking, e);
                trackingSum += e * e;
                ++trackingCount;
            }
            sent.pop_front();
        }
        const Truth& t = robot.Now();
        turned += WrapDegrees(t.heading - previous.heading);
        if (t.fallen && !previous.fallen) ++falls;
        previous = end = t;
        robot.PrintCycle(cycle, "walk");
        if (t.fallen) {
            robot.Hold();
            break;
        }
        std::stringstream ss;
        if (stopping) {
            if (!stopped && robot.action.ActionInverseStepAIEnd(ss, counter)) stopped = true;
            if (stopped) {
                robot.Hold();
                ++counter;
                continue;
            }
        } else if ((robot.action.*walk)(ss, counter)) {
            InverseAction::tempBool = false;  // keep walking without a restart
            ++steps;
            if (o.stop && cycle >= cycles - kStandCycles) {
                stopping = true;
                Inverse::initStepCount = Inverse::stepCount;
            }
        }
        robot.Reply(ss.str());
        ++counter;
        sent.push_back(CurrentTargets(robot.Body()));
    }
    // Displacement along the start heading turned by `offset` degrees.
    auto along = [&](double offset) {
        double a = (start.heading + offset) * kPi / 180;
        return (end.x - start.x) * std::cos(a) + (end.y - start.y) * std::sin(a);
    };
    const double distance = std::hypot(end.x - start.x, end.y - start.y);
    const double elapsed = end.time - start.time;
    result.Add("forward_m", along(0));
    result.Add("left_m", along(90));
    result.Add("walked_s", elapsed);
    result.Add("step_ends", steps);
    result.Add("tracking_max_deg", worstTracking);
    result.Add("tracking_rms_deg", trackingCount ? std::sqrt(trackingSum / trackingCount) : 0);
    result.Add("distance_m", distance);
    result.Add("speed_mps", elapsed > 0 ? distance / elapsed : 0);
    result.Add("heading_change_deg", turned);
    result.Add("falls", falls);
    result.success = falls == 0;
    result.seconds = elapsed;
    Inverse::goalDistance = Inverse::BeamDistance = Inverse::rotateAngle = 0;
    return result;
}

}  // namespace

TryResult TryWalk(Robot& robot, const Options& o) {
    return TryWalking(robot, o, &NaoAction::ActionInverseStepAI);
}
TryResult TryTurn(Robot& robot, const Options& o) {
    return TryWalking(robot, o, &NaoAction::ActionInverseRotate);
}
TryResult TryCircle(Robot& robot, const Options& o) {
    return TryWalking(robot, o, &NaoAction::ActionInverseBeamCircle);
}

}  // namespace skillprobe
