// Basic locomotion of the motion library (class NaoAction): keyframe tables and motions.
//   ActionWalk          closed seven-keyframe walking cycle
//   ActionStep          four quick keyframes of one step (no caller)
//   ActionStepFast      the same with shorter support phases
//   ActionBackStep      one step backwards
//   ActionTurnLeft, ActionTurnRight, ActionTurnLeft_30, ActionTurnRight_30
//                       turns on the spot, the head brought back towards its origin
//   ActionHeadRotate    a head sweep in the origin pose

#include <array>
#include <iostream>

#include "motion/keyframe.h"
#include "motion/naoaction.h"

using namespace keyframe;

namespace {

// clang-format off
const std::array<Keyframe, 7> kWalk = {{
    {NA::S_UpRightFoot,    10, NA::S_DownRightFoot,
     Pose({{kp::legl3, -30}, {kp::legr3, -45}, {kp::legl4, 60}, {kp::legr4, 90}, {kp::legl5, -30},
           {kp::legr5, -50}})},
    {NA::S_DownRightFoot,  10, NA::S_GravityToRight,
     Pose({{kp::legl3, -30}, {kp::legr3, -45}, {kp::legl4, 60}, {kp::legr4, 45}, {kp::legl5, -30},
           {kp::legr5, 0.01}})},
    {NA::S_GravityToRight, 20, NA::S_CrossLeftFoot,
     Pose({{kp::legl2, 15}, {kp::legr2, 15}, {kp::legl3, 0.01}, {kp::legr3, -30},
           {kp::legl4, 45}, {kp::legr4, 60}, {kp::legl5, -45}, {kp::legr5, -30},
           {kp::legl6, -15}, {kp::legr6, -15}})},
    {NA::S_CrossLeftFoot,  10, NA::S_DownLeftFoot,
     Pose({{kp::legl3, -60}, {kp::legr3, -20}, {kp::legl4, 90}, {kp::legr4, 40}, {kp::legl5, -30},
           {kp::legr5, -20}})},
    {NA::S_DownLeftFoot,   10, NA::S_GravityToLeft,
     Pose({{kp::legl3, -45}, {kp::legr3, -30}, {kp::legl4, 45}, {kp::legr4, 60}, {kp::legl5, 0.01},
           {kp::legr5, -30}})},
    {NA::S_GravityToLeft,  20, NA::S_CrossRightFoot,
     Pose({{kp::legl2, -15}, {kp::legr2, -15}, {kp::legl3, -30}, {kp::legr3, 0.01}, {kp::legl4, 60},
           {kp::legr4, 45}, {kp::legl5, -30}, {kp::legr5, -45}, {kp::legl6, 15}, {kp::legr6, 15}})},
    {NA::S_CrossRightFoot, 10, NA::S_UpRightFoot,
     Pose({{kp::legl3, -20}, {kp::legr3, -60}, {kp::legl4, 40}, {kp::legr4, 90}, {kp::legl5, -20},
           {kp::legr5, -30}})},
}};

// The last row's legl3 is replaced by offset - 40 when the motion runs.
const std::array<Keyframe, 4> kStepFast = {{
    {NA::S_Step_UpRightFootFast,    3, NA::S_Step_DowinRightFootFast,
     Pose({{kp::legl3, -40}, {kp::legr3, -50}, {kp::legl4, 60}, {kp::legr4, 80}, {kp::legl5, -30},
           {kp::legr5, -40}})},
    {NA::S_Step_DowinRightFootFast, 3, NA::S_Step_UpLeftFootFast,
     Pose({{kp::legl3, -30}, {kp::legr3, -40}, {kp::legl4, 60}, {kp::legr4, 50}, {kp::legl5, -40},
           {kp::legr5, -22}})},
    {NA::S_Step_UpLeftFootFast,     3, NA::S_Step_DownLeftFootFast,
     Pose({{kp::legl3, -50}, {kp::legr3, -40}, {kp::legl4, 80}, {kp::legr4, 60}, {kp::legl5, -40},
           {kp::legr5, -30}})},
    {NA::S_Step_DownLeftFootFast,   3, NA::S_Step_UpRightFootFast,
     Pose({{kp::legl3, -40}, {kp::legr3, -30}, {kp::legl4, 50}, {kp::legr4, 60}, {kp::legl5, -22},
           {kp::legr5, -39.9}})},
}};

// The last row's legl3 is replaced by offset - 40 when the motion runs.
const std::array<Keyframe, 4> kStep = {{
    {NA::S_Step_UpRightFoot,    3, NA::S_Step_DowinRightFoot,
     Pose({{kp::legl3, -40}, {kp::legr3, -50}, {kp::legl4, 60}, {kp::legr4, 80}, {kp::legl5, -30},
           {kp::legr5, -40}})},
    {NA::S_Step_DowinRightFoot, 3, NA::S_Step_UpLeftFoot,
     Pose({{kp::legl3, -30}, {kp::legr3, -40}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -40},
           {kp::legr5, -30}})},
    {NA::S_Step_UpLeftFoot,     3, NA::S_Step_DownLeftFoot,
     Pose({{kp::legl3, -50}, {kp::legr3, -40}, {kp::legl4, 80}, {kp::legr4, 60}, {kp::legl5, -40},
           {kp::legr5, -30}})},
    {NA::S_Step_DownLeftFoot,   3, NA::S_Step_UpRightFoot,
     Pose({{kp::legl3, -40}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30.3},
           {kp::legr5, -40.5}})},
}};

