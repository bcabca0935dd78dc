// skillprobe: measures one skill of the agent's motion library in a running pitchsim. One robot
// is driven by the agent's own parser, body analysis, motion library and joint command
// encoder (no strategy); the trainer places it, knocks it over where a skill needs that, and
// reports the truth through (getState).
//
//   skillprobe --port=N --trainer-port=N --skill=NAME [--repeat=K] [--seconds=S]
//              [--start-x=M --start-y=M --heading=DEG] [--json] [--verbose] [--unum=N]
//              [--push=RAD_PER_S] [walk: --forward=M --side=M --turn=DEG --find-ball --stop]
//              [kicks: --ball-x=M --ball-y=M --sweep] [sidesteps: --steps=K]
//              [--stance=origin|walk-ready]
//
// Every try places the robot upright at a fresh spot (the start spot first, then a grid of
// 1.5 m around it), lets it settle in the origin pose and runs the skill. Each try prints one
// line of key=value figures, the last line is the summary (skill= tries= success= median_s=
// ...); --json prints the same as one JSON object.
//
// Adding a skill: write its Try function and add one row to kSkills.
//
// Reproducible: all trainer traffic of a cycle happens after its perception has arrived and
// before the reply is sent, while a --sync server waits for that reply, so with --noise=off
// two runs print the same figures (provided no reply misses the --sync-timeout).

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "behavior/naobehavior.h"
#include "behavior/strategy.h"
#include "body/player.h"
#include "motion/keyframe.h"
#include "motion/naoaction.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "tools/probe/cli.h"
#include "tools/probe/measure.h"
#include "tools/probe/robot.h"
#include "tools/probe/truth.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"
#include "world/operatematrix.h"
#include "world/worldmodel.h"

