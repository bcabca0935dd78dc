// The motion library, split by family into several source files of the one class NaoAction:
//   naoaction.cpp             construction, the joint command encoder and the keyframe engine
//   naoaction_locomotion.cpp  keyframe walk, steps, turns and the head sweep
//   naoaction_gait.cpp        the gait-generated walking actions
//   naoaction_kicks.cpp       small, standard and strong kicks, the inverse-kinematics kick
//   naoaction_getup.cpp       get-ups, stumble catches and the keeper dive
//   naoaction_sidesteps.cpp   the six sidestep motions
//   naoaction_longmotion.cpp  the long choreographed motion, its 200 keyframes as one table
// The keyframe tables' helpers shared by these files are in motion/keyframe.h.
//
// This file:
//   construction
//   encoder: TranslateAngleToArc, TranslateAngleToMsg, TranslateAngleToMsg_A,
//            RelativeTranslateAngleToMsg, JudgeNonWaitCircle, SetTempAngleChangleInit,
//            SetPlayerInfo, the diagnostics
//   engine:  ActionState (keyframe, wait keyframe, keyframe with pause)

#include "motion/naoaction.h"

#include <charconv>
#include <cmath>
#include <iostream>
#include <limits>
#include <utility>

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
    myPlayer = std::move(myTempPlayer);
    myWorldModel = std::move(myTempWorldModel);
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