// The last row's legl3 is replaced by offset - 15 when the motion runs.
const std::array<Keyframe, 4> kBackStep = {{
    {NA::S_BackStep_UpRightFoot,    3, NA::S_BackStep_DowinRightFoot,
     Pose({{kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 75}, {kp::legl5, -30},
           {kp::legr5, -40}})},
    {NA::S_BackStep_DowinRightFoot, 3, NA::S_BackStep_UpLeftFoot,
     Pose({{kp::legl3, -35.2}, {kp::legr3, -13}, {kp::legl4, 60}, {kp::legr4, 55}, {kp::legl5, -30},
           {kp::legr5, -50}})},
    {NA::S_BackStep_UpLeftFoot,     3, NA::S_BackStep_DownLeftFoot,
     Pose({{kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 75}, {kp::legr4, 60}, {kp::legl5, -40},
           {kp::legr5, -30}})},
    {NA::S_BackStep_DownLeftFoot,   3, NA::S_BackStep_UpRightFoot,
     Pose({{kp::legl3, -15}, {kp::legr3, -35.2}, {kp::legl4, 55}, {kp::legr4, 60}, {kp::legl5, -50},
           {kp::legr5, -30}})},
}};

// The last row's head2 (head yaw) is replaced by the neck angle when the motion runs.
const std::array<Keyframe, 4> kTurnLeft = {{
    {NA::S_TurnLeft_Origin,        2, NA::S_TurnLeft_UpRight, kWalkReadyPose},
    {NA::S_TurnLeft_UpRight,      10, NA::S_TurnLeft_GravityRight,
     Pose({{kp::legl1, -15}, {kp::legl5, -25}, {kp::legr5, -30}})},
    {NA::S_TurnLeft_GravityRight, 20, NA::S_TurnLeft_GetFoot,
     Pose({{kp::legl2, -10}, {kp::legr2, -10}, {kp::legl4, 60}, {kp::legr4, 50}, {kp::legl5, -25},
           {kp::legr5, -25}, {kp::legl6, 15}, {kp::legr6, 10}})},
    {NA::S_TurnLeft_GetFoot,      15, NA::S_TurnLeft_Origin,
     Pose({{kp::legl1, 0.001}, {kp::legr1, 0.001}, {kp::legl4, 60}, {kp::legr4, 60},
           {kp::legl5, -30}, {kp::legr5, -30}})},
}};

// The last row's head2 (head yaw) is replaced by the neck angle when the motion runs.
const std::array<Keyframe, 4> kTurnRight = {{
    {NA::S_TurnRright_Origin,        2, NA::S_TurnRright_UpRight, kWalkReadyPose},
    {NA::S_TurnRright_UpRight,      10, NA::S_TurnRright_GravityRight,
     Pose({{kp::legr1, -15}, {kp::legl5, -30}, {kp::legr5, -25}})},
    {NA::S_TurnRright_GravityRight, 20, NA::S_TurnRright_GetFoot,
     Pose({{kp::legl2, 10}, {kp::legr2, 10}, {kp::legl4, 50}, {kp::legr4, 60}, {kp::legl5, -25},
           {kp::legr5, -25}, {kp::legl6, -10}, {kp::legr6, -15}})},
    {NA::S_TurnRright_GetFoot,      15, NA::S_TurnRright_Origin,
     Pose({{kp::legl1, 0.001}, {kp::legr1, 0.001}, {kp::legl4, 60}, {kp::legr4, 60},
           {kp::legl5, -30}, {kp::legr5, -30}})},
}};