namespace {

using keyframe::kOriginPose;
using probe::kCycle;
using probe::kPi;
using probe::Lying;
using probe::Median;
using probe::Robot;
using probe::Truth;
using probe::WrapDegrees;

const char* const kProbe = "skillprobe";
const int kStandCycles = 75;  // standing after --stop, 1.5 s

struct Options {
    int port = 3100;
    int trainerPort = 3200;
    int unum = 1;
    std::string skill;
    int repeat = 1;
    double seconds = 10;  // per try, from the start of the motion
    double startX = -5;   // field frame, m
    double startY = 0;
    double heading = 0;  // deg counter-clockwise from +x
    double push = 0;     // knock speed, rad/s; 0: the skill's own
    bool json = false;
    bool verbose = false;
    bool baseline = false;  // stumbles: hold still instead of catching, for comparison
    // walk
    double forward = 0.16;  // m per pair of steps
    double side = 0;        // m
    double turn = 0;        // deg
    bool findBall = false;
    bool stop = false;  // walks end with the stopping steps and 1.5 s of standing
    // kicks
    double ballX = NAN;  // ball offset in the robot's frame, m; NaN: the kick's own
    double ballY = NAN;
    bool sweep = false;
    // sidesteps
    int steps = 5;
    // kicks, sidesteps, long motion: start from the walk-ready pose instead of the origin pose
    bool walkReady = false;
};

// ---- Figures of a try ----

struct Figure {
    std::string key;
    std::string value;
    bool number;
};

std::string Text(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

struct TryResult {
    std::vector<Figure> figures;
    bool success = false;
    double seconds = NAN;  // the skill's time figure, NaN when none

    void Add(const std::string& key, double v) { figures.push_back({key, Text(v), true}); }
    void Add(const std::string& key, const std::string& v) { figures.push_back({key, v, false}); }
};

std::string Line(const std::vector<Figure>& figures) {
    std::string out;
    for (const Figure& f : figures) out += (out.empty() ? "" : " ") + f.key + "=" + f.value;
    return out;
}

std::string Json(const std::vector<Figure>& figures) {
    std::string out = "{";
    for (const Figure& f : figures) {
        if (out.size() > 1) out += ",";
        out += "\"" + f.key + "\":";
        out += f.number && std::isfinite(std::strtod(f.value.c_str(), nullptr))
                   ? f.value
                   : "\"" + f.value + "\"";
    }
    return out + "}";
}

// ---- Skills ----

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

TryResult TryWalk(Robot& robot, const Options& o) {
    return TryWalking(robot, o, &NaoAction::ActionInverseStepAI);
}
TryResult TryTurn(Robot& robot, const Options& o) {
    return TryWalking(robot, o, &NaoAction::ActionInverseRotate);
}
TryResult TryCircle(Robot& robot, const Options& o) {
    return TryWalking(robot, o, &NaoAction::ActionInverseBeamCircle);
}

// Lets a knocked robot fall and come to rest (at most 3 s), every joint held.
bool FallDown(Robot& robot, int& cycle) {
    int still = 0;
    Truth last = robot.Now();
    for (int k = 0; k < 150 && still < 10; ++k, ++cycle) {
        if (!robot.Perceive()) return false;
        robot.Hold();
        const Truth& t = robot.Now();
        double moved = std::hypot(std::hypot(t.x - last.x, t.y - last.y), t.z - last.z);
        still = t.fallen && moved < 0.001 ? still + 1 : 0;
        last = t;
        robot.PrintCycle(cycle, "falling");
    }
    return true;
}

// Runs the behaviour's recovery for `state` to its end, then the origin-pose hold of 10 cycles
// and the two stopped cycles of deciding again, as the behaviour does. One call is one cycle;
// returns true when the whole sequence is over.
class Recovery {
  public:
    explicit Recovery(eState state) : state_(state) {}

    bool Cycle(Robot& robot) {
        std::stringstream ss;
        NaoAction& a = robot.action;
        if (stage_ == kMotion) {
            bool done = false;
            switch (state_) {
                case S_StandUpForward:
                    done = a.ActionStandFaceFloor(ss, counter_);
                    break;
                case S_StandUpBack:
                    done = a.ActionStandFaceSky(ss, counter_);
                    break;
                case S_Stumble_Left:
                    done = a.ActionStumble_Left(ss, counter_);
                    break;
                case S_Stumble_Right:
                    done = a.ActionStumble_Right(ss, counter_);
                    break;
                case S_KeeperCatch:
                    done = a.ActionKeeperCatch(ss, counter_);
                    break;
                default:
                    done = true;
                    break;
            }
            if (done) {
                motionCycles_ = cycles_ + 1;
                // Get-ups hold the origin pose; the others stop and decide again.
                const bool getUp = state_ == S_StandUpForward || state_ == S_StandUpBack;
                stage_ = getUp ? kOrigin : kJudge;
            }
        } else if (stage_ == kOrigin) {
            if (a.ActionState(0, 1, ss, kOriginPose, counter_, 10) == 1) stage_ = kJudge;
        } else {
            // Every joint stopped until the counter reaches 2, as in S_Judge.
            ss << a.TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0, 0);
            if (counter_ == 2) {
                a.SetTempAngleChangleInit();
                stage_ = kOver;
            }
        }
        robot.Reply(ss.str());
        ++counter_;
        ++cycles_;
        return stage_ == kOver;
    }
    int MotionCycles() const { return motionCycles_; }
    bool MotionOver() const { return stage_ != kMotion; }

  private:
    enum Stage { kMotion, kOrigin, kJudge, kOver };
    eState state_;
    Stage stage_ = kMotion;
    int counter_ = 0, cycles_ = 0, motionCycles_ = 0;
};

const char* Name(eState recovery) {
    switch (recovery) {
        case S_StandUpForward:
            return "face-down";
        case S_StandUpBack:
            return "back";
        case S_Stumble_Left:
            return "rolled-left-up";
        case S_Stumble_Right:
            return "rolled-right-up";
        default:
            return "believes-upright";
    }
}

// Knocked over, the robot lies; the agent's own fall detection picks the get-up, which runs
// (again, after a failed one) until the robot stands or --seconds have passed since the first
// get-up began. Success: upright (upz > 0.9, not fallen) for a second after a get-up.
TryResult TryGetUp(Robot& robot, const Options& o, const char* way) {
    TryResult result;
    int cycle = 0;
    if (!robot.Perceive() || !robot.Knock(way, o.push)) return result;
    robot.Hold();
    if (!FallDown(robot, cycle)) return result;
    const eState first = robot.Recovery();
    if (!robot.Now().fallen) {
        // The push was too weak to knock it over: nothing to get up from.
        result.Add("landed", "not-fallen");
        result.Add("landed_upz", robot.Now().upz);
        return result;
    }
    result.Add("landed", Name(first));
    result.Add("landed_upz", robot.Now().upz);
    result.Add("lying", Lying(robot));

    const double start = robot.Now().time;
    double uprightSince = NAN;
    int getUps = 0;
    eState state = first;
    Recovery recovery(state);
    bool running = state != 0;
    if (running) ++getUps;
    const int cycles = static_cast<int>(o.seconds / kCycle + 0.5);
    for (int k = 0; k < cycles; ++k, ++cycle) {
        if (!robot.Perceive()) return result;
        const Truth& t = robot.Now();
        const bool upright = t.upz > 0.9 && !t.fallen;
        if (!upright) uprightSince = NAN;
        if (upright && std::isnan(uprightSince)) uprightSince = t.time;
        robot.PrintCycle(cycle, running ? "getting-up" : "standing");
        if (!running) {
            robot.Hold();
            if (upright && t.time - uprightSince >= 1.0) break;
            // Still lying after a get-up: the agent tries again.
            state = robot.Recovery();
            if (state == S_StandUpForward || state == S_StandUpBack) {
                recovery = Recovery(state);
                running = true;
                ++getUps;
            }
            continue;
        }
        if (recovery.Cycle(robot)) running = false;
    }
    result.success = !std::isnan(uprightSince) && robot.Now().time - uprightSince >= 1.0;
    result.seconds = result.success ? uprightSince - start : NAN;
    result.Add("getups", getUps);
    result.Add("upright", result.success ? 1 : 0);
    result.Add("time_s", result.seconds);
    result.Add("end_upz", robot.Now().upz);
    return result;
}

TryResult TryGetUpFront(Robot& robot, const Options& o) {
    return TryGetUp(robot, o, "front");
}
TryResult TryGetUpBack(Robot& robot, const Options& o) {
    return TryGetUp(robot, o, "back");
}

// Tipped sideways by a push (--push, default 2.2 rad/s: the least that topples a robot holding
// still in the origin pose), the catch starts at once; success:
// upright a second after it.
TryResult TryStumble(Robot& robot, const Options& o, const char* way, eState catchState) {
    TryResult result;
    int cycle = 0;
    if (!robot.Perceive() || !robot.Knock(way, o.push > 0 ? o.push : 2.2)) return result;
    const Truth start = robot.Now();
    Recovery recovery(o.baseline ? S_Judge : catchState);
    recovery.Cycle(robot);
    double minUpz = 1;
    const int cycles = static_cast<int>(o.seconds / kCycle + 0.5);
    double overAt = NAN;
    for (int k = 0; k < cycles; ++k, ++cycle) {
        if (!robot.Perceive()) return result;
        const Truth& t = robot.Now();
        minUpz = std::min(minUpz, t.upz);
        robot.PrintCycle(cycle, recovery.MotionOver() ? "after" : "catching");
        if (!recovery.MotionOver()) {
            recovery.Cycle(robot);
            continue;
        }
        robot.Hold();
        if (std::isnan(overAt)) overAt = t.time;
        if (t.fallen || t.time - overAt >= 1.0) break;
    }
    const Truth& end = robot.Now();
    result.success = !end.fallen && end.upz > 0.9;
    result.seconds = recovery.MotionCycles() * kCycle;
    result.Add("caught", result.success ? 1 : 0);
    result.Add("motion_s", result.seconds);
    result.Add("min_upz", minUpz);
    result.Add("end", Lying(robot));
    result.Add("end_upz", end.upz);
    result.Add("moved_m", std::hypot(end.x - start.x, end.y - start.y));
    return result;
}

TryResult TryStumbleLeft(Robot& robot, const Options& o) {
    return TryStumble(robot, o, "left", S_Stumble_Left);
}
TryResult TryStumbleRight(Robot& robot, const Options& o) {
    return TryStumble(robot, o, "right", S_Stumble_Right);
}

// The keeper's dive from standing: the time at which the behaviour would enter
// S_KeeperToFaceDown, and how the robot lies then. Success: it went down.
TryResult TryKeeper(Robot& robot, const Options& o) {
    TryResult result;
    if (!robot.Perceive()) return result;
    const double start = robot.Now().time;
    Recovery recovery(S_KeeperCatch);
    recovery.Cycle(robot);
    const int cycles = static_cast<int>(o.seconds / kCycle + 0.5);
    double downAt = NAN;
    for (int cycle = 1; cycle < std::max(cycles, 330) && !recovery.MotionOver(); ++cycle) {
        if (!robot.Perceive()) return result;
        robot.PrintCycle(cycle, "keeper");
        if (std::isnan(downAt) && robot.Now().fallen) downAt = robot.Now().time;
        recovery.Cycle(robot);
    }
    if (!robot.Perceive()) return result;
    const Truth& end = robot.Now();
    result.seconds = end.time - start;
    result.success = recovery.MotionOver() && end.upz < 0.9;
    result.Add("to_face_down_s", result.seconds);
    result.Add("down_s", downAt - start);
    result.Add("end", Lying(robot));
    result.Add("end_upz", end.upz);
    result.Add("end_z", end.z);
    robot.Hold();
    return result;
}

// ---- Kicks, sidesteps and the long motion ----

using Motion = bool (NaoAction::*)(std::stringstream&, int&);

// Displacement from `from` to (x, y) along `heading` turned by `offset` degrees.
double Along(const Truth& from, double heading, double x, double y, double offset) {
    const double a = (heading + offset) * kPi / 180;
    return (x - from.x) * std::cos(a) + (y - from.y) * std::sin(a);
}

// The walk-ready pose of the motion library (keyframe convention; the head held).
const NaoAction::KeyframePose kWalkReadyPose = {0,   0,  120,   120,   20,     -20,   -80, 80,
                                                -80, 80, 0.001, 0.001, 0.001,  0.001, -30, -30,
                                                60,  60, -30,   -30,   0.0001, 0.001};

// With --stance=walk-ready, moves from the origin pose the robot stands in into the walk-ready
// pose over half a second and holds still for another half second; otherwise nothing.
bool TakeStance(Robot& robot, const Options& o) {
    if (!o.walkReady) return true;
    int counter = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        if (!robot.Perceive()) return false;
        robot.PrintCycle(cycle, "stance");
        if (cycle < 25) {
            std::stringstream ss;
            robot.action.ActionState(0, 1, ss, kWalkReadyPose, counter, 25);
            robot.Reply(ss.str());
            ++counter;
        } else {
            robot.Hold();
        }
    }
    robot.action.SetTempAngleChangleInit();
    return true;
}

