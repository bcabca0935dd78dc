// One robot driven by the agent's own parts against pitchsim:
//   Robot  connecting and joining, one cycle, holding still, placing and knocking it over,
//          the agent's own view, the per-cycle line
//   Lying  how it lies

#include "tools/probe/robot.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "behavior/strategy.h"
#include "motion/keyframe.h"
#include "net/mytime.h"
#include "tools/probe/measure.h"
#include "world/operatematrix.h"

namespace probe {

using keyframe::kOriginPose;

Robot::Robot(const RobotSetup& setup)
    : setup_(setup), link_(setup.probe), body_(std::to_string(setup.unum)) {}

void Robot::Say(const std::string& text) const {
    std::cerr << setup_.probe << ": " << text;
}

bool Robot::Connect() {
    if (link_.Connect(setup_.port, setup_.trainerPort)) return true;
    Say("cannot connect to 127.0.0.1:" + std::to_string(setup_.port) + " / " +
        std::to_string(setup_.trainerPort) + "\n");
    return false;
}

bool Robot::Join() {
    link_.WaitForBeat();
    link_.Send(body_.Init());
    if (!Perceive(false)) return false;
    Reply("(init (unum " + std::to_string(setup_.unum) + ")(teamname SkillProbe))");
    // At least five idle cycles, and on until the next perception is a vision cycle's: the
    // server seats a robot once its room is built, a cycle or a few after the scene, and every
    // run must start on the same beat to give the same figures.
    for (int idle = 0;; ++idle) {
        if (!Perceive(false)) return false;
        Reply("");
        if (idle >= 4 && std::lround(MyTime::totalTime / kCycle) % 3 == 1) break;
    }
    if (!Perceive()) return false;
    if (Trainer("(playMode PlayOn)") != "(ok)") return false;
    Hold();
    return true;
}

bool Robot::Perceive(bool withTruth) {
    std::string msg;
    if (!link_.Receive(msg)) return false;
    parser_.PareseMsg(msg, body_, world_);
    body_.DataAnalyse(world_);
    action.SetPlayerInfo(body_, world_);
    if (!withTruth) return true;
    std::string reply = Trainer("(getState)");
    truth_ = ParseState(reply, setup_.unum);
    if (!truth_.found) {
        Say("the trainer does not report the robot: " + reply + "\n");
        return false;
    }
    return true;
}

void Robot::Hold() {
    std::stringstream ss;
    int counter = 0;
    action.ActionState(0, 0, ss, NaoAction::KeyframePose{}, counter, 1.0);
    Reply(ss.str());
}

std::string Robot::Agent() const {
    return "(agent (team Left) (unum " + std::to_string(setup_.unum);
}

bool Robot::PlaceAndStand(double x, double y, double heading) {
    spotX_ = x;
    spotY_ = y;
    spotHeading_ = heading;
    if (!Perceive()) return false;
    std::ostringstream place;
    place << Agent() << ") (pos " << x << " " << y << " 0.39) (rot " << heading << "))";
    const std::string reply = Trainer(place.str());
    if (reply != "(ok)") {
        Say("the trainer refused the placement: " + reply + "\n");
        return false;
    }
    Hold();
    OperateMatrix().SetNormalMatrix(body_.RGYRMatrix_Torse.Get());
    action = NaoAction();
    int counter = 0, still = 0;
    Truth last = truth_;
    for (int cycle = 0; cycle < 400; ++cycle) {
        if (!Perceive()) return false;
        std::stringstream ss;
        action.ActionState(0, 0, ss, kOriginPose, counter, 40);
        Reply(ss.str());
        PrintCycle(cycle, "settling");
        ++counter;
        if (truth_.fallen) {
            Say("the robot fell while standing up\n");
            return false;
        }
        double moved =
            std::hypot(std::hypot(truth_.x - last.x, truth_.y - last.y), truth_.z - last.z);
        still = moved < 0.0003 && truth_.upz > 0.99 ? still + 1 : 0;
        last = truth_;
        if (cycle > 60 && still >= 25) break;
    }
    // Every joint stopped for three cycles, as the behaviour does before it decides.
    for (int cycle = 0; cycle < 3; ++cycle) {
        if (!Perceive()) return false;
        Hold();
    }
    action.SetTempAngleChangleInit();
    return true;
}

bool Robot::Knock(const char* way, double radPerSec) {
    std::ostringstream knock;
    knock << Agent() << ") (knock " << way;
    if (radPerSec > 0) knock << " " << radPerSec;
    knock << "))";
    const std::string reply = Trainer(knock.str());
    if (reply == "(ok)") return true;
    Say("the trainer refused the knock: " + reply + "\n");
    return false;
}

eState Robot::Recovery() {
    return Strategy(body_, world_).JudgeStumble();
}

void Robot::PrintCycle(int cycle, const char* what) {
    if (!setup_.verbose) return;
    std::printf(
        "cycle %4d %-14s pos %7.3f %7.3f %5.3f heading %7.2f upz %6.3f fwdz %6.3f leftz "
        "%6.3f\n",
        cycle, what, truth_.x, truth_.y, truth_.z, truth_.heading, truth_.upz, ForwardZ(), LeftZ());
}

std::string Lying(Robot& robot) {
    const Truth& t = robot.Now();
    if (t.upz > 0.9 && !t.fallen) return "upright";
    if (t.upz > 0.5) return "sitting";
    if (robot.ForwardZ() < -0.5) return "face-down";
    if (robot.ForwardZ() > 0.5) return "back";
    return "side";
}

}  // namespace probe
