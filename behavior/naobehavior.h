#ifndef BEHAVIOR_NAOBEHAVIOR_H
#define BEHAVIOR_NAOBEHAVIOR_H

#include <array>
#include <memory>
#include <sstream>
#include <string>

#include "behavior/headvision.h"
#include "body/player.h"
#include "walk/inverse.h"
#include "world/operatematrix.h"
#include "world/worldmodel.h"

// Behaviour states of the per-cycle state machine; the values are fixed (0 to 47). The int base
// keeps a value outside the table well defined: such a state writes nothing and stays.
enum eState : int {
    S_Beam = 0,
    S_Wait = 1,
    S_Sit = 2,
    S_SwingLeft = 3,
    S_SwingRight = 4,
    S_Walk = 5,
    S_Origin = 6,
    S_OriginWalk = 7,
    S_Judge = 8,
    S_Step = 9,
    S_BackStep = 10,
    S_StepFast = 11,
    S_NON = 12,
    S_TurnRight = 13,
    S_TurnLeft = 14,
    S_TurnRight_30 = 15,
    S_TurnLeft_30 = 16,
    S_KickRight = 17,
    S_KickLeft = 18,
    S_BeamLeft = 19,
    S_BeamRight = 20,
    S_BeamLeftRotate = 21,
    S_BeamRightRotate = 22,
    S_BeamLeftCircle = 23,
    S_BeamRightCircle = 24,
    S_SmallKickRight = 25,
    S_SmallKickLeft = 26,
    S_StandUpForward = 27,
    S_StandUpBack = 28,
    S_Stumble_Left = 29,
    S_Stumble_Right = 30,
    S_FrontCatch = 31,
    S_InverseStep = 32,
    S_InverseStepEnd = 33,
    S_InverseRoatate = 34,
    S_InverseBeamCircle = 35,
    S_HeadRotate = 36,
    S_KickTOVK = 37,
    S_KickLeftPelm = 38,
    S_QawTOVK = 39,
    S_Test = 40,
    S_InverseRoatateEnd = 41,
    S_KickRightTOVK = 42,
    S_KeeperCatch = 43,
    S_KeeperToFaceDown = 44,
    S_NON1 = 45,
    S_GYRRotateHead = 46,
    S_BackInverseStep = 47
};

class NaoAction;
class Strategy;

// The behaviour: once per cycle it decides what the robot does next and returns the whole
// command text of the cycle. A flat state machine over eState; each state holds a fixed pose,
// runs one motion of the motion library or asks the strategy for the next state. Around it,
// Think announces the robot, drives it back to its kick-off place while the game is stopped,
// flags a doubtful gyro orientation and speaks the robot's position in its time slot.
//
// The current state is static: the vision parser reads it to decide whether landmark
// sightings belong to a head sweep.
class NaoBehavior {
  public:
    bool mInit;                          // the init message has been returned
    std::string unum;                    // uniform number as given on the command line
    int mCounter;                        // cycles in the current state or keyframe
    int mOriginCount;                    // length of the next S_Origin hold, cycles
    std::unique_ptr<NaoAction> pAction;  // the motion library, owned
    OperateMatrix myMatrix;
    HeadVision myHeadVision;
    eState myTempState;         // target of the S_Origin hold
    int mNonCounter = 0;        // unused
    std::string temp_change;    // unused
    Inverse myInverse;          // unused
    eState myNonState = S_NON;  // unused

    static eState mState;

    explicit NaoBehavior(std::string unum);
    ~NaoBehavior();
    NaoBehavior(const NaoBehavior&) = delete;
    NaoBehavior& operator=(const NaoBehavior&) = delete;

    // The command text of this cycle (possibly empty). All three arguments are this cycle's
    // copies; the raw message is not read.
    std::string Think(std::string msg, Player player, WorldModel world);

  private:
    std::string InitMessage() const;
    void ApplyGameStateGate(const WorldModel& world);
    void JudgeGyroDoubt(Player& player, const WorldModel& world);
    void RunState(std::stringstream& ss, Strategy& strategy, Player& player, WorldModel& world);
    void AppendSay(std::stringstream& ss, const Player& player) const;

    // States with more than one line of logic.
    void StepBeam(std::stringstream& ss, Player& player, const WorldModel& world);
    void StepWait(std::stringstream& ss);
    void StepSwing(std::stringstream& ss, const char* name, const char* command, eState next);
    void StepOrigin(std::stringstream& ss);
    void StepJudge(std::stringstream& ss, Strategy& strategy);
    // A forward or backward gait step; afterwards the strategy decides again.
    void StepGait(std::stringstream& ss, Strategy& strategy);
    void StepInverseRotate(std::stringstream& ss, Strategy& strategy);
    void StepHeadRotate(std::stringstream& ss, Strategy& strategy, Player& player,
                        const WorldModel& world);
    void StepGYRRotateHead(std::stringstream& ss, Player& player, const WorldModel& world);
    // Holds a fixed pose for `period` cycles, then enters `next`.
    void HoldPose(std::stringstream& ss, const std::array<double, 22>& pose, eState next,
                  int period);
    // Enters `next` when a motion reports that it has finished.
    void FinishMotion(bool finished, eState next);
    // After a rotating sidestep: the strategy is asked, then the origin pose is held.
    void FinishRotatingSidestep(bool finished, Strategy& strategy);
};

// The beam command for the uniform number in DATA::Unum under the given play mode.
std::string BeamCommand(const WorldModel& world);

// Puts the kick-off formation entries that play may have moved back to their start places.
void ResetFormation();

// Slot of the 0.04 s speaking rotation at server time t (seconds): 0 ... 9 for t >= 0. False
// when t is not a finite time.
bool SaySlot(double t, int& slot);

// The uniform number in DATA::Unum as a decimal number (0 when it is none).
int UnumNumber();

#endif
