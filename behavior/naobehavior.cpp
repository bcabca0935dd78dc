#include "behavior/naobehavior.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <utility>

#include "behavior/strategy.h"
#include "motion/naoaction.h"
#include "net/mytime.h"
#include "walk/inverseaction.h"
#include "world/data.h"

eState NaoBehavior::mState = S_NON;

namespace {

int waitCount = 40;       // length of the S_Wait hold, cycles
int Non1Cirecle = 1;      // extra wait cycles for the left arm, computed in S_Wait
bool changeTest = false;  // once set, S_Origin hands over to S_Test instead of S_Judge

using Pose = NaoAction::KeyframePose;

// Fixed poses, degrees, keyframe order: head1, head2, arml1, armr1, arml2, armr2, arml3, armr3,
// arml4, armr4, legl1, legr1, legl2, legr2, legl3, legr3, legl4, legr4, legl5, legr5, legl6,
// legr6. An exact 0 holds a joint where it is, so a wanted zero is written as a tiny value.
// clang-format off
const Pose kOriginPose = {
    -30, 0.001, 120, 120, 20, -20, -80, 80, -80, 80,
    -0.001, -0.001, -0.001, 0.001, -24.5, -24.5, 77, 77, -52.49, -52.49, -0.0001, -0.001};
const Pose kNeutralPose = {
    -30.0001, 0.0001, 0.0001, 0.0001, 0.0001, -0.0001, -0.0001, 0.0001, -0.0001, 0.0001,
    -0.0001, -0.0001, 0.0001, 0.0001, -0.0001, -0.0001, 0.0001, 0.0001, -0.0001, -0.0001,
    0.0001, 0.001};
const Pose kWalkReadyPose = {
    0, 0, 120, 120, 20, -20, -80, 80, -80, 80,
    0.001, 0.001, 0.001, 0.001, -30, -30, 60, 60, -30, -30, 0.0001, 0.001};
const Pose kKeeperDownPose = {
    0.0001, 0.0001, 90, 90, 0.0001, -0.0001, -90, 90, -0.0001, 0.0001,
    0.001, 0.001, 0.001, 0.001, -0.0001, -0.0001, 0.0001, 0.0001, -0.0001, -0.0001,
    0.0001, 0.001};
// clang-format on
const int kHeadYaw = 1;  // index of head2 in a pose

// Kick-off places (field frame, metres) of the formation entries that play may move.
struct FormationPlace {
    int entry;
    float x, y;
};
const FormationPlace kFormationStart[] = {
    {2, -5.5f, 2},    {3, -5.5f, 0}, {4, -5.5f, -2},
    {5, -7.5f, 1.5f}, {6, -7.5f, 0}, {7, -7.5f, -1.5f},
};

// Beam places for uniform numbers that have no entry in the 9-entry formation table (the
// server may hand out 10 or 11, and 0 stands for "not assigned yet"). Each gets its own spot in
// the own half on the centre line of the field's length, clear of the centre circle and of
// every kick-off place of the table.
struct BeamPlace {
    float x, y;
};
const BeamPlace kSpareBeamPlaces[3] = {{-3, 0}, {-3.75f, 0}, {-4.5f, 0}};

bool IsGameStopped(const std::string& mode) {
    return mode == "BeforeKickOff" || mode.compare(0, 4, "Goal") == 0;
}

// The mode names one side when one of the spellings appears within its first 101 characters.
bool ModeNames(const std::string& mode, const char* lower, const char* title, const char* upper) {
    for (const char* word : {title, upper, lower}) {
        const std::string::size_type pos = mode.find(word);
        if (pos != std::string::npos && pos <= 100) return true;
    }
    return false;
}

bool IsKickOffTaker(const WorldModel& world) {
    if (DATA::Unum != "9") return false;
    const std::string& mode = world.sMatchState;
    const std::string& side = DATA::TeamSide;
    return (mode == "BeforeKickOff" && side == "left" && world.mTime != 200) ||
           (mode == "Goal_Left" && side == "right") || (mode == "Goal_Right" && side == "left");
}

// Longest stretch of the S_Wait hold for a slow shoulder, cycles. A shoulder that barely moves
// (or reports nonsense) would otherwise keep the robot standing silently for good.
const int kMaxWaitStretch = 50;

}  // namespace