// The last row's head2 (head yaw) is replaced by the neck angle when the motion runs.
const std::array<Keyframe, 7> kTurnLeft_30 = {{
    {NA::S_TurnLeft_Origin_30,         2, NA::S_TurnLeft_GravityRight_30, kWalkReadyPose},
    {NA::S_TurnLeft_GravityRight_30,  10, NA::S_TurnLeft_UpLeft_30,
     Pose({{kp::legl2, 15}, {kp::legr2, 15}, {kp::legl6, -15}, {kp::legr6, -15}})},
    {NA::S_TurnLeft_UpLeft_30,        10, NA::S_TurnLeft_DownLeft_30,
     Pose({{kp::legl1, -60}, {kp::legr1, -0.0001}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 90}, {kp::legr4, 60}})},
    {NA::S_TurnLeft_DownLeft_30,      10, NA::S_TurnLeft_GravityLeft_30,
     Pose({{kp::legl2, 18}, {kp::legr2, 15}, {kp::legl3, -3}, {kp::legr3, -30}, {kp::legl4, 66},
           {kp::legr4, 60}, {kp::legl5, -27}, {kp::legr5, -30}, {kp::legl6, 5}, {kp::legr6, -15}})},
    {NA::S_TurnLeft_GravityLeft_30,   20, NA::S_TurnLeft_GetFoot1_30,
     Pose({{kp::legl2, -15}, {kp::legr2, -15}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30},
           {kp::legr5, -45}, {kp::legl6, 20}, {kp::legr6, 15}})},
    {NA::S_TurnLeft_GetFoot1_30,      15, NA::S_TurnLeft_GetFoot2_30,
     Pose({{kp::legl1, 0.001}, {kp::legr1, 0.001}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30}, {kp::legr5, -30}})},
    {NA::S_TurnLeft_GetFoot2_30,      15, NA::S_TurnLeft_Origin_30,
     Pose({{kp::legl2, 0.001}, {kp::legr2, 0.001}, {kp::legl6, 0.001}, {kp::legr6, 0.001}})},
}};

// The last row's head2 (head yaw) is replaced by the neck angle when the motion runs.
const std::array<Keyframe, 7> kTurnRight_30 = {{
    {NA::S_TurnRright_Origin_30,        2, NA::S_TurnRight_GravityLeft_30, kWalkReadyPose},
    {NA::S_TurnRight_GravityLeft_30,   10, NA::S_TurnRright_UpRight_30,
     Pose({{kp::legl2, -15}, {kp::legr2, -15}, {kp::legl6, 15}, {kp::legr6, 15}})},
    {NA::S_TurnRright_UpRight_30,      10, NA::S_TurnRright_DownRight_30,
     Pose({{kp::legl1, -0.0001}, {kp::legr1, -60}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 60}, {kp::legr4, 90}})},
    {NA::S_TurnRright_DownRight_30,    10, NA::S_TurnRright_GravityRight_30,
     Pose({{kp::legl2, -15}, {kp::legr2, -18}, {kp::legl3, -30}, {kp::legr3, -3}, {kp::legl4, 60},
           {kp::legr4, 66}, {kp::legl5, -30}, {kp::legr5, -27}, {kp::legl6, 15}, {kp::legr6, -5}})},
    {NA::S_TurnRright_GravityRight_30, 20, NA::S_TurnRright_GetFoot1_30,
     Pose({{kp::legl2, 15}, {kp::legr2, 15}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -45},
           {kp::legr5, -30}, {kp::legl6, -15}, {kp::legr6, -20}})},
    {NA::S_TurnRright_GetFoot1_30,     15, NA::S_TurnRright_GetFoot2_30,
     Pose({{kp::legl1, 0.001}, {kp::legr1, 0.001}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30}, {kp::legr5, -30}})},
    {NA::S_TurnRright_GetFoot2_30,     15, NA::S_TurnRright_Origin_30,
     Pose({{kp::legl1, 0.001}, {kp::legr1, 0.001}, {kp::legl2, 0.001}, {kp::legr2, 0.001},
           {kp::legl6, 0.001}, {kp::legr6, 0.001}})},
}};

