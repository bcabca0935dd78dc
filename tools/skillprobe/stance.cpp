// The start and the end that kicks, sidesteps and the long motion share: displacement along a
// heading, the walk-ready stance, folding up after a fall.

#include "tools/skillprobe/stance.h"

#include <cmath>

namespace skillprobe {
namespace {

// The walk-ready pose of the motion library (keyframe convention; the head held).
const NaoAction::KeyframePose kWalkReadyPose = {0,   0,  120,   120,   20,     -20,   -80, 80,
                                                -80, 80, 0.001, 0.001, 0.001,  0.001, -30, -30,
                                                60,  60, -30,   -30,   0.0001, 0.001};

}  // namespace

double Along(const Truth& from, double heading, double x, double y, double offset) {
    const double a = (heading + offset) * kPi / 180;
    return (x - from.x) * std::cos(a) + (y - from.y) * std::sin(a);
}

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

}  // namespace skillprobe