// The neutral pose the behaviour holds in S_NON (keyframe convention).
const NaoAction::KeyframePose kNeutralPose = {
    -30.0001, 0.0001, 0.0001, 0.0001,  0.0001,  -0.0001, -0.0001, 0.0001,  -0.0001, 0.0001, -0.0001,
    -0.0001,  0.0001, 0.0001, -0.0001, -0.0001, 0.0001,  0.0001,  -0.0001, -0.0001, 0.0001, 0.001};

// What the behaviour does once a kick is over: the origin pose over 20 cycles (S_Origin),
// every joint stopped (S_Judge) or the neutral pose over 20 cycles (S_NON).
enum class AfterKick { Origin, Stop, Neutral };

// After a fall: the joints brought back to the origin pose where the robot lies (one second),
// so that it can be stood up again for the next try.
bool FoldUp(Robot& robot) {
    int counter = 0;
    for (int cycle = 0; cycle < 50; ++cycle) {
        if (!robot.Perceive()) return false;
        std::stringstream ss;
        robot.action.ActionState(0, 0, ss, kOriginPose, counter, 40);
        robot.Reply(ss.str());
        ++counter;
    }
    return true;
}

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

// The figure `key` of a try, NaN when it has none.
double FigureOf(const TryResult& r, const std::string& key) {
    for (const Figure& f : r.figures)
        if (f.key == key) return std::strtod(f.value.c_str(), nullptr);
    return NAN;
}

