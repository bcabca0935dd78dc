#ifndef TOOLS_SKILLPROBE_STANCE_H
#define TOOLS_SKILLPROBE_STANCE_H

// What the kicks, the sidesteps and the long motion share:
//   Motion      a motion of the library, one cycle per call, true at its end
//   Along       displacement along a heading
//   TakeStance  the pose a motion starts from (--stance)
//   FoldUp      the joints brought back to the origin pose where a fallen robot lies

#include <sstream>

#include "tools/skillprobe/skills.h"

namespace skillprobe {

using Motion = bool (NaoAction::*)(std::stringstream&, int&);

// Displacement from `from` to (x, y) along `heading` turned by `offset` degrees.
double Along(const Truth& from, double heading, double x, double y, double offset);

// With --stance=walk-ready, moves from the origin pose the robot stands in into the walk-ready
// pose over half a second and holds still for another half second; otherwise nothing.
bool TakeStance(Robot& robot, const Options& o);

// After a fall: the joints brought back to the origin pose where the robot lies (one second),
// so that it can be stood up again for the next try.
bool FoldUp(Robot& robot);

}  // namespace skillprobe

#endif
