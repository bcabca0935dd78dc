// walkprobe: walks one robot in a running pitchsim with a fixed walking command and measures,
// through the trainer's (getState), how far, how fast and how straight it went and whether it
// fell. The robot is driven by the agent's own parser, body analysis, gait, leg solver and
// joint command encoder; no strategy.
//
//   walkprobe --port=N --trainer-port=N [--forward=M] [--side=M] [--turn=DEG] [--seconds=S]
//             [--find-ball] [--verbose] [--unum=N] [--start-x=M] [--start-y=M]
//             [--kind=step|rotate|circle] [--stop]
//
// --forward, --side and --turn set Inverse::goalDistance (m per pair of steps),
// Inverse::BeamDistance (m) and Inverse::rotateAngle (degrees); --find-ball sets
// Strategy::findBall (0.2 s steps instead of 0.28 s). --kind chooses the walking action: the
// forward walk (default), the turn on the spot or the walk round the ball. --stop ends the walk
// with the stopping steps 1.5 s before the time is up and stands for the rest. --verbose prints one
// line per walking cycle: truth, torso tilt, foot forces and leg joint tracking. The robot starts
// upright at
// (--start-x, --start-y) of the field frame, facing +x (default (-5, 0)). The last line reads
// "distance_m=... speed_mps=... heading_change_deg=... falls=...".

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <sstream>
#include <string>

#include "behavior/strategy.h"
#include "body/player.h"
#include "motion/naoaction.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"
#include "world/worldmodel.h"

namespace {

const double kPi = 3.14159265358979323846;
const int kStandCycles = 75;  // standing after --stop, 1.5 s

struct Options {
    int port = 3100;
    int trainerPort = 3200;
    int unum = 1;
    float forward = 0.16f;
    float side = 0;
    float turn = 0;
    float seconds = 10;
    float startX = -5;  // field frame, m
    float startY = 0;
    bool findBall = false;
    bool verbose = false;
    std::string kind = "step";  // step, rotate (turn on the spot) or circle (round a ball)
    bool stop = false;          // bring the feet together at the end and stand
};

bool ReadOption(const std::string& arg, const char* name, std::string& value) {
    std::string prefix = std::string("--") + name + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    value = arg.substr(prefix.size());
    return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], v;
        if (ReadOption(arg, "port", v))
            o.port = std::atoi(v.c_str());
        else if (ReadOption(arg, "trainer-port", v))
            o.trainerPort = std::atoi(v.c_str());
        else if (ReadOption(arg, "unum", v))
            o.unum = std::atoi(v.c_str());
        else if (ReadOption(arg, "forward", v))
            o.forward = std::strtof(v.c_str(), nullptr);
        else if (ReadOption(arg, "side", v))
            o.side = std::strtof(v.c_str(), nullptr);
        else if (ReadOption(arg, "turn", v))
            o.turn = std::strtof(v.c_str(), nullptr);
        else if (ReadOption(arg, "start-x", v))
            o.startX = std::strtof(v.c_str(), nullptr);
        else if (ReadOption(arg, "start-y", v))
            o.startY = std::strtof(v.c_str(), nullptr);
        else if (ReadOption(arg, "seconds", v))
            o.seconds = std::strtof(v.c_str(), nullptr);
        else if (ReadOption(arg, "kind", v) && (v == "step" || v == "rotate" || v == "circle"))
            o.kind = v;
        else if (arg == "--stop")
            o.stop = true;
        else if (arg == "--find-ball")
            o.findBall = true;
        else if (arg == "--verbose")
            o.verbose = true;
        else {
            std::cerr << "walkprobe: unknown option " << arg << "\n"
                      << "usage: walkprobe --port=N --trainer-port=N [--forward=M] [--side=M] "
                         "[--turn=DEG] [--seconds=S] [--find-ball] [--verbose] [--unum=N] "
                         "[--start-x=M] [--start-y=M] [--kind=step|rotate|circle] [--stop]\n";
            return false;
        }
    }
    return true;
}

// One length-prefixed TCP connection to 127.0.0.1.
class FramedLink {
  public:
    ~FramedLink() {
        if (fd_ >= 0) close(fd_);
    }