// A kick at --ball-x/--ball-y (default: the kick's own offset); with --sweep at a 3 x 3 grid
// around it (2 cm forward, 2.5 cm sideways), the robot stood up again at the same spot for
// each, reporting the offset that sent the ball farthest forward without a fall.
TryResult TryKick(Robot& robot, const Options& o, const Kick& kick) {
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

template <int K>
TryResult TryKickNumber(Robot& robot, const Options& o) {
    return TryKick(robot, o, kKicks[K]);
}

// A sidestep run --steps times back to back from standing. Figures per motion, averaged over
// all but the first (which also moves from the origin pose into the stance); the first's own
// figures beside them.
TryResult TrySidestep(Robot& robot, const Options& o, Motion motion) {
    TryResult result;
    if (!TakeStance(robot, o) || !robot.Perceive()) return result;
    const Truth start = robot.Now();
    Truth firstEnd = start, previous = start;
    double turned = 0, turnedFirst = 0;
    int counter = 0, done = 0, falls = 0;
    for (int cycle = 0; done < o.steps && cycle < 100 * o.steps; ++cycle) {
        std::stringstream ss;
        if ((robot.action.*motion)(ss, counter)) ++done;
        robot.Reply(ss.str());
        ++counter;
        if (!robot.Perceive()) return TryResult();
        const Truth& t = robot.Now();
        turned += WrapDegrees(t.heading - previous.heading);
        if (t.fallen && !previous.fallen) ++falls;
        previous = t;
        robot.PrintCycle(cycle, "sidestep");
        if (done == 1 && turnedFirst == 0) {
            firstEnd = t;
            turnedFirst = turned;
        }
        if (t.fallen) break;
    }
    robot.Hold();
    const Truth end = robot.Now();
    if (falls > 0 && !FoldUp(robot)) return TryResult();
    const int later = std::max(done - 1, 1);
    const Truth& from = done > 1 ? firstEnd : start;
    result.Add("forward_m", Along(from, start.heading, end.x, end.y, 0) / later);
    result.Add("left_m", Along(from, start.heading, end.x, end.y, 90) / later);
    result.Add("turn_deg", (done > 1 ? turned - turnedFirst : turned) / later);
    result.Add("first_forward_m", Along(start, start.heading, firstEnd.x, firstEnd.y, 0));
    result.Add("first_left_m", Along(start, start.heading, firstEnd.x, firstEnd.y, 90));
    result.Add("first_turn_deg", turnedFirst);
    result.Add("motions", done);
    result.Add("falls", falls);
    result.success = falls == 0 && done == o.steps;
    return result;
}

TryResult TrySidestepLeft(Robot& robot, const Options& o) {
    return TrySidestep(robot, o, &NaoAction::ActionBeamLeft);
}
TryResult TrySidestepRight(Robot& robot, const Options& o) {
    return TrySidestep(robot, o, &NaoAction::ActionBeamRight);
}
TryResult TrySidestepLeftCircle(Robot& robot, const Options& o) {
    return TrySidestep(robot, o, &NaoAction::ActionBeamLeftCircle);
}
TryResult TrySidestepRightCircle(Robot& robot, const Options& o) {
    return TrySidestep(robot, o, &NaoAction::ActionBeamRightCircle);
}
TryResult TrySidestepLeftRotate(Robot& robot, const Options& o) {
    return TrySidestep(robot, o, &NaoAction::ActionBeamLeftRotate);
}
TryResult TrySidestepRightRotate(Robot& robot, const Options& o) {
    return TrySidestep(robot, o, &NaoAction::ActionBeamRightRotate);
}

// One whole performance of the long motion (4745 cycles from standing, about 95 s); it stops
// early when the robot falls. Success: still up at the end.
TryResult TryLongMotion(Robot& robot, const Options& o) {
    TryResult result;
    if (!TakeStance(robot, o) || !robot.Perceive()) return result;
    const Truth start = robot.Now();
    Truth previous = start;
    double turned = 0, minUpz = 1, fellAt = NAN;
    int counter = 0;
    bool over = false;
    for (int cycle = 0; !over && cycle < 5000; ++cycle) {
        std::stringstream ss;
        over = robot.action.ActionQawTOVK(ss, counter);
        robot.Reply(ss.str());
        ++counter;
        if (!robot.Perceive()) return TryResult();
        const Truth& t = robot.Now();
        turned += WrapDegrees(t.heading - previous.heading);
        minUpz = std::min(minUpz, t.upz);
        previous = t;
        robot.PrintCycle(cycle, "performing");
        if (t.fallen) {
            fellAt = t.time - start.time;
            break;
        }
    }
    robot.Hold();
    const Truth end = robot.Now();
    if (!std::isnan(fellAt) && !FoldUp(robot)) return TryResult();
    result.Add("fell", std::isnan(fellAt) ? 0 : 1);
    result.Add("fell_at_s", fellAt);
    result.Add("performed_s", end.time - start.time);
    result.Add("min_upz", minUpz);
    result.Add("forward_m", Along(start, start.heading, end.x, end.y, 0));
    result.Add("left_m", Along(start, start.heading, end.x, end.y, 90));
    result.Add("turn_deg", turned);
    result.success = over && std::isnan(fellAt);
    result.seconds = end.time - start.time;
    return result;
}

const char* const kKickMedians = "ball_m ball_forward_m ball_dir_deg roll_s";
const char* const kSidestepMedians = "forward_m left_m turn_deg";

struct Skill {
    const char* name;
    const char* what;
    TryResult (*run)(Robot&, const Options&);
    const char* tally;  // a figure whose values the summary counts ("" for none)
    // Figures whose median over all tries the summary gives, separated by blanks.
    const char* medians = "";
};

const Skill kSkills[] = {
    {"walk", "walking command --forward --side --turn [--find-ball] for --seconds", TryWalk, ""},
    {"turn", "turning on the spot by --turn per pair of steps for --seconds", TryTurn, ""},
    {"circle", "walking round the ball, --turn per pair of steps, for --seconds", TryCircle, ""},
    {"getup-front", "knocked over forwards (lands face down), gets up", TryGetUpFront, "landed"},
    {"getup-back", "knocked over backwards (lands on its back), gets up", TryGetUpBack, "landed"},
    {"stumble-left",
     "pushed to the left (--push, default 2.2 rad/s: a robot that holds still falls), catches "
     "itself",
     TryStumbleLeft, "end"},
    {"stumble-right", "pushed to the right, catches itself", TryStumbleRight, "end"},
    {"keeper", "the goalkeeper's dive from standing", TryKeeper, "end"},
    {"small-kick-left", "the quick push with the left foot", TryKickNumber<0>, "fell",
     kKickMedians},
    {"small-kick-right", "the quick push with the right foot", TryKickNumber<1>, "fell",
     kKickMedians},
    {"kick-left", "the kick with the left foot from the walk-ready pose", TryKickNumber<2>, "fell",
     kKickMedians},
    {"kick-right", "the kick with the right foot from the walk-ready pose", TryKickNumber<3>,
     "fell", kKickMedians},
    {"kick-tovk", "the strong kick with the left foot", TryKickNumber<4>, "fell", kKickMedians},
    {"kick-right-tovk", "the strong kick with the right foot", TryKickNumber<5>, "fell",
     kKickMedians},
    {"kick-left-pelm", "the kick with the left foot from straight legs", TryKickNumber<6>, "fell",
     kKickMedians},
    {"kick-ik", "the scripted kick of the leg solver (once per process: its script never rewinds)",
     TryKickNumber<7>, "fell", kKickMedians},
    {"sidestep-left", "--steps plain side steps of ActionBeamLeft", TrySidestepLeft, "falls",
     kSidestepMedians},
    {"sidestep-right", "--steps plain side steps of ActionBeamRight", TrySidestepRight, "falls",
     kSidestepMedians},
    {"sidestep-left-circle", "--steps side steps on an arc (ActionBeamLeftCircle)",
     TrySidestepLeftCircle, "falls", kSidestepMedians},
    {"sidestep-right-circle", "--steps side steps on an arc (ActionBeamRightCircle)",
     TrySidestepRightCircle, "falls", kSidestepMedians},
    {"sidestep-left-rotate", "--steps turning side steps (ActionBeamLeftRotate)",
     TrySidestepLeftRotate, "falls", kSidestepMedians},
    {"sidestep-right-rotate", "--steps turning side steps (ActionBeamRightRotate)",
     TrySidestepRightRotate, "falls", kSidestepMedians},
    {"long-motion", "one whole performance of the long motion (about 95 s)", TryLongMotion, "fell",
     "fell_at_s min_upz forward_m left_m turn_deg"},
};

const Skill* FindSkill(const std::string& name) {
    for (const Skill& s : kSkills)
        if (name == s.name) return &s;
    return nullptr;
}

// ---- Options ----

void Usage(std::ostream& out) {
    out << "usage: skillprobe --port=N --trainer-port=N --skill=NAME [--repeat=K] [--seconds=S]\n"
           "                  [--start-x=M --start-y=M --heading=DEG] [--json] [--verbose]\n"
           "                  [--unum=N] [--push=RAD_PER_S] [--baseline]\n"
           "                  [walk: --forward=M --side=M --turn=DEG --find-ball --stop]\n"
           "                  [kicks: --ball-x=M --ball-y=M --sweep] [sidesteps: --steps=K]\n"
           "                  [--stance=origin|walk-ready]\n"
           "Runs one skill of the agent's motion library K times (default 1) on robot N\n"
           "(default 1) of team Left in a running pitchsim and measures it through the\n"
           "trainer. --seconds: time per try from the start of the motion (default 10).\n"
           "Try k starts upright at a fresh spot of a 1.5 m grid from (--start-x, --start-y)\n"
           "(default -5, 0), facing --heading (default 0). --push: knock speed in rad/s;\n"
           "--baseline: stumbles hold every joint instead of catching, for comparison.\n"
           "Walk: --forward m per pair of steps (default 0.16), --side m, --turn deg,\n"
           "--find-ball for 0.2 s steps.\n"
           "Kicks: --ball-x=M --ball-y=M place the ball at rest in the robot's frame (x forward,\n"
           "y left, from the torso; default: in front of the kicking foot); --sweep tries a\n"
           "3 x 3 grid around it and reports the offset that sends the ball farthest forward.\n"
           "Sidesteps: --steps=K motions back to back (default 5).\n"
           "Kicks, sidesteps and the long motion start from the origin pose the robot stands\n"
           "in, or with --stance=walk-ready from the walk-ready pose.\n"
           "Use pitchsim --sync --noise=off for reproducible figures. Skills:\n";
    for (const Skill& s : kSkills) {
        std::string name = s.name;
        name.resize(23, ' ');
        out << "  " << name << s.what << "\n";
    }
}

bool Fail(const std::string& text) {
    return probe::Fail(kProbe, text);
}

bool ReadDouble(const std::string& arg, const std::string& value, double low, double high,
                double& out) {
    return probe::ParseOptionNumber(value, low, high, out) ||
           Fail("bad value in " + arg + " (a number from " + Text(low) + " to " + Text(high) + ")");
}

bool ReadInt(const std::string& arg, const std::string& value, int low, int high, int& out) {
    double v = 0;
    if (!ReadDouble(arg, value, low, high, v)) return false;
    if (v != std::floor(v)) return Fail("bad value in " + arg + " (a whole number)");
    out = static_cast<int>(v);
    return true;
}

// 0: go on, 1: --help given, 2: bad command line.
int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") return 1;
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : arg.substr(eq + 1);
        const bool hasValue = eq != std::string::npos;
        bool ok = true;
        if (!hasValue && name == "--json") {
            o.json = true;
        } else if (!hasValue && name == "--verbose") {
            o.verbose = true;
        } else if (!hasValue && name == "--baseline") {
            o.baseline = true;
        } else if (!hasValue && name == "--find-ball") {
            o.findBall = true;
        } else if (!hasValue && name == "--stop") {
            o.stop = true;
        } else if (!hasValue && name == "--sweep") {
            o.sweep = true;
        } else if (!hasValue) {
            ok = Fail("unknown option " + arg);
        } else if (name == "--port") {
            ok = ReadInt(arg, value, 1, 65535, o.port);
        } else if (name == "--trainer-port") {
            ok = ReadInt(arg, value, 1, 65535, o.trainerPort);
        } else if (name == "--unum") {
            ok = ReadInt(arg, value, 1, 11, o.unum);
        } else if (name == "--skill") {
            o.skill = value;
            if (!FindSkill(value)) ok = Fail("unknown skill " + value + " (--help lists them)");
        } else if (name == "--repeat") {
            ok = ReadInt(arg, value, 1, 1000, o.repeat);
        } else if (name == "--seconds") {
            ok = ReadDouble(arg, value, 0.02, 3600, o.seconds);
        } else if (name == "--start-x") {
            ok = ReadDouble(arg, value, -10, 10, o.startX);
        } else if (name == "--start-y") {
            ok = ReadDouble(arg, value, -6.5, 6.5, o.startY);
        } else if (name == "--heading") {
            ok = ReadDouble(arg, value, -180, 180, o.heading);
        } else if (name == "--push") {
            ok = ReadDouble(arg, value, 0.1, 10, o.push);
        } else if (name == "--forward") {
            ok = ReadDouble(arg, value, -1, 1, o.forward);
        } else if (name == "--side") {
            ok = ReadDouble(arg, value, -1, 1, o.side);
        } else if (name == "--turn") {
            ok = ReadDouble(arg, value, -90, 90, o.turn);
        } else if (name == "--ball-x") {
            ok = ReadDouble(arg, value, -1, 1, o.ballX);
        } else if (name == "--ball-y") {
            ok = ReadDouble(arg, value, -1, 1, o.ballY);
        } else if (name == "--stance") {
            ok = value == "origin" || value == "walk-ready" ||
                 Fail("bad value in " + arg + " (origin or walk-ready)");
            o.walkReady = value == "walk-ready";
        } else if (name == "--steps") {
            ok = ReadInt(arg, value, 1, 100, o.steps);
        } else {
            ok = Fail("unknown option " + arg);
        }
        if (!ok) return 2;
    }
    if (o.skill.empty()) return Fail("--skill=NAME is missing (--help lists the skills)") ? 0 : 2;
    if (o.skill == "kick-ik" && (o.sweep || o.repeat > 1))
        return Fail("kick-ik runs its script once per process: no --sweep, no --repeat") ? 0 : 2;
    return 0;
}