int UnumNumber() {
    errno = 0;
    const long n = std::strtol(DATA::Unum.c_str(), nullptr, 10);
    if (errno == ERANGE || n > INT_MAX || n < INT_MIN) return 0;
    return static_cast<int>(n);
}

std::string BeamCommand(const WorldModel& world) {
    if (IsKickOffTaker(world)) return "(beam -0.18 0.20 -0)";
    const int n = UnumNumber();
    float x, y;
    if (n >= 1 && n <= 9) {
        const FlagLocation& place = DATA::playerGroup[9 - n].location;
        x = place.x;
        y = place.y;
    } else {
        const BeamPlace& spare = kSpareBeamPlaces[n == 10 ? 1 : n >= 11 ? 2 : 0];
        x = spare.x;
        y = spare.y;
    }
    std::stringstream ss;
    ss << "(beam " << x << " " << y << " -0)";
    return ss.str();
}

void ResetFormation() {
    for (int i = 0; i < 9; ++i) DATA::playerGroup[i].num = i + 1;
    for (const FormationPlace& place : kFormationStart) {
        FlagLocation& location = DATA::playerGroup[place.entry].location;
        location.x = place.x;
        location.y = place.y;
    }
}

bool SaySlot(double t, int& slot) {
    if (!std::isfinite(t)) return false;
    // Computed in double so that no server time can overflow an int on the way.
    const double hundredths = std::trunc((t + 0.005) * 100);
    const double quarter = std::trunc(hundredths / 4);
    slot = static_cast<int>(std::fmod(quarter, 10));
    return true;
}

NaoBehavior::NaoBehavior(std::string unumText)
    : mInit(false),
      unum(std::move(unumText)),
      mCounter(0),
      mOriginCount(20),
      pAction(new NaoAction()),
      myTempState(S_Judge) {
    mState = S_NON;
}

NaoBehavior::~NaoBehavior() = default;

std::string NaoBehavior::Think(std::string /*msg*/, Player player, WorldModel world) {
    if (!mInit) {
        mInit = true;
        return InitMessage();
    }
    std::stringstream ss;
    Strategy strategy(player, world);
    pAction->SetPlayerInfo(player, world);
    ApplyGameStateGate(world);
    JudgeGyroDoubt(player, world);
    RunState(ss, strategy, player, world);
    ++mCounter;
    AppendSay(ss, player);
    return ss.str();
}

std::string NaoBehavior::InitMessage() const {
    return "(init (unum " + unum + ")(teamname " + DATA::TeamName + "))";
}

void NaoBehavior::ApplyGameStateGate(const WorldModel& world) {
    const std::string& mode = world.sMatchState;
    if (IsGameStopped(mode)) {
        if (mState != S_Beam) mState = S_NON;
        return;
    }
    if (mode == "PlayOn") return;
    const std::string& side = DATA::TeamSide;
    bool otherSideNamed = false;
    if (side == "left") {
        otherSideNamed = ModeNames(mode, "right", "Right", "RIGHT");
    } else if (side == "right") {
        otherSideNamed = ModeNames(mode, "left", "Left", "LEFT");
    }
    // The other team's set piece stops a running step sequence.
    if (otherSideNamed && mState == S_Step) mState = S_Origin;
}

void NaoBehavior::JudgeGyroDoubt(Player& player, const WorldModel& world) {
    if (!player.IsBound() || Player::s_ISErrorGYR) return;
    // While the game is stopped the robot is beamed about, so jumps are expected.
    if (IsGameStopped(world.sMatchState)) return;
    Player::s_ISErrorGYR = true;
}

