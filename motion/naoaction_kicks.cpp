// Kicks of the motion library (class NaoAction): keyframe tables and motions.
//   ActionSmallKickRight, ActionSmallKickLeft   two quick keyframes, a push with one foot
//   ActionKickRight, ActionKickLeft             seven keyframes from the walk-ready pose
//   ActionKickTOVK, ActionRightKickTOVK         the strong kicks, eight keyframes sharing one
//                                               phase field
//   ActionKickLeftPelm                          five keyframes from straight legs
//   ActionKick                                  the scripted kick of the leg inverse kinematics
//
// Never-entered phases (S_KickRight_ReturnOrigin, S_KickLeft_ReturnOrigin, S_KickTOVK4_1,
// S_KickTOVK5_1) have no keyframe: no chain leads into them, and a phase field that holds one
// is treated as any other value outside the motion's keyframes (the small kicks run their
// first keyframe, the others send nothing and report false).

#include <array>

#include "motion/keyframe.h"
#include "motion/naoaction.h"

using namespace keyframe;

namespace {

// clang-format off
const std::array<Keyframe, 2> kSmallKickRight = {{
    {NA::S_SmallKickRight_GravityLeft, 3, NA::S_SmallKickRight_KickRight,
     Pose({{kp::legl2, -10}, {kp::legr2, 0.001}, {kp::legl3, -40}, {kp::legr3, -50},
           {kp::legl4, 60}, {kp::legr4, 80}, {kp::legl5, -30}, {kp::legr5, -40}, {kp::legl6, 10},
           {kp::legr6, 0.001}})},
    {NA::S_SmallKickRight_KickRight,   3, NA::S_SmallKickRight_GravityLeft,
     Pose({{kp::legl3, -30}, {kp::legr3, -60}, {kp::legl4, 60}, {kp::legr4, 50}, {kp::legl5, -35},
           {kp::legr5, -10}})},
}};

const std::array<Keyframe, 2> kSmallKickLeft = {{
    {NA::S_SmallKickLeft_GravityRight, 3, NA::S_SmallKickLeft_KickLeft,
     Pose({{kp::legl2, 10}, {kp::legr2, 10}, {kp::legl3, -50}, {kp::legr3, -40}, {kp::legl4, 80},
           {kp::legr4, 60}, {kp::legl5, -40}, {kp::legr5, -30}, {kp::legl6, 0.0001},
           {kp::legr6, -10}})},
    {NA::S_SmallKickLeft_KickLeft,     3, NA::S_SmallKickLeft_GravityRight,
     Pose({{kp::legl2, 1}, {kp::legr2, 10}, {kp::legl3, -60}, {kp::legr3, -30}, {kp::legl4, 50},
           {kp::legr4, 60}, {kp::legl5, -10}, {kp::legr5, -35}})},
}};

const std::array<Keyframe, 7> kKickRight = {{
    {NA::S_KickRight_Origin,            5, NA::S_KickRight_GravityLeft, kWalkReadyPose},
    {NA::S_KickRight_GravityLeft,       5, NA::S_KickRight_UpRightFoot,
     Pose({{kp::legl2, -15}, {kp::legr2, -15}, {kp::legl6, 15}, {kp::legr6, 15}})},
    {NA::S_KickRight_UpRightFoot,      20, NA::S_KickRight_BackRightFoot,
     Pose({{kp::legl4, 60}, {kp::legr4, 100}, {kp::legl5, -30}, {kp::legr5, -60}})},
    {NA::S_KickRight_BackRightFoot,     5, NA::S_KickRight_ForwardFoot_One,
     Pose({{kp::legl2, -10}, {kp::legr2, -10}, {kp::legl3, -30}, {kp::legr3, -10}})},
    {NA::S_KickRight_ForwardFoot_One,   3, NA::S_KickRight_ForwardFoot_Two,
     Pose({{kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 80}, {kp::legl5, -30},
           {kp::legr5, -50}})},
    {NA::S_KickRight_ForwardFoot_Two,   3, NA::S_KickRight_ForwardFoot_Three,
     Pose({{kp::legl3, -30}, {kp::legr3, -50}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30},
           {kp::legr5, -20}})},
    {NA::S_KickRight_ForwardFoot_Three, 3, NA::S_KickRight_Origin,
     Pose({{kp::legl3, -30}, {kp::legr3, -60}, {kp::legl4, 60}, {kp::legr4, 40}, {kp::legl5, -30},
           {kp::legr5, -10}})},
}};

