// The keeper's dive: TryKeeper, the catch motion run from standing until the behaviour would lie
// face down.

#include <algorithm>
#include <cmath>

#include "tools/skillprobe/recovery.h"
#include "tools/skillprobe/skills.h"

namespace skillprobe {

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

}  // namespace skillprobe