void NaoBehavior::AppendSay(std::stringstream& ss, const Player& player) const {
    int slot = 0;
    if (!SaySlot(MyTime::totalTime, slot) || slot != UnumNumber() - 1) return;
    const double x = player.torseLocation.x;
    const double y = player.torseLocation.y;
    // A position that is not a number is not worth telling the team.
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    const float saidX = static_cast<float>(std::trunc(x * 100) / 100);
    const float saidY = static_cast<float>(std::trunc(y * 100) / 100);
    ss << "(say " << DATA::hearMsgKey << DATA::Unum << saidX << "y" << saidY << ")";
}

void NaoBehavior::HoldPose(std::stringstream& ss, const Pose& pose, eState next, int period) {
    mState = static_cast<eState>(pAction->ActionState(mState, next, ss, pose, mCounter, period));
}

void NaoBehavior::FinishMotion(bool finished, eState next) {
    if (finished) mState = next;
}

void NaoBehavior::FinishRotatingSidestep(bool finished, Strategy& strategy) {
    if (!finished) return;
    // The strategy is asked as after the other sidesteps, but the robot first settles in the
    // origin pose.
    strategy.JudgeState_B();
    mState = S_Origin;
    mOriginCount = 20;
}

void NaoBehavior::RunState(std::stringstream& ss, Strategy& strategy, Player& player,
                           WorldModel& world) {
    NaoAction& action = *pAction;
    switch (mState) {
        case S_Beam:
            StepBeam(ss, player, world);
            break;
        case S_Wait:
            StepWait(ss);
            break;
        case S_SwingLeft:
            StepSwing(ss, "S_SwingLeft", "(he1 -30)", S_SwingRight);
            break;
        case S_SwingRight:
            StepSwing(ss, "S_SwingRight", "(he1 30)", S_SwingLeft);
            break;
        case S_Walk:
            FinishMotion(action.ActionWalk(ss, mCounter), S_Origin);
            break;
        case S_Origin:
            StepOrigin(ss);
            break;
        case S_OriginWalk:
            HoldPose(ss, kWalkReadyPose, S_Judge, 10);
            break;
        case S_Judge:
            StepJudge(ss, strategy);
            break;
        case S_Step:
        case S_BackInverseStep:
            StepGait(ss, strategy);
            break;
        case S_BackStep:
            FinishMotion(action.ActionBackStep(ss, mCounter, 0), S_BackStep);
            break;
        case S_StepFast:
            FinishMotion(action.ActionStepFast(ss, mCounter, 0), S_StepFast);
            break;
        case S_NON:
            HoldPose(ss, kNeutralPose, S_Beam, 20);
            break;
        case S_TurnRight:
            FinishMotion(action.ActionTurnRight(ss, mCounter), S_Origin);
            break;
        case S_TurnLeft:
            FinishMotion(action.ActionTurnLeft(ss, mCounter), S_Origin);
            break;
        case S_TurnRight_30:
            if (action.ActionTurnRight_30(ss, mCounter)) {
                mState = S_Origin;
                mOriginCount = 30;
            }
            break;
        case S_TurnLeft_30:
            if (action.ActionTurnLeft_30(ss, mCounter)) {
                mState = S_Origin;
                mOriginCount = 30;
            }
            break;
        case S_KickRight:
            FinishMotion(action.ActionKickRight(ss, mCounter), S_Origin);
            break;
        case S_KickLeft:
            FinishMotion(action.ActionKickLeft(ss, mCounter), S_Origin);
            break;
        case S_BeamLeft:
            if (action.ActionBeamLeft(ss, mCounter)) mState = strategy.JudgeState_B();
            break;
        case S_BeamRight:
            if (action.ActionBeamRight(ss, mCounter)) mState = strategy.JudgeState_B();
            break;
        case S_BeamLeftRotate:
            FinishRotatingSidestep(action.ActionBeamLeftRotate(ss, mCounter), strategy);
            break;
        case S_BeamRightRotate:
            FinishRotatingSidestep(action.ActionBeamRightRotate(ss, mCounter), strategy);
            break;
        case S_BeamLeftCircle:
            if (action.ActionBeamLeftCircle(ss, mCounter)) mState = strategy.JudgeState_B();
            break;
        case S_BeamRightCircle:
            if (action.ActionBeamRightCircle(ss, mCounter)) mState = strategy.JudgeState_B();
            break;
        case S_SmallKickRight:
            FinishMotion(action.ActionSmallKickRight(ss, mCounter), S_Judge);
            break;
        case S_SmallKickLeft:
            FinishMotion(action.ActionSmallKickLeft(ss, mCounter), S_Judge);
            break;
        case S_InverseStep:
            FinishMotion(action.ActionInverseStep(ss, mCounter), S_NON);
            break;
        case S_InverseStepEnd:
        case S_InverseRoatateEnd:
            if (action.ActionInverseStepAIEnd(ss, mCounter)) mState = strategy.JudgeState_B();
            break;
        case S_InverseRoatate:
            StepInverseRotate(ss, strategy);
            break;
        case S_InverseBeamCircle:
            if (action.ActionInverseBeamCircle(ss, mCounter)) mState = strategy.JudgeState_B();
            break;
        case S_HeadRotate:
            StepHeadRotate(ss, strategy, player, world);
            break;
        case S_KickTOVK:
            FinishMotion(action.ActionKickTOVK(ss, mCounter), S_NON);
            break;
        case S_KickLeftPelm:
            FinishMotion(action.ActionKickLeftPelm(ss, mCounter), S_NON);
            break;
        case S_QawTOVK:
            // The performance repeats for as long as the state lasts.
            FinishMotion(action.ActionQawTOVK(ss, mCounter), S_QawTOVK);
            break;
        case S_Test:
            if (action.ActionTurnLeft(ss, mCounter)) {
                mState = S_Origin;
                changeTest = true;
            }
            break;
        case S_KickRightTOVK:
            FinishMotion(action.ActionRightKickTOVK(ss, mCounter), S_NON);
            break;
        case S_StandUpForward:
            if (action.ActionStandFaceFloor(ss, mCounter)) {
                mState = S_Origin;
                mOriginCount = 10;
            }
            break;
        case S_StandUpBack:
            if (action.ActionStandFaceSky(ss, mCounter)) {
                mState = S_Origin;
                mOriginCount = 10;
            }
            break;
        case S_Stumble_Left:
            FinishMotion(action.ActionStumble_Left(ss, mCounter), S_Judge);
            break;
        case S_Stumble_Right:
            FinishMotion(action.ActionStumble_Right(ss, mCounter), S_Judge);
            break;
        case S_KeeperCatch:
            FinishMotion(action.ActionKeeperCatch(ss, mCounter), S_KeeperToFaceDown);
            break;
        case S_KeeperToFaceDown:
            HoldPose(ss, kKeeperDownPose, S_Judge, 10);
            break;
        case S_NON1:
            HoldPose(ss, kOriginPose, S_GYRRotateHead, 10);
            break;
        case S_GYRRotateHead:
            StepGYRRotateHead(ss, player, world);
            break;
        default:
            // S_Sit, S_FrontCatch, and any value outside the table: nothing is written.
            break;
    }
}