// Start spot of try k: the start spot, then a grid of 1.5 m around it (4 columns ahead, rows
// to either side), kept in the field.
void Spot(const Options& o, int k, double& x, double& y) {
    const int rowOffset[5] = {0, 1, -1, 2, -2};
    x = std::clamp(o.startX + 1.5 * (k % 4), -9.0, 9.0);
    y = std::clamp(o.startY + 1.5 * rowOffset[(k / 4) % 5], -6.0, 6.0);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    const int parsed = ParseOptions(argc, argv, o);
    if (parsed == 1) {
        Usage(std::cout);
        return 0;
    }
    if (parsed == 2) return 2;
    const Skill& skill = *FindSkill(o.skill);
    // The figures alone on standard output: the agent's own progress lines go to stderr.
    std::ostream out(probe::TakeStandardOutput());

    Robot robot({kProbe, o.port, o.trainerPort, o.unum, o.verbose});
    if (!robot.Connect() || !robot.Join()) return 1;
    std::vector<std::vector<Figure>> tries;
    std::vector<double> times;
    std::map<std::string, int> tally;
    int successes = 0;
    for (int k = 0; k < o.repeat; ++k) {
        double x, y;
        Spot(o, k, x, y);
        if (!robot.PlaceAndStand(x, y, o.heading)) return 1;
        TryResult r = skill.run(robot, o);
        if (r.figures.empty()) return 1;  // the connection was lost; said on stderr
        r.figures.insert(r.figures.begin(), {"try", std::to_string(k + 1), true});
        r.figures.insert(r.figures.begin() + 1, {"success", r.success ? "1" : "0", true});
        if (r.success) {
            ++successes;
            if (!std::isnan(r.seconds)) times.push_back(r.seconds);
        }
        for (const Figure& f : r.figures)
            if (f.key == skill.tally) ++tally[f.value];
        if (!o.json) out << Line(r.figures) << std::endl;
        tries.push_back(r.figures);
    }
    std::vector<Figure> summary = {{"skill", skill.name, false},
                                   {"tries", std::to_string(o.repeat), true},
                                   {"success", std::to_string(successes), true},
                                   {"median_s", Text(Median(times)), true}};
    for (const auto& [value, count] : tally)
        summary.push_back({std::string(skill.tally) + "_" + value, std::to_string(count), true});
    std::istringstream medians(skill.medians);
    for (std::string key; medians >> key;) {
        std::vector<double> values;
        for (const std::vector<Figure>& figures : tries)
            for (const Figure& f : figures)
                if (f.key == key && std::isfinite(std::strtod(f.value.c_str(), nullptr)))
                    values.push_back(std::strtod(f.value.c_str(), nullptr));
        summary.push_back({"median_" + key, Text(Median(values)), true});
    }
    if (o.json) {
        std::string text = "{\"skill\":\"" + std::string(skill.name) + "\",\"tries\":[";
        for (size_t i = 0; i < tries.size(); ++i) text += (i ? "," : "") + Json(tries[i]);
        text += "],\"summary\":" + Json(summary) + "}";
        out << text << std::endl;
    } else {
        out << Line(summary) << std::endl;
    }
    return 0;
}
