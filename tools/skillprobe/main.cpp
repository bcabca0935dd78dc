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
// Adding a skill: write its Try function (declared in skills.h) and add one row to kSkills.
//
// Reproducible: all trainer traffic of a cycle happens after its perception has arrived and
// before the reply is sent, while a --sync server waits for that reply, so with --noise=off
// two runs print the same figures (provided no reply misses the --sync-timeout).
//
// This file: the table of skills, the options, the start spots, the run of the tries.

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/probe/cli.h"
#include "tools/skillprobe/skills.h"

namespace skillprobe {
namespace {

const char* const kProbe = "skillprobe";

const char* const kKickMedians = "ball_m ball_forward_m ball_dir_deg roll_s";
const char* const kSidestepMedians = "forward_m left_m turn_deg";

struct Skill {
    const char* name;
    const char* what;
    Try run;
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
    {"small-kick-left", "the quick push with the left foot", TryKick, "fell", kKickMedians},
    {"small-kick-right", "the quick push with the right foot", TryKick, "fell", kKickMedians},
    {"kick-left", "the kick with the left foot from the walk-ready pose", TryKick, "fell",
     kKickMedians},
    {"kick-right", "the kick with the right foot from the walk-ready pose", TryKick, "fell",
     kKickMedians},
    {"kick-tovk", "the strong kick with the left foot", TryKick, "fell", kKickMedians},
    {"kick-right-tovk", "the strong kick with the right foot", TryKick, "fell", kKickMedians},
    {"kick-left-pelm", "the kick with the left foot from straight legs", TryKick, "fell",
     kKickMedians},
    {"kick-ik", "the scripted kick of the leg solver (once per process: its script never rewinds)",
     TryKick, "fell", kKickMedians},
    {"sidestep-left", "--steps plain side steps of ActionBeamLeft", TrySidestep, "falls",
     kSidestepMedians},
    {"sidestep-right", "--steps plain side steps of ActionBeamRight", TrySidestep, "falls",
     kSidestepMedians},
    {"sidestep-left-circle", "--steps side steps on an arc (ActionBeamLeftCircle)", TrySidestep,
     "falls", kSidestepMedians},
    {"sidestep-right-circle", "--steps side steps on an arc (ActionBeamRightCircle)", TrySidestep,
     "falls", kSidestepMedians},
    {"sidestep-left-rotate", "--steps turning side steps (ActionBeamLeftRotate)", TrySidestep,
     "falls", kSidestepMedians},
    {"sidestep-right-rotate", "--steps turning side steps (ActionBeamRightRotate)", TrySidestep,
     "falls", kSidestepMedians},
    {"long-motion", "one whole performance of the long motion (about 95 s)", TryLongMotion, "fell",
     "fell_at_s min_upz forward_m left_m turn_deg"},
};

const Skill* FindSkill(const std::string& name) {
    for (const Skill& s : kSkills)
        if (name == s.name) return &s;
    return nullptr;
}

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
}  // namespace skillprobe

int main(int argc, char** argv) {
    using namespace skillprobe;
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
    Run run(skill.name, skill.tally, skill.medians);
    for (int k = 0; k < o.repeat; ++k) {
        double x, y;
        Spot(o, k, x, y);
        if (!robot.PlaceAndStand(x, y, o.heading)) return 1;
        TryResult r = skill.run(robot, o);
        if (r.figures.empty()) return 1;  // the connection was lost; said on stderr
        const std::vector<Figure>& figures = run.Add(std::move(r));
        if (!o.json) out << Line(figures) << std::endl;
    }
    if (o.json)
        out << run.Json() << std::endl;
    else
        out << Line(run.Summary()) << std::endl;
    return 0;
}