void NaoBehavior::StepBeam(std::stringstream& ss, Player& player, const WorldModel& world) {
    ss << BeamCommand(world);
    ResetFormation();
    // The robot stands upright in its new place: the gyro-integrated orientation starts over.
    // The matrix is shared with the live body state, so the reset outlasts this cycle's copy.
    // Only a stopped game moves the robot: once play has started the server ignores the beam,
    // and a robot knocked over at the kick-off must go on knowing that it lies.
    if (IsGameStopped(world.sMatchState)) myMatrix.SetNormalMatrix(player.RGYRMatrix_Torse.Get());
    pAction->SetTempAngleChangleInit();
    if (mCounter >= 2) {
        mCounter = 0;
        mState = S_Wait;
    }
}

void NaoBehavior::StepWait(std::stringstream& ss) {
    if (mCounter == 40) {
        // Wait on until the left shoulder has reached its origin angle.
        // Any value of -40 or less ends the hold at once; the floor only keeps the sum in range.
        Non1Cirecle =
            std::clamp(pAction->JudgeNonWaitCircle(Player::JID_LARM_1, -120), -40, kMaxWaitStretch);
        waitCount += Non1Cirecle;
        myInverse.SetFootFirst(true, 0.2f);
    }
    if (mCounter <= 40) {
        HoldPose(ss, kOriginPose, S_Judge, waitCount);
    } else if (mCounter == waitCount) {
        mState = S_Judge;
        mCounter = 0;
    }
    if (mState == S_Judge) waitCount = 40;
}

