#include "motion/naoaction.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <limits>

#include "motion/keyframe.h"

using namespace keyframe;

namespace {

const int digitBit = 1000;  // velocities are rounded to 1/digitBit rad/s
bool change = true;         // the next keyframe call computes a new command text
bool changePause = true;    // the pausing keyframe loads its pause counter on its next call

// One effector group: its prefix, the joint it drives, the keyframe parameter that holds the
// joint's target and the sign that turns that parameter into the reported joint angle.
struct Effector {
    const char* prefix;
    Player::JointID jid;
    kp::Param param;
    double sign;
};

// The 22 groups of a joint command, in command order.
// clang-format off
const Effector kEffectors[22] = {
    {"(he1 ",  Player::JID_HEAD_1, kp::head2, +1},
    {"(he2 ",  Player::JID_HEAD_2, kp::head1, +1},
    {"(lae1 ", Player::JID_LARM_1, kp::arml1, -1},
    {"(rae1 ", Player::JID_RARM_1, kp::armr1, -1},
    {"(lae2 ", Player::JID_LARM_2, kp::arml2, +1},
    {"(rae2 ", Player::JID_RARM_2, kp::armr2, +1},
    {"(lae3 ", Player::JID_LARM_3, kp::arml3, +1},
    {"(rae3 ", Player::JID_RARM_3, kp::armr3, +1},
    {"(lae4 ", Player::JID_LARM_4, kp::arml4, +1},
    {"(rae4 ", Player::JID_RARM_4, kp::armr4, +1},
    {"(lle1 ", Player::JID_LLEG_1, kp::legl1, +1},
    {"(rle1 ", Player::JID_RLEG_1, kp::legr1, +1},
    {"(lle2 ", Player::JID_LLEG_2, kp::legl2, +1},
    {"(rle2 ", Player::JID_RLEG_2, kp::legr2, +1},
    {"(lle3 ", Player::JID_LLEG_3, kp::legl3, -1},
    {"(rle3 ", Player::JID_RLEG_3, kp::legr3, -1},
    {"(lle4 ", Player::JID_LLEG_4, kp::legl4, -1},
    {"(rle4 ", Player::JID_RLEG_4, kp::legr4, -1},
    {"(lle5 ", Player::JID_LLEG_5, kp::legl5, -1},
    {"(rle5 ", Player::JID_RLEG_5, kp::legr5, -1},
    {"(lle6 ", Player::JID_LLEG_6, kp::legl6, +1},
    {"(rle6 ", Player::JID_RLEG_6, kp::legr6, +1},
};
// clang-format on

const std::size_t kCommandCapacity = 22 * 16;

// Appends "(prefix velocity)". General format with six significant digits is exactly what a
// default-formatted stream writes for a double ("0", "1.5", "-0", "0.873").
void AppendGroup(std::string& text, const char* prefix, double velocity) {
    char digits[32];
    const std::to_chars_result written =
        std::to_chars(digits, digits + sizeof digits, velocity, std::chars_format::general, 6);
    text += prefix;
    text.append(digits, written.ptr);
    text += ')';
}

// An increment that is not finite in single precision never reaches the wire; the joint is
// held instead (velocity 0, nothing under way).
bool IsSendableIncrement(double increment) {
    return std::fabs(increment) <= std::numeric_limits<float>::max();
}

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

NaoAction::NaoAction()
    : mStandUpFaceFloorOriginCircle(StandUpFaceFloorCircle),
      mStandUpFaceSkyOriginCircle(StandUpFaceSkyCircle) {}

NaoAction::NaoAction(Player myTempPlayer) : NaoAction() {
    myPlayer = myTempPlayer;
}

double NaoAction::TranslateAngleToArc(double angle) {
    // degrees per 0.02 s cycle -> radians per second, with pi cut after seven decimals
    const double velocity = std::round(angle / 0.02 * 0.017453292222222222 * digitBit) / digitBit;
    return std::isfinite(velocity) ? velocity : 0.0;
}

std::string NaoAction::TranslateAngleToMsg(double head1, double head2, double arml1, double armr1,
                                           double arml2, double armr2, double arml3, double armr3,
                                           double arml4, double armr4, double legl1, double legr1,
                                           double legl2, double legr2, double legl3, double legr3,
                                           double legl4, double legr4, double legl5, double legr5,
                                           double legl6, double legr6) {
    const double increments[22] = {head1, head2, arml1, armr1, arml2, armr2, arml3, armr3,
                                   arml4, armr4, legl1, legr1, legl2, legr2, legl3, legr3,
                                   legl4, legr4, legl5, legr5, legl6, legr6};
    std::string text;
    text.reserve(kCommandCapacity);
    for (int i = 0; i < 22; ++i) {
        AppendGroup(text, kEffectors[i].prefix, TranslateAngleToArc(increments[i]));
    }
    return text;
}

std::string NaoAction::TranslateAngleToMsg_A(double head1, double head2, double arml1, double armr1,
                                             double arml2, double armr2, double arml3, double armr3,
                                             double arml4, double armr4, double legl1, double legr1,
                                             double legl2, double legr2, double legl3, double legr3,
                                             double legl4, double legr4, double legl5, double legr5,
                                             double legl6, double legr6) {
    const KeyframePose increments = {head1, head2, arml1, armr1, arml2, armr2, arml3, armr3,
                                     arml4, armr4, legl1, legr1, legl2, legr2, legl3, legr3,
                                     legl4, legr4, legl5, legr5, legl6, legr6};
    std::string text;
    text.reserve(kCommandCapacity);
    for (const Effector& effector : kEffectors) {
        const double increment = effector.sign * increments[effector.param];
        AppendGroup(text, effector.prefix, TranslateAngleToArc(increment));
    }
    return text;
}

std::string NaoAction::TranslateAngleToMsg_A(double head1, double head2, double arml1, double armr1,
                                             double arml2, double armr2, double arml3, double armr3,
                                             double arml4, double armr4, double legl1, double legr1,
                                             double legl2, double legr2, double legl3, double legr3,
                                             double legl4, double legr4, double legl5, double legr5,
                                             double legl6, double legr6, double priod) {
    const double deltas[22] = {head1, head2, arml1, armr1, arml2, armr2, arml3, armr3,
                               arml4, armr4, legl1, legr1, legl2, legr2, legl3, legr3,
                               legl4, legr4, legl5, legr5, legl6, legr6};
    std::string text;
    text.reserve(kCommandCapacity);
    for (int i = 0; i < 22; ++i) {
        double increment = deltas[i] / priod;
        if (!IsSendableIncrement(increment)) increment = 0.0;
        tempAngleChange[kEffectors[i].jid] = static_cast<float>(increment);
        AppendGroup(text, kEffectors[i].prefix, TranslateAngleToArc(increment));
    }
    change = false;
    temp_change = text;
    return text;
}

std::string NaoAction::RelativeTranslateAngleToMsg(
    double head1, double head2, double arml1, double armr1, double arml2, double armr2,
    double arml3, double armr3, double arml4, double armr4, double legl1, double legr1,
    double legl2, double legr2, double legl3, double legr3, double legl4, double legr4,
    double legl5, double legr5, double legl6, double legr6, double priod) {
    return RelativeTranslateAngleToMsg(
        KeyframePose{head1, head2, arml1, armr1, arml2, armr2, arml3, armr3, arml4, armr4, legl1,
                     legr1, legl2, legr2, legl3, legr3, legl4, legr4, legl5, legr5, legl6, legr6},
        priod);
}

std::string NaoAction::RelativeTranslateAngleToMsg(const KeyframePose& pose, double priod) {
    double deltas[22];
    for (int i = 0; i < 22; ++i) {
        const Effector& effector = kEffectors[i];
        const float sensed = myPlayer.mHingeJointSenseMap[effector.jid].angle;
        const float underWay = tempAngleChange[effector.jid];
        double target = effector.sign * pose[effector.param];
        // An exact zero holds the joint where the increment under way takes it.
        if (target == 0.0) target = sensed + underWay;
        // The increment commanded last cycle is not yet in the reported angle: count it as done.
        deltas[i] = (target - sensed) - underWay;
    }
    return TranslateAngleToMsg_A(deltas[0], deltas[1], deltas[2], deltas[3], deltas[4], deltas[5],
                                 deltas[6], deltas[7], deltas[8], deltas[9], deltas[10], deltas[11],
                                 deltas[12], deltas[13], deltas[14], deltas[15], deltas[16],
                                 deltas[17], deltas[18], deltas[19], deltas[20], deltas[21], priod);
}

int NaoAction::JudgeNonWaitCircle(int jid, float targetAngle) {
    if (jid < 0 || jid >= 22) return 0;
    const float sensed = myPlayer.mHingeJointSenseMap[static_cast<Player::JointID>(jid)].angle;
    const float increment = tempAngleChange[jid];
    // A joint at rest never gets there; a non-finite quotient is no number of cycles either.
    if (increment == 0.0f) return 0;
    const float cycles = (targetAngle - sensed) / increment;
    if (!std::isfinite(cycles)) return 0;
    const double remaining = std::round(cycles) - 2.0;
    if (remaining >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (remaining <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(remaining);
}

void NaoAction::SetTempAngleChangleInit() {
    for (float& increment : tempAngleChange) increment = 0.0f;
}

void NaoAction::SetPlayerInfo(Player myTempPlayer, WorldModel myTempWorldModel) {
    myPlayer = myTempPlayer;
    myWorldModel = myTempWorldModel;
}

void NaoAction::TestTempAngleChange() {
    for (int i = 0; i < 22; ++i) std::cout << (i == 0 ? "" : "   ") << tempAngleChange[i];
    std::cout << std::endl;
}

void NaoAction::TestCurrentAngle() {
    if (!change) return;
    for (int i = 0; i < 22; ++i) {
        std::cout << (i == 0 ? "" : "   ")
                  << myPlayer.mHingeJointSenseMap[static_cast<Player::JointID>(i)].angle;
    }
    std::cout << std::endl;
}

int NaoAction::ActionState(int state1, int state2, std::stringstream& ss, double head1,
                           double head2, double arml1, double armr1, double arml2, double armr2,
                           double arml3, double armr3, double arml4, double armr4, double legl1,
                           double legr1, double legl2, double legr2, double legl3, double legr3,
                           double legl4, double legr4, double legl5, double legr5, double legl6,
                           double legr6, int& mCounter, double priod) {
    return ActionState(
        state1, state2, ss,
        KeyframePose{head1, head2, arml1, armr1, arml2, armr2, arml3, armr3, arml4, armr4, legl1,
                     legr1, legl2, legr2, legl3, legr3, legl4, legr4, legl5, legr5, legl6, legr6},
        mCounter, priod);
}

int NaoAction::ActionState(int state1, int state2, std::stringstream& ss, const KeyframePose& pose,
                           int& mCounter, double priod) {
    if (priod == 1.0) {
        // A one-cycle keyframe is over in the cycle in which it starts.
        mCounter = 0;
        temp_change.clear();
        ss << RelativeTranslateAngleToMsg(pose, priod);
        change = true;
        return state2;
    }
    if (static_cast<double>(mCounter) > priod - 1) {
        mCounter = 0;
        change = true;
        ss << temp_change;
        temp_change.clear();
        return state2;
    }
    if (change) {
        ss << RelativeTranslateAngleToMsg(pose, priod);
    } else {
        ss << temp_change;
    }
    return state1;
}

int NaoAction::ActionState(int state1, int state2, std::stringstream& ss, int& mCounter,
                           double priod) {
    if (static_cast<double>(mCounter) > priod - 1) {
        mCounter = 0;
        change = true;
        temp_change.clear();
        ss << TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        return state2;
    }
    if (change) {
        ss << TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    } else {
        ss << temp_change;
    }
    return state1;
}

int NaoAction::ActionState(int state1, int state2, std::stringstream& ss, double head1,
                           double head2, double arml1, double armr1, double arml2, double armr2,
                           double arml3, double armr3, double arml4, double armr4, double legl1,
                           double legr1, double legl2, double legr2, double legl3, double legr3,
                           double legl4, double legr4, double legl5, double legr5, double legl6,
                           double legr6, int& mCounter, double priod, int pause) {
    if (changePause) {
        mPauseCounter = pause;
        changePause = false;
    }
    if (static_cast<double>(mCounter) > priod) {
        // The pause ends on its last count; a pause of one cycle or less ends at once.
        if (mPauseCounter > 1) {
            ss << TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0);
            --mPauseCounter;
            return state1;
        }
        mCounter = 0;
        change = true;
        changePause = true;
        temp_change.clear();
        ss << TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        return state2;
    }
    if (change) {
        ss << RelativeTranslateAngleToMsg(head1, head2, arml1, armr1, arml2, armr2, arml3, armr3,
                                          arml4, armr4, legl1, legr1, legl2, legr2, legl3, legr3,
                                          legl4, legr4, legl5, legr5, legl6, legr6, priod);
    } else {
        ss << temp_change;
    }
    return state1;
}

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

// ---- Gait-generated walking actions ----

namespace {

// One keyframe of gait-generated leg targets: head pitch `head1`, head yaw `head2`, arms held
// (0), legs interleaved left/right joint by joint. Returns ActionState's phase.
int WalkingKeyframe(NaoAction& action, int state1, int state2, std::stringstream& ss, double head1,
                    double head2, const LegInverseAngle& l, const LegInverseAngle& r,
                    double priod) {
    return action.ActionState(state1, state2, ss, head1, head2, 0, 0, 0, 0, 0, 0, 0, 0, l.q2, r.q2,
                              l.q3, r.q3, l.q4, r.q4, l.q5, r.q5, l.q6, r.q6, l.q7, r.q7,
                              action.mCounter, priod);
}

typedef bool (InverseAction::*WalkingOperation)(LegInverseAngle&, LegInverseAngle&, int&, Player);

// The cycle shared by the gait-driven actions: advance the walk, send the legs for one cycle.
bool WalkingCycle(NaoAction& action, WalkingOperation operation, std::stringstream& ss,
                  int& tempCounter, double neckAngle) {
    action.mCounter = tempCounter;
    int circleCount = 0;
    LegInverseAngle leftFoot, rightFoot;
    bool result =
        (action.myInverseAction.*operation)(leftFoot, rightFoot, circleCount, action.myPlayer);
    action.mInverseStep = static_cast<NaoAction::eState_InverseStep>(
        WalkingKeyframe(action, 0, 0, ss, -30, neckAngle, leftFoot, rightFoot, circleCount));
    tempCounter = action.mCounter;
    return result;
}

}  // namespace

bool NaoAction::ActionInverseStepAI(std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    myHeadVision.GetNeckToOrigin(myPlayer, myWorldModel, neckAngle);
    return WalkingCycle(*this, &InverseAction::CalStepAngle, ss, tempCounter, neckAngle);
}

bool NaoAction::ActionInverseRotate(std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    myHeadVision.GetNeckToOrigin(myPlayer, myWorldModel, neckAngle);
    return WalkingCycle(*this, &InverseAction::CalRotateAngle, ss, tempCounter, neckAngle);
}

bool NaoAction::ActionInverseBeamCircle(std::stringstream& ss, int& tempCounter) {
    // Head yaw 0: the joint is held.
    return WalkingCycle(*this, &InverseAction::CalBeanCircleAngle, ss, tempCounter, 0);
}

bool NaoAction::ActionInverseStepAIEnd(std::stringstream& ss, int& tempCounter) {
    // The stopping steps carry no forward, lateral or turn request.
    Inverse::goalDistance = 0;
    Inverse::BeamDistance = 0;
    Inverse::rotateAngle = 0;
    return WalkingCycle(*this, &InverseAction::CalStepEndAngle, ss, tempCounter, 0);
}

bool NaoAction::ActionInverseStep(std::stringstream& ss, int& tempCounter) {
    mCounter = tempCounter;
    LegInverseAngle leftFoot, rightFoot;
    if (mInverseStep == S_InverseStep_UpRightFoot) {
        std::cout << " mInverseStep " << mInverseStep << " mCounter " << mCounter << std::endl;
        myPlayer.CalStepAngle(leftFoot, rightFoot);
        // Each command spans two cycles while the gait advances one sub-step per call.
        mInverseStep = static_cast<eState_InverseStep>(
            WalkingKeyframe(*this, 0, 0, ss, -30, 0, leftFoot, rightFoot, 2.0));
    } else if (mInverseStep == S_InverseStep_DowinRightFoot) {
        myPlayer.CalStepAngle1(leftFoot, rightFoot);
        mInverseStep = static_cast<eState_InverseStep>(
            WalkingKeyframe(*this, 1, 0, ss, 0, 0, leftFoot, rightFoot, 20.0));
        std::cout << "mInverseStep " << mInverseStep << "tempCounter " << tempCounter
                  << "myPlayer.CalStepAngle(  leftFoot,  rightFoot); " << leftFoot.q2 << " "
                  << rightFoot.q2 << " " << leftFoot.q3 << " " << rightFoot.q3 << " " << leftFoot.q4
                  << " " << rightFoot.q4 << " " << leftFoot.q5 << " " << rightFoot.q5 << " "
                  << leftFoot.q6 << " " << rightFoot.q6 << " " << leftFoot.q7 << " " << rightFoot.q7
                  << std::endl;
        if (mInverseStep == 0) {
            tempCounter = mCounter;
            return true;
        }
    }
    tempCounter = mCounter;
    return false;
}
