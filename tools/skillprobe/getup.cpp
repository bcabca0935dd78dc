// Get-ups and stumbles: the robot knocked over, and what the agent does about it.
//   FallDown    a knocked robot falls and comes to rest
//   Name        how the agent believes it lies, by the recovery it picks
//   TryGetUp    knocked flat, the agent's own fall detection picks the get-up, again until it
//               stands: TryGetUpFront, TryGetUpBack
//   TryStumble  tipped sideways, the catch starts at once: TryStumbleLeft, TryStumbleRight

#include <algorithm>
#include <cmath>

#include "tools/skillprobe/recovery.h"
#include "tools/skillprobe/skills.h"

namespace skillprobe {
namespace {

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

// How the agent believes it lies, by the recovery its fall detection picks.
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

}  // namespace

TryResult TryGetUpFront(Robot& robot, const Options& o) {
    return TryGetUp(robot, o, "front");
}
TryResult TryGetUpBack(Robot& robot, const Options& o) {
    return TryGetUp(robot, o, "back");
}
TryResult TryStumbleLeft(Robot& robot, const Options& o) {
    return TryStumble(robot, o, "left", S_Stumble_Left);
}
TryResult TryStumbleRight(Robot& robot, const Options& o) {
    return TryStumble(robot, o, "right", S_Stumble_Right);
}

}  // namespace skillprobe