void NaoBehavior::StepSwing(std::stringstream& ss, const char* name, const char* command,
                            eState next) {
    std::cout << name << "\n";
    if (mCounter < 6) {
        ss << command;
    } else {
        mCounter = 0;
        mState = next;
    }
}

void NaoBehavior::StepOrigin(std::stringstream& ss) {
    myTempState = changeTest ? S_Test : S_Judge;
    const eState before = mState;
    HoldPose(ss, kOriginPose, myTempState, mOriginCount);
    if (mState == before) return;
    mOriginCount = 20;
    // A doubtful gyro orientation sends the robot through the head-scan re-localisation.
    if (Player::s_ISErrorGYR) {
        mCounter = 0;
        mState = S_NON1;
    }
}

void NaoBehavior::StepJudge(std::stringstream& ss, Strategy& strategy) {
    ss << pAction->TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0);
    if (mCounter != 2) return;
    mState = strategy.JudgeState_B();
    mCounter = 0;
    pAction->SetTempAngleChangleInit();
    myInverse.SetFootFirst(true, 0.2f);
    // Mend (the step records were left as they were): the robot stands here with its feet side by
    // side, whatever the gait's last step left in its step records (a turn cut short by a head
    // scan, a walk ended by a fall): the next walk starts from feet side by side, not from a turn
    // the standing pose has long undone.
    Inverse::Slatter = FlagLocation(0, 0.11f, 0);
}

void NaoBehavior::StepGait(std::stringstream& ss, Strategy& strategy) {
    const eState walking = mState;
    // The turn follows the heading source the last decision chose (ball, goal or a point).
    strategy.JudgeInverseStepOffsetAngle();
    if (!pAction->ActionInverseStepAI(ss, mCounter)) return;
    mState = strategy.JudgeState_B();
    InverseAction::tempBool = false;
    // Any other decision first brings the feet together.
    if (mState != walking) {
        mState = S_InverseStepEnd;
        Inverse::initStepCount = Inverse::stepCount;
    }
}

void NaoBehavior::StepInverseRotate(std::stringstream& ss, Strategy& strategy) {
    if (!pAction->ActionInverseRotate(ss, mCounter)) return;
    mState = strategy.JudgeState_B();
    if (mState == S_Step) {
        mState = S_InverseRoatateEnd;
        Inverse::rotateAngle = 0;
    }
}

void NaoBehavior::StepHeadRotate(std::stringstream& ss, Strategy& strategy, Player& player,
                                 const WorldModel& world) {
    float neckAngle = 0;
    const bool found = myHeadVision.GetNeckAngle(player, world, neckAngle);
    Pose scanPose = kOriginPose;
    scanPose[kHeadYaw] = neckAngle;
    HoldPose(ss, scanPose, S_HeadRotate, 4);
    if (found && mCounter % 2 == 0) {
        mState = S_Judge;
        mCounter = 0;
    }
    if (strategy.JudgeStumble() != 0 && mCounter % 2 == 0) mState = strategy.JudgeStumble();
}

void NaoBehavior::StepGYRRotateHead(std::stringstream& ss, Player& player,
                                    const WorldModel& world) {
    if (!pAction->ActionHeadRotate(ss, mCounter)) return;
    // Landmarks recorded during the sweep give the heading back, if the robot stood still.
    if (player.JudgeStable()) {
        GetLocationWithoutGYR(world, player);
        Player::s_ISErrorGYR = false;
    }
    mCounter = 0;
    mState = S_Judge;
}