// Not quite the mirror of kKickRight: the last keyframe ends with the kicking ankle at +10
// (legl5), where the right kick has -10 (legr5).
const std::array<Keyframe, 7> kKickLeft = {{
    {NA::S_KickLeft_Origin,            5, NA::S_KickLeft_GravityRight, kWalkReadyPose},
    {NA::S_KickLeft_GravityRight,      5, NA::S_KickLeft_UpLeftFoot,
     Pose({{kp::legl2, 15}, {kp::legr2, 15}, {kp::legl6, -15}, {kp::legr6, -15}})},
    {NA::S_KickLeft_UpLeftFoot,       20, NA::S_KickLeft_BackLeftFoot,
     Pose({{kp::legl4, 100}, {kp::legr4, 60}, {kp::legl5, -60}, {kp::legr5, -30}})},
    {NA::S_KickLeft_BackLeftFoot,      5, NA::S_KickLeft_ForwardFoot_One,
     Pose({{kp::legl2, 10}, {kp::legr2, 10}, {kp::legl3, -10}, {kp::legr3, -30}})},
    {NA::S_KickLeft_ForwardFoot_One,   3, NA::S_KickLeft_ForwardFoot_Two,
     Pose({{kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 80}, {kp::legr4, 60}, {kp::legl5, -50},
           {kp::legr5, -30}})},
    {NA::S_KickLeft_ForwardFoot_Two,   3, NA::S_KickLeft_ForwardFoot_Three,
     Pose({{kp::legl3, -50}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30},
           {kp::legr5, -30}})},
    {NA::S_KickLeft_ForwardFoot_Three, 3, NA::S_KickLeft_Origin,
     Pose({{kp::legl3, -60}, {kp::legr3, -30}, {kp::legl4, 40}, {kp::legr4, 60}, {kp::legl5, 10},
           {kp::legr5, -30}})},
}};

// Upper body of every strong-kick keyframe: head straight, arms forward at 90 degrees.
const NaoAction::KeyframePose kTOVKUpperBody =
    Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 90}, {kp::armr1, 90},
          {kp::arml2, 20}, {kp::armr2, -20}, {kp::arml3, -80}, {kp::armr3, 80}, {kp::arml4, -80},
          {kp::armr4, 80}});

// The last keyframe pitches the head down again.
const NaoAction::KeyframePose kTOVKLastUpperBody = Pose({{kp::head1, -30.0001}}, kTOVKUpperBody);

const NaoAction::KeyframePose kTOVKLastPose =
    Pose({{kp::legl1, -0.0001}, {kp::legr1, 0.0001}, {kp::legl2, 0.0001}, {kp::legr2, 0.0001},
          {kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30},
          {kp::legr5, -30}, {kp::legl6, -0.0001}, {kp::legr6, -0.0001}}, kTOVKLastUpperBody);

