// playprobe: the lone striker from kick-off, measured. One whole agent (uniform number 9, team
// Left) runs inside the probe, cycle for cycle as velorunner runs it (parse, analyse, think,
// reply), in a running pitchsim; the trainer kicks off and reports the truth. The probe reads
// the behaviour's state and the stage of the ball play every cycle and prints where the time
// went until the goal (or the time limit): seconds per state and stage, how often each was
// entered, the falls, the distance walked and the time to goal.
//
//   playprobe --port=N --trainer-port=N [--seconds=S] [--kickoff-delay=CYCLES]
//             [--ball-x=M --ball-y=M] [--trace]
//
// Reproducible: the probe joins on the same beat of the server's vision as skillprobe does,
// and all trainer traffic of a cycle happens before the reply that lets a --sync server go on,
// so with --noise=off two runs with the same options print the same figures. The start is
// varied with --kickoff-delay (cycles the robot stands after its beam before the kick-off)
// and the ball's place on the centre spot (--ball-x, --ball-y, metres).

#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>

#include "behavior/naobehavior.h"
#include "behavior/strategy.h"
#include "body/player.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "tools/probe/cli.h"
#include "tools/probe/link.h"
#include "tools/probe/measure.h"
#include "tools/probe/truth.h"
#include "walk/inverse.h"
#include "world/data.h"
#include "world/worldmodel.h"

