#ifndef TOOLS_SKILLPROBE_SKILLS_H
#define TOOLS_SKILLPROBE_SKILLS_H

// The skill probe, by skill family:
//   main.cpp      options, the table of skills, the tries of a run
//   figures.cpp   the figures of a try and their formats: key=value line, JSON, summary
//   walking.cpp   walk, turn, circle
//   getup.cpp     get-ups after a knock, stumble catches
//   keeper.cpp    the keeper's dive
//   recovery.cpp  the behaviour's recoveries that get-ups, catches and the dive run
//   kicks.cpp     the kicks
//   motions.cpp   sidesteps and the long motion
//   stance.cpp    what kicks, sidesteps and the long motion share: the stance they start
//                 from, folding up after a fall, displacement along a heading
// figures.h, recovery.h and stance.h declare what more than one of these files uses. The robot,
// its link to pitchsim and the measurements are the probes' own: tools/probe/.
//
// This header: the options every try reads and the try of each skill, one function per row of
// the table in main.cpp. Adding a skill: write its Try function and add one row to kSkills.

#include <cmath>
#include <string>

#include "motion/keyframe.h"
#include "tools/probe/measure.h"
#include "tools/probe/robot.h"
#include "tools/probe/truth.h"
#include "tools/skillprobe/figures.h"

namespace skillprobe {

using keyframe::kOriginPose;
using probe::kCycle;
using probe::kPi;
using probe::Lying;
using probe::Robot;
using probe::Truth;
using probe::WrapDegrees;

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

// One try of a skill: the robot stands at its spot in the origin pose, the try runs the skill
// and measures it. No figures: the connection was lost (said on stderr).
using Try = TryResult (*)(Robot&, const Options&);

// walking.cpp
TryResult TryWalk(Robot& robot, const Options& o);
TryResult TryTurn(Robot& robot, const Options& o);
TryResult TryCircle(Robot& robot, const Options& o);

// getup.cpp
TryResult TryGetUpFront(Robot& robot, const Options& o);
TryResult TryGetUpBack(Robot& robot, const Options& o);
TryResult TryStumbleLeft(Robot& robot, const Options& o);
TryResult TryStumbleRight(Robot& robot, const Options& o);

// keeper.cpp
TryResult TryKeeper(Robot& robot, const Options& o);

// kicks.cpp: the kick of the skill's name
TryResult TryKick(Robot& robot, const Options& o);

// motions.cpp: the sidestep of the skill's name, and the long motion
TryResult TrySidestep(Robot& robot, const Options& o);
TryResult TryLongMotion(Robot& robot, const Options& o);

}  // namespace skillprobe

#endif