// Eight keyframes; the chain skips S_KickTOVK4_1 and S_KickTOVK5_1. Kicks with the left foot.
const std::array<Keyframe, 8> kKickTOVK = {{
    {NA::S_KickTOVK1, 20, NA::S_KickTOVK2,
     Pose({{kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30},
           {kp::legr5, -30}}, kTOVKUpperBody)},
    {NA::S_KickTOVK2, 20, NA::S_KickTOVK3,
     Pose({{kp::legl2, 15}, {kp::legr2, 15}, {kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60},
           {kp::legr4, 60}, {kp::legl5, -30}, {kp::legr5, -30}, {kp::legl6, -15},
           {kp::legr6, -15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK3, 18, NA::S_KickTOVK4,
     Pose({{kp::legl2, 15}, {kp::legr2, 15}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 102.5}, {kp::legr4, 60}, {kp::legl5, -49}, {kp::legr5, -30},
           {kp::legl6, -15}, {kp::legr6, -15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK4,  2, NA::S_KickTOVK5,
     Pose({{kp::legl2, 10}, {kp::legr2, 10}, {kp::legl3, -10}, {kp::legr3, -30},
           {kp::legl4, 102.5}, {kp::legr4, 60}, {kp::legl5, -49}, {kp::legr5, -30},
           {kp::legl6, -15}, {kp::legr6, -15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK5,  2, NA::S_KickTOVK6,
     Pose({{kp::legl2, 10}, {kp::legr2, 10}, {kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 80},
           {kp::legr4, 60}, {kp::legl5, -50}, {kp::legr5, -30}, {kp::legl6, -15},
           {kp::legr6, -15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK6,  2, NA::S_KickTOVK7,
     Pose({{kp::legl1, -17}, {kp::legl2, 0.5}, {kp::legr2, 4}, {kp::legl3, -50}, {kp::legr3, -30},
           {kp::legl4, 30}, {kp::legr4, 75}, {kp::legl5, -20}, {kp::legr5, -30}, {kp::legl6, -15},
           {kp::legr6, -15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK7, 16, NA::S_KickTOVK8,
     Pose({{kp::legl1, -17}, {kp::legl2, 0.5}, {kp::legr2, 4}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 30}, {kp::legr4, 60}, {kp::legl5, -30}, {kp::legr5, -30}, {kp::legl6, -15},
           {kp::legr6, -15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK8,  6, NA::S_KickTOVK1, kTOVKLastPose},
}};

// The right-foot strong kick: the mirror of kKickTOVK with small asymmetries of its own;
// S_KickTOVK7 keeps the left kick's knees (legl4 30, legr4 60) rather than their mirror.
const std::array<Keyframe, 8> kRightKickTOVK = {{
    {NA::S_KickTOVK1, 20, NA::S_KickTOVK2,
     Pose({{kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30},
           {kp::legr5, -30}}, kTOVKUpperBody)},
    {NA::S_KickTOVK2, 20, NA::S_KickTOVK3,
     Pose({{kp::legl2, -15}, {kp::legr2, -15}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -30}, {kp::legr5, -30}, {kp::legl6, 15},
           {kp::legr6, 15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK3, 18, NA::S_KickTOVK4,
     Pose({{kp::legl2, -15}, {kp::legr2, -15}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 60}, {kp::legr4, 102.5}, {kp::legl5, -30}, {kp::legr5, -49},
           {kp::legl6, 15}, {kp::legr6, 15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK4,  2, NA::S_KickTOVK5,
     Pose({{kp::legl2, -10}, {kp::legr2, -10}, {kp::legl3, -30}, {kp::legr3, -10},
           {kp::legl4, 60}, {kp::legr4, 102.5}, {kp::legl5, -30}, {kp::legr5, -49},
           {kp::legl6, 15}, {kp::legr6, 15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK5,  2, NA::S_KickTOVK6,
     Pose({{kp::legl2, -10}, {kp::legr2, -10}, {kp::legl3, -30}, {kp::legr3, -30},
           {kp::legl4, 60}, {kp::legr4, 80}, {kp::legl5, -30}, {kp::legr5, -50}, {kp::legl6, 15},
           {kp::legr6, 15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK6,  2, NA::S_KickTOVK7,
     Pose({{kp::legr1, -17}, {kp::legl2, -4}, {kp::legr2, -0.5}, {kp::legl3, -30},
           {kp::legr3, -50}, {kp::legl4, 75}, {kp::legr4, 30}, {kp::legl5, -30}, {kp::legr5, -20},
           {kp::legl6, 15}, {kp::legr6, 15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK7, 16, NA::S_KickTOVK8,
     Pose({{kp::legr1, -17}, {kp::legl2, -4}, {kp::legr2, -0.5}, {kp::legl3, -30},
           {kp::legr3, -30}, {kp::legl4, 30}, {kp::legr4, 60}, {kp::legl5, -30}, {kp::legr5, -30},
           {kp::legl6, 15}, {kp::legr6, 15}}, kTOVKUpperBody)},
    {NA::S_KickTOVK8,  6, NA::S_KickTOVK1, kTOVKLastPose},
}};

// Upper body of the palm kick: straight (+-0.0001) but for the arms raised forward to 80.
const NaoAction::KeyframePose kPelmUpperBody =
    Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 80}, {kp::armr1, 80},
          {kp::arml2, 0.0001}, {kp::armr2, -0.0001}, {kp::arml3, -0.0001}, {kp::armr3, 0.0001},
          {kp::arml4, -0.0001}, {kp::armr4, 0.0001}});

// Straight legs.
const NaoAction::KeyframePose kPelmStraight =
    Pose({{kp::legl1, 0.0001}, {kp::legr1, 0.0001}, {kp::legl2, 0.0001}, {kp::legr2, 0.0001},
          {kp::legl3, -0.0001}, {kp::legr3, -0.0001}, {kp::legl4, 0.0001}, {kp::legr4, 0.0001},
          {kp::legl5, -0.0001}, {kp::legr5, -0.0001}, {kp::legl6, 0.0001}, {kp::legr6, 0.0001}},
         kPelmUpperBody);

// Kicks with the left foot; the hip yaw joints (legl1, legr1) are held in keyframes 2 to 4.
const std::array<Keyframe, 5> kKickLeftPelm = {{
    {NA::S_KickLeftPelm1, 20, NA::S_KickLeftPelm2, kPelmStraight},
    {NA::S_KickLeftPelm2, 15, NA::S_KickLeftPelm3,
     Pose({{kp::legl2, 8.86}, {kp::legr2, 8.32}, {kp::legl3, -8.45}, {kp::legr3, -8.28},
           {kp::legl4, 46.29}, {kp::legr4, 32.07}, {kp::legl5, -27.84}, {kp::legr5, -23.53},
           {kp::legl6, -8.86}, {kp::legr6, -8.99}}, kPelmUpperBody)},
    {NA::S_KickLeftPelm3, 10, NA::S_KickLeftPelm4,
     Pose({{kp::legl2, 8.86}, {kp::legr2, 10.23}, {kp::legl3, 38.45}, {kp::legr3, 28.28},
           {kp::legl4, 74.26}, {kp::legr4, 12.07}, {kp::legl5, -62.52}, {kp::legr5, -23.53},
           {kp::legl6, -8.86}, {kp::legr6, -10.99}}, kPelmUpperBody)},
    {NA::S_KickLeftPelm4, 20, NA::S_KickLeftPelm5,
     Pose({{kp::legl2, 8.86}, {kp::legr2, 10.23}, {kp::legl3, -80}, {kp::legr3, 46.28},
           {kp::legl4, 0.0001}, {kp::legr4, 52.07}, {kp::legl5, 30}, {kp::legr5, -23.53},
           {kp::legl6, -8.86}, {kp::legr6, -10.99}}, kPelmUpperBody)},
    {NA::S_KickLeftPelm5, 20, NA::S_KickLeftPelm1,
     Pose({{kp::arml1, 0.0001}, {kp::armr1, 0.0001}}, kPelmStraight)},
}};
// clang-format on

}  // namespace

bool NaoAction::ActionSmallKickRight(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kSmallKickRight, mSmallKickRight, ss, tempCounter,
                     UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionSmallKickLeft(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kSmallKickLeft, mSmallKickLeft, ss, tempCounter,
                     UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionKickRight(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kKickRight, mKickRight, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionKickLeft(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kKickLeft, mKickLeft, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionKickTOVK(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kKickTOVK, mKickTOVK, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionRightKickTOVK(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kRightKickTOVK, mKickTOVK, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionKickLeftPelm(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kKickLeftPelm, mKickLeftPelm, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionKick(std::stringstream& ss, int& tempCounter) {
    // mInverseStep is shared with the body model's test walk (ActionInverseStep); while that
    // walk is in its second phase the kick has nothing to run: nothing is sent, not finished.
    if (mInverseStep != S_InverseStep_UpRightFoot) return false;
    mCounter = tempCounter;
    LegInverseAngle leftFoot, rightFoot;
    // The script advances one pose entry per call; -1 once it is over, with the feet untouched.
    const int cycles = myPlayer.CalStepAngle2(leftFoot, rightFoot);
    // Head and arms held (0); a length of -1 ends the keyframe under way at once.
    mInverseStep = static_cast<eState_InverseStep>(
        ActionState(0, 0, ss, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, leftFoot.q2, rightFoot.q2, leftFoot.q3,
                    rightFoot.q3, leftFoot.q4, rightFoot.q4, leftFoot.q5, rightFoot.q5, leftFoot.q6,
                    rightFoot.q6, leftFoot.q7, rightFoot.q7, mCounter, cycles));
    tempCounter = mCounter;
    return cycles == -1;
}