namespace {

using probe::kCycle;

const char* const kProbe = "playprobe";
const int kUnum = 9;

struct Options {
    int port = 0;
    int trainerPort = 0;
    double seconds = 120;  // after the kick-off
    int kickoffDelay = 0;  // cycles after the robot stands at its kick-off place
    double ballX = 0, ballY = 0;
    bool trace = false;
};

const char* StateName(eState s) {
    switch (s) {
        case S_Judge:
            return "judge";
        case S_Step:
            return "step";
        case S_BackInverseStep:
            return "step-back";
        case S_InverseStepEnd:
            return "step-end";
        case S_InverseRoatate:
            return "turn";
        case S_InverseRoatateEnd:
            return "turn-end";
        case S_InverseBeamCircle:
            return "circle";
        case S_HeadRotate:
            return "head-scan";
        case S_Origin:
            return "origin";
        case S_NON1:
            return "relocalise-stand";
        case S_GYRRotateHead:
            return "relocalise-scan";
        case S_StandUpForward:
            return "getup-front";
        case S_StandUpBack:
            return "getup-back";
        case S_Stumble_Left:
            return "stumble-left";
        case S_Stumble_Right:
            return "stumble-right";
        default:
            return "other";
    }
}

const char* StageName(Strategy::BallPlayStage s) {
    switch (s) {
        case Strategy::kApproach:
            return "approach";
        case Strategy::kLineUp:
            return "line-up";
        case Strategy::kPush:
            return "push";
    }
    return "?";
}

// Seconds spent and episodes begun in one (state, stage) pair.
struct Budget {
    int cycles = 0;
    int episodes = 0;
};

bool Fail(const std::string& text) {
    return probe::Fail(kProbe, text);
}

bool ReadNumber(const std::string& arg, const std::string& value, double low, double high,
                double& out) {
    return probe::ParseOptionNumber(value, low, high, out) || Fail("bad value in " + arg);
}

void Usage(std::ostream& out) {
    out << "usage: playprobe --port=N --trainer-port=N [--seconds=S] [--kickoff-delay=CYCLES]\n"
           "                 [--ball-x=M --ball-y=M] [--trace]\n"
           "Runs the agent as number 9 of team Left alone from kick-off in a running pitchsim\n"
           "(start it with --sync --auto-kickoff=0) until a goal or S seconds of simulated time\n"
           "after the kick-off (default 120), and prints where the time went: seconds per\n"
           "behaviour state and stage of the ball play, episodes of each, falls, distance\n"
           "walked and time to goal. --kickoff-delay: cycles between the robot standing at its\n"
           "place and the kick-off (default 0); --ball-x, --ball-y: the ball's place at the\n"
           "kick-off (default the centre spot, within 0.2 m). --trace: one line per cycle from\n"
           "the kick-off: seconds, state, stage, the robot's true position and heading, the\n"
           "ball's true position, the ball's distance and bearing as the agent sees them, the\n"
           "walking command (forward m, side m, turn deg), fallen, the gait's step.cycle and\n"
           "the agent's own position and heading.\n";
}

// 0: go on, 1: --help, 2: bad command line.
int ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") return 1;
        if (arg == "--trace") {
            o.trace = true;
            continue;
        }
        const size_t eq = arg.find('=');
        if (eq == std::string::npos) return Fail("unknown option " + arg) ? 0 : 2;
        const std::string name = arg.substr(0, eq), value = arg.substr(eq + 1);
        double v = 0;
        bool ok = true;
        if (name == "--port" || name == "--trainer-port") {
            ok = ReadNumber(arg, value, 1, 65535, v);
            (name == "--port" ? o.port : o.trainerPort) = static_cast<int>(v);
        } else if (name == "--seconds") {
            ok = ReadNumber(arg, value, 1, 3600, o.seconds);
        } else if (name == "--kickoff-delay") {
            ok = ReadNumber(arg, value, 0, 10000, v);
            o.kickoffDelay = static_cast<int>(v);
        } else if (name == "--ball-x") {
            ok = ReadNumber(arg, value, -0.2, 0.2, o.ballX);
        } else if (name == "--ball-y") {
            ok = ReadNumber(arg, value, -0.2, 0.2, o.ballY);
        } else {
            ok = Fail("unknown option " + arg);
        }
        if (!ok) return 2;
    }
    if (o.port == 0 || o.trainerPort == 0)
        return Fail("--port and --trainer-port are needed") ? 0 : 2;
    return 0;
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
    // The figures alone on standard output: the agent's own progress lines go to stderr.
    std::ostream out(probe::TakeStandardOutput());

    probe::PitchLink pitch(kProbe);
    if (!pitch.Connect(o.port, o.trainerPort)) return Fail("cannot connect to pitchsim") ? 0 : 1;
    // Joins on the same beat of the vision as skillprobe does.
    pitch.WaitForBeat();

    DATA::Unum = std::to_string(kUnum);
    NaoBehavior behavior(DATA::Unum);
    Player player(DATA::Unum);
    MsgParse parser;
    WorldModel world;
    pitch.Send(player.Init());
    DATA::SetPlayerLocation();

    std::map<std::string, Budget> budget;
    std::map<std::string, int> events;
    std::string previous;
    Strategy::BallPlayStage lastStage = Strategy::kApproach;
    eState lastState = S_NON;
    int standing = 0;       // cycles at the kick-off place before the kick-off
    double kickoff = -1;    // simulated time of the kick-off
    double goalAfter = -1;  // s from the kick-off
    int falls = 0;
    bool lying = false;
    double walked = 0, lastX = NAN, lastY = NAN, lastSample = -1;
    double farthest = -INFINITY;

    for (std::string msg;;) {
        if (!pitch.Receive(msg)) return 1;
        parser.PareseMsg(msg, player, world);
        player.DataAnalyse(world);
        WorldModel worldCopy(world);
        Player playerCopy(player);
        const std::string reply = behavior.Think(msg, std::move(playerCopy), std::move(worldCopy));
        ++WorldModel::circleCount;
        const probe::Truth t = probe::ParseState(pitch.Trainer("(getState)"), kUnum);
        if (kickoff < 0) {
            // Beamed to the kick-off place (the robot joins on the touch line).
            standing = t.found && t.y > -7.3 ? standing + 1 : 0;
            if (standing > 25 + o.kickoffDelay) {
                char place[96];
                std::snprintf(place, sizeof place, "(ball (pos %.4f %.4f 0.042) (vel 0 0 0))",
                              o.ballX, o.ballY);
                pitch.Trainer(place);
                pitch.Trainer("(kickOff Left)");
                kickoff = t.time;
                if (o.trace) out << "kick-off at " << kickoff << " s\n";
            }
        } else {
            const double since = t.time - kickoff;
            const eState s = NaoBehavior::mState;
            const Strategy::BallPlayStage stage = Strategy::Stage();
            const std::string key = std::string(StateName(s)) + " / " + StageName(stage);
            Budget& b = budget[key];
            ++b.cycles;
            if (key != previous) ++b.episodes;
            previous = key;
            if (stage != lastStage)
                ++events[std::string(StageName(lastStage)) + " -> " + StageName(stage)];
            if (s != lastState && s == S_HeadRotate) ++events["head scan begun"];
            lastStage = stage;
            lastState = s;
            if (t.fallen && !lying) ++falls;
            lying = t.fallen;
            farthest = std::max(farthest, t.ballX);
            // The torso's path over the ground in one-second steps while upright.
            if (since - lastSample >= 1.0 - 1e-6) {
                if (!t.fallen && std::isfinite(lastX))
                    walked += std::hypot(t.x - lastX, t.y - lastY);
                lastX = t.x;
                lastY = t.y;
                lastSample = since;
            }
            if (o.trace) {
                char line[400];
                std::snprintf(
                    line, sizeof line,
                    "%.2f %s %s pos %.3f %.3f head %.1f ball %.3f %.3f seen %.3f %.1f cmd %.3f "
                    "%.3f %.1f fallen %d step %d.%d self %.3f %.3f %.1f\n",
                    since, StateName(s), StageName(stage), t.x, t.y, t.heading, t.ballX, t.ballY,
                    player.mBallToTorse.distance, player.mBallToTorse.angle, Inverse::goalDistance,
                    Inverse::BeamDistance, Inverse::rotateAngle, t.fallen ? 1 : 0,
                    Inverse::stepCount, Inverse::oneStepCount, player.torseLocation.x,
                    player.torseLocation.y, player.angleTorseToGlobal);
                out << line;
            }
            if (t.scoreLeft >= 1) {
                goalAfter = since;
                pitch.Reply(reply);
                break;
            }
            if (since >= o.seconds) {
                pitch.Reply(reply);
                break;
            }
        }
        pitch.Reply(reply);
    }

    const double total = goalAfter >= 0 ? goalAfter : o.seconds;
    out << "state / stage                      seconds  share  episodes  mean_s\n";
    for (const auto& [key, b] : budget) {
        const double s = b.cycles * kCycle;
        char line[160];
        std::snprintf(line, sizeof line, "%-32s %9.2f %5.1f%% %9d %7.2f\n", key.c_str(), s,
                      100 * s / total, b.episodes, s / b.episodes);
        out << line;
    }
    for (const auto& [what, count] : events) out << "event " << what << ": " << count << "\n";
    char summary[200];
    std::snprintf(summary, sizeof summary,
                  "goal=%d time_to_goal_s=%.2f falls=%d walked_m=%.1f ball_farthest_x=%.2f\n",
                  goalAfter >= 0 ? 1 : 0, goalAfter >= 0 ? goalAfter : NAN, falls, walked,
                  farthest);
    out << summary;
    return 0;
}