// A head sweep in the origin pose: only head2 (head yaw) differs between the keyframes.
const std::array<Keyframe, 5> kHeadRotate = {{
    {NA::S_RotateHead1,  2, NA::S_RotateHead2, Pose({{kp::head2, -120.001}}, kOriginPose)},
    {NA::S_RotateHead2, 20, NA::S_RotateHead3, Pose({{kp::head2, -120.001}}, kOriginPose)},
    {NA::S_RotateHead3, 40, NA::S_RotateHead4, Pose({{kp::head2, 120.001}}, kOriginPose)},
    {NA::S_RotateHead4,  2, NA::S_RotateHead5, Pose({{kp::head2, 120.001}}, kOriginPose)},
    {NA::S_RotateHead5, 20, NA::S_RotateHead1, Pose({{kp::head2, 0.001}}, kOriginPose)},
}};
// clang-format on

}  // namespace

bool NaoAction::ActionWalk(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kWalk, mWalkState, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionStep(std::stringstream& ss, int& tempCounter, float offset) {
    std::array<Keyframe, 4> rows = kStep;
    rows[S_Step_DownLeftFoot].pose[kp::legl3] = offset - 40.0f;
    return RunMotion(*this, rows, mStep, ss, tempCounter, UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionStepFast(std::stringstream& ss, int& tempCounter, float offset) {
    std::array<Keyframe, 4> rows = kStepFast;
    rows[S_Step_DownLeftFootFast].pose[kp::legl3] = offset - 40.0f;
    return RunMotion(*this, rows, mStepFast, ss, tempCounter, UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionBackStep(std::stringstream& ss, int& tempCounter, float offset) {
    std::array<Keyframe, 4> rows = kBackStep;
    rows[S_BackStep_DownLeftFoot].pose[kp::legl3] = offset - 15.0f;
    return RunMotion(*this, rows, mBackStep, ss, tempCounter, UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionTurnLeft(std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    myHeadVision.GetNeckToOrigin(myPlayer, myWorldModel, neckAngle);
    std::cout << "ActionTurnLeftActionTurnLeft" << neckAngle << std::endl;
    std::array<Keyframe, 4> rows = kTurnLeft;
    rows[S_TurnLeft_GetFoot].pose[kp::head2] = neckAngle;
    return RunMotion(*this, rows, mTurnLeft, ss, tempCounter, UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionTurnRight(std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    myHeadVision.GetNeckToOrigin(myPlayer, myWorldModel, neckAngle);
    std::cout << "ActionTurnRightActionTurnRight" << neckAngle << std::endl;
    std::array<Keyframe, 4> rows = kTurnRight;
    rows[S_TurnRright_GetFoot].pose[kp::head2] = neckAngle;
    return RunMotion(*this, rows, mTurnRight, ss, tempCounter, UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionTurnLeft_30(std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    myHeadVision.GetNeckToOrigin(myPlayer, myWorldModel, neckAngle);
    std::cout << "ActionTurnLeft_30ActionTurnLeft_30" << neckAngle << std::endl;
    std::array<Keyframe, 7> rows = kTurnLeft_30;
    rows[S_TurnLeft_GetFoot2_30].pose[kp::head2] = neckAngle;
    return RunMotion(*this, rows, mTurnLeft_30, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionTurnRight_30(std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    myHeadVision.GetNeckToOrigin(myPlayer, myWorldModel, neckAngle);
    std::cout << "ActionTurnRight_30ActionTurnRight_30" << neckAngle << std::endl;
    std::array<Keyframe, 7> rows = kTurnRight_30;
    rows[S_TurnRright_GetFoot2_30].pose[kp::head2] = neckAngle;
    return RunMotion(*this, rows, mTurnRight_30, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionHeadRotate(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kHeadRotate, mRotateHead, ss, tempCounter, UnknownPhase::Ignore);
}