    bool Connect(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        if (fd_ < 0) return false;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }

    bool Send(const std::string& text) {
        uint32_t length = htonl(static_cast<uint32_t>(text.size()));
        std::string frame(reinterpret_cast<const char*>(&length), 4);
        frame += text;
        return WriteAll(frame.data(), frame.size());
    }

    bool Receive(std::string& text) {
        uint32_t length = 0;
        if (!ReadAll(reinterpret_cast<char*>(&length), 4)) return false;
        text.assign(ntohl(length), '\0');
        return ReadAll(&text[0], text.size());
    }

  private:
    bool WriteAll(const char* data, size_t size) {
        while (size > 0) {
            ssize_t n = send(fd_, data, size, MSG_NOSIGNAL);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    bool ReadAll(char* data, size_t size) {
        while (size > 0) {
            ssize_t n = recv(fd_, data, size, 0);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    int fd_ = -1;
};

// The robot as the trainer reports it: field frame, metres, degrees.
struct Truth {
    bool found = false;
    double time = 0;
    double x = 0, y = 0, z = 0;
    double heading = 0;
    double upz = 1;
    bool fallen = false;
};

// Reads the numbers after "(key " within text from position `from`.
bool NumbersAfter(const std::string& text, size_t from, const char* key, double* out, int count) {
    size_t at = text.find(std::string("(") + key + " ", from);
    if (at == std::string::npos) return false;
    std::istringstream in(text.substr(at + std::strlen(key) + 2));
    for (int i = 0; i < count; ++i)
        if (!(in >> out[i])) return false;
    return true;
}

Truth ParseState(const std::string& state, int unum) {
    Truth t;
    NumbersAfter(state, 0, "time", &t.time, 1);
    std::string key = "(robot (team Left) (unum " + std::to_string(unum) + ")";
    size_t at = state.find(key);
    if (at == std::string::npos) return t;
    double pos[3], fallen = 0;
    t.found = NumbersAfter(state, at, "pos", pos, 3) &&
              NumbersAfter(state, at, "heading", &t.heading, 1) &&
              NumbersAfter(state, at, "upz", &t.upz, 1) &&
              NumbersAfter(state, at, "fallen", &fallen, 1);
    t.x = pos[0];
    t.y = pos[1];
    t.z = pos[2];
    t.fallen = fallen != 0;
    return t;
}

double WrapDegrees(double a) {
    while (a > 180) a -= 360;
    while (a <= -180) a += 360;
    return a;
}

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

float Field(const LegInverseAngle& q, int field) {
    const float values[6] = {q.q2, q.q3, q.q4, q.q5, q.q6, q.q7};
    return values[field - 2];
}

// Joint-angle targets (server sign, degrees, JointID order of kLegJoints) of this cycle.
struct LegTargets {
    float angle[12];
};

// The targets that the walking action has just sent, solved again from the gait's state.
LegTargets CurrentTargets(Player& body) {
    Inverse gait;
    FootLocationAndAngle left, right;
    FlagLocation torse;
    gait.GetTorseAndAnkle(left, right, torse);
    LegInverseAngle l = body.InverseFromLeftFootToTorse(left.angle, left.location, torse);
    LegInverseAngle r = body.InverseFromRightFootToTorse(right.angle, right.location, torse);
    LegTargets t;
    for (int i = 0; i < 12; ++i)
        t.angle[i] = kLegJoints[i].sign * Field(kLegJoints[i].left ? l : r, kLegJoints[i].field);
    return t;
}

class Probe {
  public:
    explicit Probe(const Options& o) : options_(o), body_(std::to_string(o.unum)) {}

    int Run() {
        if (!agent_.Connect(options_.port) || !trainer_.Connect(options_.trainerPort)) {
            std::cerr << "walkprobe: cannot connect to 127.0.0.1:" << options_.port << " / "
                      << options_.trainerPort << "\n";
            return 1;
        }
        if (!Join() || !Settle()) return 1;
        return Walk();
    }

  private:
    // Announces the robot, then places it upright (straight legs) in the own half.
    bool Join() {
        agent_.Send(body_.Init());
        if (!NextPerception()) return false;
        agent_.Send("(init (unum " + std::to_string(options_.unum) + ")(teamname WalkProbe))");
        for (int i = 0; i < 5; ++i) {
            if (!NextPerception()) return false;
            agent_.Send("(syn)");
        }
        std::string reply;
        trainer_.Send("(agent (team Left) (unum " + std::to_string(options_.unum) + ") (pos " +
                      std::to_string(options_.startX) + " " + std::to_string(options_.startY) +
                      " 0.39) (rot 0))");
        if (!trainer_.Receive(reply) || reply != "(ok)") {
            std::cerr << "walkprobe: trainer refused the placement: " << reply << "\n";
            return false;
        }
        trainer_.Send("(playMode PlayOn)");
        return trainer_.Receive(reply);
    }

    // Holds the origin pose until the torso has stood still for half a second (at most 8 s),
    // then stops every joint for two cycles as the behaviour does before it walks.
    bool Settle() {
        int counter = 0, still = 0;
        Truth last;
        for (int cycle = 0; cycle < 400; ++cycle) {
            if (!NextPerception()) return false;
            std::stringstream ss;
            action_.ActionState(0, 0, ss, -30, 0.001, 120, 120, 20, -20, -80, 80, -80, 80, -0.001,
                                -0.001, -0.001, 0.001, -24.5, -24.5, 77, 77, -52.49, -52.49,
                                -0.0001, -0.001, counter, 40);
            agent_.Send(ss.str());
            ++counter;
            Truth t = State();
            if (t.fallen) {
                std::cerr << "walkprobe: the robot fell while standing up\n";
                return false;
            }
            double moved = std::hypot(std::hypot(t.x - last.x, t.y - last.y), t.z - last.z);
            still = moved < 0.0003 && t.upz > 0.99 ? still + 1 : 0;
            last = t;
            if (cycle > 60 && still >= 25) break;
        }
        for (int cycle = 0; cycle < 3; ++cycle) {
            if (!NextPerception()) return false;
            agent_.Send(action_.TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                    0, 0, 0, 0, 0, 0));
        }
        action_.SetTempAngleChangleInit();
        Inverse gait;
        gait.SetFootFirst(true, 0.2f);
        return true;
    }

    int Walk() {
        Inverse::goalDistance = options_.forward;
        Inverse::BeamDistance = options_.side;
        Inverse::rotateAngle = options_.turn;
        Strategy::findBall = options_.findBall;

        Truth start = State(), previous = start;
        double turned = 0;
        int falls = 0, counter = 0, steps = 0;
        const int cycles = static_cast<int>(options_.seconds / 0.02 + 0.5);
        std::deque<LegTargets> sent;
        double worstTracking = 0, trackingSum = 0;
        int trackingCount = 0;
        Truth end = start;
        bool stopping = false, stopped = false;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            if (!NextPerception()) break;
            // A command answered to perception k acts from perception k+1 to k+2, so the angles
            // read now answer the targets sent two cycles ago.
            double tracking = 0;
            if (sent.size() == 2) {
                for (int i = 0; i < 12; ++i) {
                    double e = std::fabs(sent.front().angle[i] -
                                         body_.mHingeJointSenseMap[kLegJoints[i].id].angle);
                    tracking = std::max(tracking, e);
                    trackingSum += e * e;
                    ++trackingCount;
                }
                worstTracking = std::max(worstTracking, tracking);
                sent.pop_front();
            }
            std::stringstream ss;
            if (stopping) {
                // Feet together, then stand: the stop the behaviour makes before a new decision.
                if (!stopped && action_.ActionInverseStepAIEnd(ss, counter)) stopped = true;
                if (stopped)
                    ss.str(action_.TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                       0, 0, 0, 0, 0, 0, 0));
            } else {
                const bool stepEnded =
                    options_.kind == "rotate"   ? action_.ActionInverseRotate(ss, counter)
                    : options_.kind == "circle" ? action_.ActionInverseBeamCircle(ss, counter)
                                                : action_.ActionInverseStepAI(ss, counter);
                if (stepEnded) {
                    InverseAction::tempBool = false;  // keep walking without a restart
                    ++steps;
                    if (options_.stop && cycle >= cycles - kStandCycles) {
                        stopping = true;
                        Inverse::initStepCount = Inverse::stepCount;
                    }
                }
            }
            agent_.Send(ss.str());
            ++counter;
            sent.push_back(CurrentTargets(body_));

            Truth t = State();
            turned += WrapDegrees(t.heading - previous.heading);
            if (options_.verbose) PrintCycle(cycle, t, tracking);
            if (t.fallen && !previous.fallen) {
                ++falls;
                ReportFall(cycle, start, t);
            }
            previous = t;
            end = t;
            if (t.fallen) break;
        }
        double distance = std::hypot(end.x - start.x, end.y - start.y);
        double elapsed = end.time - start.time;
        std::cout << "forward_m=" << Along(start, end, 0) << " left_m=" << Along(start, end, 90)
                  << " walked_s=" << elapsed << " step_ends=" << steps
                  << " tracking_max_deg=" << worstTracking << " tracking_rms_deg="
                  << (trackingCount ? std::sqrt(trackingSum / trackingCount) : 0) << "\n";
        std::cout << "distance_m=" << distance
                  << " speed_mps=" << (elapsed > 0 ? distance / elapsed : 0)
                  << " heading_change_deg=" << turned << " falls=" << falls << std::endl;
        return 0;
    }

    // Displacement along the start heading turned by `offset` degrees.
    static double Along(const Truth& start, const Truth& end, double offset) {
        double a = (start.heading + offset) * kPi / 180;
        return (end.x - start.x) * std::cos(a) + (end.y - start.y) * std::sin(a);
    }

    // Torso pitch (+ forward) and roll (+ to the right) from the gyro-integrated orientation.
    void Tilt(double& pitch, double& roll) {
        const Matrix3& R = body_.RGYRMatrix_Torse.Get();
        double up[3] = {R[0][2], R[1][2], R[2][2]};
        double h = std::atan2(R[1][0], R[0][0]);
        double forward = up[0] * std::cos(h) + up[1] * std::sin(h);
        double left = -up[0] * std::sin(h) + up[1] * std::cos(h);
        pitch = std::atan2(forward, up[2]) * 180 / kPi;
        roll = -std::atan2(left, up[2]) * 180 / kPi;
    }

    void PrintCycle(int cycle, const Truth& t, double tracking) {
        double pitch, roll;
        Tilt(pitch, roll);
        std::printf(
            "cycle %4d step %3d.%-2d pos %7.3f %7.3f %5.3f heading %7.2f upz %6.4f pitch %6.2f "
            "roll %6.2f frpL %6.1f frpR %6.1f track %5.2f\n",
            cycle, Inverse::stepCount, Inverse::oneStepCount, t.x, t.y, t.z, t.heading, t.upz,
            pitch, roll, body_.LeftFRP.f.z, body_.RightFRP.f.z, tracking);
    }

    void ReportFall(int cycle, const Truth& start, const Truth& t) {
        double pitch, roll;
        Tilt(pitch, roll);
        std::cout << "fall: after " << cycle * 0.02 << " s of walking, at forward "
                  << Along(start, t, 0) << " m, left " << Along(start, t, 90) << " m; torso pitch "
                  << pitch << " roll " << roll << " deg (gyro), upz " << t.upz << ", torso height "
                  << t.z << " m\n";
    }

    // Reads one perception into the body state and the world model and analyses it.
    bool NextPerception() {
        std::string msg;
        if (!agent_.Receive(msg)) {
            std::cerr << "walkprobe: the server closed the connection\n";
            return false;
        }
        parser_.PareseMsg(msg, body_, world_);
        body_.DataAnalyse(world_);
        action_.SetPlayerInfo(body_, world_);
        return true;
    }

    Truth State() {
        std::string reply;
        trainer_.Send("(getState)");
        trainer_.Receive(reply);
        return ParseState(reply, options_.unum);
    }

    Options options_;
    FramedLink agent_;
    FramedLink trainer_;
    Player body_;
    WorldModel world_;
    MsgParse parser_;
    NaoAction action_;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;
    Probe probe(options);
    return probe.Run();
}
