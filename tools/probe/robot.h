#ifndef TOOLS_PROBE_ROBOT_H
#define TOOLS_PROBE_ROBOT_H

// One robot driven by the agent's own parser, body analysis and motion library (no strategy),
// and the truth about it:
//   RobotSetup  where it plays and how much it says
//   Robot       connecting, joining, one cycle (Perceive, trainer commands, Reply), holding
//               still, placing and knocking it over through the trainer, the agent's own view
//   Lying       how it lies, by the agent's own orientation and the truth

#include <string>

#include "behavior/naobehavior.h"
#include "body/player.h"
#include "motion/naoaction.h"
#include "perception/msgparse.h"
#include "tools/probe/link.h"
#include "tools/probe/truth.h"
#include "world/worldmodel.h"

namespace probe {

struct RobotSetup {
    std::string probe;  // names the program in what it writes to stderr
    int port = 3100;
    int trainerPort = 3200;
    int unum = 1;          // of team Left
    bool verbose = false;  // PrintCycle prints
};

// One robot of team Left, seen through the agent's own perception and the trainer's truth.
// A cycle is Perceive() (this cycle's perception and truth), then any trainer commands, then
// Reply().
class Robot {
  public:
    explicit Robot(const RobotSetup& setup);

    bool Connect();

    // Announces the robot on the beat of the vision (PitchLink::WaitForBeat) and starts play.
    bool Join();

    // Reads one perception into the body state and the world model, analyses it and reads
    // the truth of the same cycle (unless withTruth is false: not yet announced).
    bool Perceive(bool withTruth = true);

    // The answer to this cycle's perception; its (syn) lets a synced server go on.
    void Reply(const std::string& text) { link_.Reply(text); }

    // Stops every joint where the increment under way takes it, and leaves the keyframe
    // engine between keyframes.
    void Hold();

    std::string Trainer(const std::string& command) { return link_.Trainer(command); }

    // Places the robot upright at (x, y) facing heading and holds the origin pose until its
    // torso has stood still for half a second (at most 8 s); the agent's gyro-integrated
    // orientation starts over, as after a beam. False when it fell.
    bool PlaceAndStand(double x, double y, double heading);

    // Places the robot again where the last PlaceAndStand put it.
    bool StandAgain() { return PlaceAndStand(spotX_, spotY_, spotHeading_); }

    // Tips the robot over by physics (in the cycle being answered).
    bool Knock(const char* way, double radPerSec);

    const Truth& Now() const { return truth_; }
    Player& Body() { return body_; }

    // The recovery the agent's own fall detection asks for (0 while it believes it is up).
    eState Recovery();

    // Third row of the gyro-integrated torso rotation: z of the forward and left axes.
    double ForwardZ() { return body_.RGYRMatrix_Torse.Get()[2][0]; }
    double LeftZ() { return body_.RGYRMatrix_Torse.Get()[2][1]; }

    // With verbose, one line of the truth and the agent's orientation on standard output.
    void PrintCycle(int cycle, const char* what);

    NaoAction action;

  private:
    std::string Agent() const;
    void Say(const std::string& text) const;

    const RobotSetup setup_;
    PitchLink link_;
    Player body_;
    WorldModel world_;
    MsgParse parser_;
    Truth truth_;
    double spotX_ = 0, spotY_ = 0, spotHeading_ = 0;
};

// "upright", "sitting", "face-down", "back" or "side".
std::string Lying(Robot& robot);

}  // namespace probe

#endif
