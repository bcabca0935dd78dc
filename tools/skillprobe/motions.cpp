// Whole motions of the library run from standing:
//   kSidesteps      the sidesteps, by the name of their skill
//   TrySidestep     the skill's sidestep --steps times back to back
//   TryLongMotion   one whole performance of the long motion

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>

#include "tools/skillprobe/stance.h"

namespace skillprobe {
namespace {

const struct {
    const char* name;
    Motion motion;
} kSidesteps[] = {
    {"sidestep-left", &NaoAction::ActionBeamLeft},
    {"sidestep-right", &NaoAction::ActionBeamRight},
    {"sidestep-left-circle", &NaoAction::ActionBeamLeftCircle},
    {"sidestep-right-circle", &NaoAction::ActionBeamRightCircle},
    {"sidestep-left-rotate", &NaoAction::ActionBeamLeftRotate},
    {"sidestep-right-rotate", &NaoAction::ActionBeamRightRotate},
};

// A sidestep run --steps times back to back from standing. Figures per motion, averaged over
// all but the first (which also moves from the origin pose into the stance); the first's own
// figures beside them.
TryResult SidestepTimes(Robot& robot, const Options& o, Motion motion) {
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

}  // namespace

TryResult TrySidestep(Robot& robot, const Options& o) {
    for (const auto& [name, motion] : kSidesteps)
        if (o.skill == name) return SidestepTimes(robot, o, motion);
    std::cerr << "skillprobe: no sidestep is called " << o.skill << "\n";
    return TryResult();
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

}  // namespace skillprobe
