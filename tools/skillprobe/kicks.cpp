// Kicks from standing, the ball laid at rest in front of the robot:
//   AfterKick, Kick   what follows a kick, and a kick with its ball's default place
//   kKicks            the kicks, by the name of their skill
//   KickOnce          one kick at one ball offset: where the ball went, whether it fell
//   TryKick           the skill's kick at its offset or the given one, or the best of a sweep
//                     around it

#include <cmath>
#include <iostream>
#include <sstream>

#include "tools/skillprobe/stance.h"

namespace skillprobe {
namespace {

// The neutral pose the behaviour holds in S_NON (keyframe convention).
const NaoAction::KeyframePose kNeutralPose = {
    -30.0001, 0.0001, 0.0001, 0.0001,  0.0001,  -0.0001, -0.0001, 0.0001,  -0.0001, 0.0001, -0.0001,
    -0.0001,  0.0001, 0.0001, -0.0001, -0.0001, 0.0001,  0.0001,  -0.0001, -0.0001, 0.0001, 0.001};

// What the behaviour does once a kick is over: the origin pose over 20 cycles (S_Origin),
// every joint stopped (S_Judge) or the neutral pose over 20 cycles (S_NON).
enum class AfterKick { Origin, Stop, Neutral };

// A kick, where its ball lies by default (in front of the kicking foot, in the robot's frame
// from the origin pose: x forward, y left, m, from the torso; as near as the foot allows) and
// what follows it.
struct Kick {
    const char* name;
    Motion motion;
    double ballX, ballY;
    AfterKick after;
};

const Kick kKicks[] = {
    {"small-kick-left", &NaoAction::ActionSmallKickLeft, 0.12, 0.02, AfterKick::Stop},
    {"small-kick-right", &NaoAction::ActionSmallKickRight, 0.12, -0.02, AfterKick::Stop},
    {"kick-left", &NaoAction::ActionKickLeft, 0.13, 0.05, AfterKick::Origin},
    {"kick-right", &NaoAction::ActionKickRight, 0.13, -0.05, AfterKick::Origin},
    {"kick-tovk", &NaoAction::ActionKickTOVK, 0.12, 0.05, AfterKick::Neutral},
    {"kick-right-tovk", &NaoAction::ActionRightKickTOVK, 0.12, -0.05, AfterKick::Neutral},
    {"kick-left-pelm", &NaoAction::ActionKickLeftPelm, 0.16, 0.02, AfterKick::Neutral},
    {"kick-ik", &NaoAction::ActionKick, 0.13, 0.05, AfterKick::Stop},
};

// From the walk-ready pose the feet stand farther ahead of the torso.
const double kWalkReadyBallX = 0.04;

// One cycle of what follows a kick; `counter` is the behaviour's counter in the next state
// (1 on the first cycle after the kick), -1 once its pose is reached.
void AfterKickCycle(Robot& robot, AfterKick after, int& counter) {
    if (after == AfterKick::Stop || counter < 0) {
        robot.Hold();
        return;
    }
    std::stringstream ss;
    const bool reached =
        robot.action.ActionState(0, 1, ss, after == AfterKick::Origin ? kOriginPose : kNeutralPose,
                                 counter, 20) == 1;
    robot.Reply(ss.str());
    counter = reached ? -1 : counter + 1;
}

// One kick at one ball offset, from standing: the ball is laid at rest in front of the robot,
// the motion runs to its end, then what the behaviour does next, and the ball is watched until
// it stops (or --seconds from the start of the motion have passed).
TryResult KickOnce(Robot& robot, const Options& o, const Kick& kick, double bx, double by) {
    TryResult result;
    if (!TakeStance(robot, o) || !robot.Perceive()) return result;
    const Truth start = robot.Now();
    const double h = start.heading * kPi / 180;
    const double placedX = start.x + bx * std::cos(h) - by * std::sin(h);
    const double placedY = start.y + bx * std::sin(h) + by * std::cos(h);
    std::ostringstream ball;
    ball << "(ball (pos " << placedX << " " << placedY << " 0.042) (vel 0 0 0))";
    robot.Trainer(ball.str());
    robot.Hold();
    // A ball laid into the foot is pushed away at once: that offset cannot be kicked.
    for (int cycle = 0; cycle < 10; ++cycle) {
        if (!robot.Perceive()) return result;
        robot.Hold();
    }
    const Truth rest = robot.Now();
    result.Add("ball_x", bx);
    result.Add("ball_y", by);
    if (std::hypot(rest.ballX - placedX, rest.ballY - placedY) > 0.005) {
        robot.Trainer("(ball (pos 0 0 0.042) (vel 0 0 0))");
        result.Add("ball_blocked", 1);
        return result;
    }

    bool fell = false, kicked = false, moving = false;
    int counter = 0, afterCounter = 1, still = 0, cycle = 0;
    double motionS = NAN, movedAt = NAN, stoppedAt = NAN;
    const int cycles = static_cast<int>(o.seconds / kCycle + 0.5);
    for (; cycle < cycles; ++cycle) {
        if (!robot.Perceive()) return TryResult();
        const Truth& t = robot.Now();
        fell = fell || t.fallen;
        const double moved = std::hypot(t.ballX - rest.ballX, t.ballY - rest.ballY);
        if (!moving && moved > 0.005) {
            moving = true;
            movedAt = t.time;
        }
        still = moving && t.ballSpeed < 0.01 ? still + 1 : 0;
        robot.PrintCycle(cycle, kicked ? "after" : "kicking");
        if (kicked) {
            AfterKickCycle(robot, kick.after, afterCounter);
            if (still >= 5) {
                stoppedAt = t.time;
                break;
            }
            // Nothing touched the ball within a second of the motion's end.
            if (!moving && t.time - start.time - motionS > 1.0) break;
            continue;
        }
        std::stringstream ss;
        if ((robot.action.*kick.motion)(ss, counter)) {
            kicked = true;
            motionS = (cycle + 1) * kCycle;
        }
        robot.Reply(ss.str());
        ++counter;
    }
    const Truth end = robot.Now();
    // The ball back on the centre spot, out of the way of the next try's robot.
    robot.Trainer("(ball (pos 0 0 0.042) (vel 0 0 0))");
    if (fell && !FoldUp(robot)) return TryResult();
    const double dx = end.ballX - rest.ballX, dy = end.ballY - rest.ballY;
    const double distance = std::hypot(dx, dy);
    result.Add("ball_m", distance);
    result.Add("ball_forward_m", Along(rest, start.heading, end.ballX, end.ballY, 0) -
                                     Along(rest, start.heading, rest.ballX, rest.ballY, 0));
    result.Add("ball_dir_deg", distance > 0.005
                                   ? WrapDegrees(std::atan2(dy, dx) * 180 / kPi - start.heading)
                                   : NAN);
    result.Add("roll_s", moving ? (std::isnan(stoppedAt) ? end.time : stoppedAt) - movedAt : 0);
    result.Add("motion_s", motionS);
    result.Add("fell", fell ? 1 : 0);
    result.success = distance >= 0.1 && !fell;
    result.seconds = motionS;
    return result;
}

// A kick at --ball-x/--ball-y (default: the kick's own offset); with --sweep at a 3 x 3 grid
// around it (2 cm forward, 2.5 cm sideways), the robot stood up again at the same spot for
// each, reporting the offset that sent the ball farthest forward without a fall.
TryResult TryKickAt(Robot& robot, const Options& o, const Kick& kick) {
    const double bx =
        std::isnan(o.ballX) ? kick.ballX + (o.walkReady ? kWalkReadyBallX : 0) : o.ballX;
    const double by = std::isnan(o.ballY) ? kick.ballY : o.ballY;
    if (!o.sweep) return KickOnce(robot, o, kick, bx, by);
    TryResult best;
    double bestForward = -INFINITY;
    bool first = true;
    for (double dx : {-0.02, 0.0, 0.02}) {
        for (double dy : {-0.025, 0.0, 0.025}) {
            if (!first && !robot.StandAgain()) return TryResult();
            first = false;
            TryResult r = KickOnce(robot, o, kick, bx + dx, by + dy);
            if (r.figures.empty()) return r;
            std::cerr << "sweep " << Line(r.figures) << "\n";
            const double forward = FigureOf(r, "ball_forward_m");
            const double score = FigureOf(r, "fell") == 1 ? forward - 100 : forward;
            if (!std::isnan(forward) && score > bestForward) {
                bestForward = score;
                best = r;
            }
        }
    }
    if (best.figures.empty()) return KickOnce(robot, o, kick, bx, by);
    return best;
}

}  // namespace

TryResult TryKick(Robot& robot, const Options& o) {
    for (const Kick& kick : kKicks)
        if (o.skill == kick.name) return TryKickAt(robot, o, kick);
    std::cerr << "skillprobe: no kick is called " << o.skill << "\n";
    return TryResult();
}

}  // namespace skillprobe
