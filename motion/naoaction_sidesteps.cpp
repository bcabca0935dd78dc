// Sidesteps of the motion library (class NaoAction): keyframe tables and motions. Each is three
// keyframes: shift the weight and lift one foot, move the feet apart sideways, bring the feet
// together in the stance. Head and arms are held throughout.
//   ActionBeamLeft, ActionBeamRight               a plain side step
//   ActionBeamLeftCircle, ActionBeamRightCircle   with a hip-yaw twist: the robot moves on an arc
//   ActionBeamLeftRotate, ActionBeamRightRotate   with a twist, and the head turned back towards
//                                                 the ball in the last keyframe

#include <array>

#include "motion/keyframe.h"
#include "motion/naoaction.h"

using namespace keyframe;

namespace {

// The stance the third keyframes return to; each motion replaces a few of its values.
const NaoAction::KeyframePose kSidestepStance = Pose({{kp::legl2, 0.001},
                                                      {kp::legr2, 0.001},
                                                      {kp::legl3, -30},
                                                      {kp::legr3, -30},
                                                      {kp::legl4, 60},
                                                      {kp::legr4, 60},
                                                      {kp::legl5, -30},
                                                      {kp::legr5, -30},
                                                      {kp::legl6, 0.001},
                                                      {kp::legr6, 0.001}});

// clang-format off
const std::array<Keyframe, 3> kBeamLeft = {{
    {NA::S_BeamLeft_UPLeftFoot,    5, NA::S_BeamLeft_MoveRightFoot,
     Pose({{kp::legl3, -35}, {kp::legr3, -30}, {kp::legl4, 70}, {kp::legr4, 60}, {kp::legl5, -35},
           {kp::legr5, -30}})},
    {NA::S_BeamLeft_MoveRightFoot, 5, NA::S_BeamLeft_MoveLeftFoot,
     Pose({{kp::legl2, 10}, {kp::legr2, 0.0001}, {kp::legl6, 0.001}, {kp::legr6, 6.1}})},
    {NA::S_BeamLeft_MoveLeftFoot,  5, NA::S_BeamLeft_UPLeftFoot, kSidestepStance},
}};

const std::array<Keyframe, 3> kBeamRight = {{
    {NA::S_BeamRight_UPRightFoot,   5, NA::S_BeamRight_MoveRightFoot,
     Pose({{kp::legl3, -30}, {kp::legr3, -35}, {kp::legl4, 60}, {kp::legr4, 70}, {kp::legl5, -30},
           {kp::legr5, -35}})},
    {NA::S_BeamRight_MoveRightFoot, 5, NA::S_BeamRight_MoveLeftFoot,
     Pose({{kp::legl2, 0.0001}, {kp::legr2, -10}, {kp::legl6, -6.1}, {kp::legr6, 0.001}})},
    {NA::S_BeamRight_MoveLeftFoot,  5, NA::S_BeamRight_UPRightFoot, kSidestepStance},
}};

const std::array<Keyframe, 3> kBeamLeftCircle = {{
    {NA::S_BeamLeftCircle_UPLeftFoot,    4, NA::S_BeamLeftCircle_MoveRightFoot,
     Pose({{kp::legl1, -6}, {kp::legr1, 2}, {kp::legl3, -42}, {kp::legr3, -35}, {kp::legl4, 70},
           {kp::legr4, 60}})},
    {NA::S_BeamLeftCircle_MoveRightFoot, 3, NA::S_BeamLeftCircle_MoveLeftFoot,
     Pose({{kp::legl2, 10}, {kp::legr2, -5}, {kp::legl6, 0.001}, {kp::legr6, 6.1}})},
    {NA::S_BeamLeftCircle_MoveLeftFoot,  5, NA::S_BeamLeftCircle_UPLeftFoot,
     Pose({{kp::legl1, -0.001}, {kp::legr1, -0.001}, {kp::legl3, -35}}, kSidestepStance)},
}};

const std::array<Keyframe, 3> kBeamRightCircle = {{
    {NA::S_BeamRightCircle_UPRightFoot,   4, NA::S_BeamRightCircle_MoveRightFoot,
     Pose({{kp::legl1, -2}, {kp::legr1, -6}, {kp::legl3, -35}, {kp::legr3, -45}, {kp::legl4, 60},
           {kp::legr4, 70}})},
    {NA::S_BeamRightCircle_MoveRightFoot, 3, NA::S_BeamRightCircle_MoveLeftFoot,
     Pose({{kp::legl2, 5}, {kp::legr2, -10}, {kp::legl6, -6.1}, {kp::legr6, 1}})},
    {NA::S_BeamRightCircle_MoveLeftFoot,  5, NA::S_BeamRightCircle_UPRightFoot,
     Pose({{kp::legl1, -0.001}, {kp::legr1, -0.001}, {kp::legr3, -38}}, kSidestepStance)},
}};

// The last row's head2 (head yaw) is replaced by the neck angle when the motion runs.
const std::array<Keyframe, 3> kBeamLeftRotate = {{
    {NA::S_BeamLeftRotate_UPLeftFoot,    5, NA::S_BeamLeftRotate_MoveRightFoot,
     Pose({{kp::legl1, -0.001}, {kp::legr1, -0.001}, {kp::legl3, -45}, {kp::legr3, -35},
           {kp::legl4, 70}, {kp::legr4, 60}, {kp::legl5, -35}, {kp::legr5, -30}})},
    {NA::S_BeamLeftRotate_MoveRightFoot, 5, NA::S_BeamLeftRotate_MoveLeftFoot,
     Pose({{kp::legl2, 10}, {kp::legr2, -10}, {kp::legr6, 6.1}})},
    {NA::S_BeamLeftRotate_MoveLeftFoot,  5, NA::S_BeamLeftRotate_UPLeftFoot,
     Pose({{kp::legl1, -0.001}, {kp::legr1, -0.001}, {kp::legl3, -44}}, kSidestepStance)},
}};

// The last row's head2 (head yaw) is replaced by the neck angle when the motion runs.
const std::array<Keyframe, 3> kBeamRightRotate = {{
    {NA::S_BeamRightRotate_UPRightFoot,   5, NA::S_BeamRightRotate_MoveRightFoot,
     Pose({{kp::legl1, -0.0001}, {kp::legr1, 0.0001}, {kp::legl3, -35}, {kp::legr3, -45},
           {kp::legl4, 60}, {kp::legr4, 70}, {kp::legl5, -30}, {kp::legr5, -35}})},
    {NA::S_BeamRightRotate_MoveRightFoot, 5, NA::S_BeamRightRotate_MoveLeftFoot,
     Pose({{kp::legl2, 10}, {kp::legr2, -10}, {kp::legl6, -6.1}, {kp::legr6, 0.001}})},
    {NA::S_BeamRightRotate_MoveLeftFoot,  5, NA::S_BeamRightRotate_UPRightFoot,
     Pose({{kp::legl1, -0.0001}, {kp::legr1, -0.0001}, {kp::legr3, -44}}, kSidestepStance)},
}};
// clang-format on

// The rotating sidesteps ask for the neck angle every cycle; only the last keyframe uses it.
template <typename Phase>
bool RunRotatingSidestep(NaoAction& action, const std::array<Keyframe, 3>& table, Phase& field,
                         std::stringstream& ss, int& tempCounter) {
    float neckAngle = 0;
    action.myHeadVision.GetNeckToOrigin(action.myPlayer, action.myWorldModel, neckAngle);
    std::array<Keyframe, 3> rows = table;
    rows[2].pose[kp::head2] = neckAngle;
    return RunMotion(action, rows, field, ss, tempCounter, UnknownPhase::Ignore);
}

}  // namespace

bool NaoAction::ActionBeamLeft(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kBeamLeft, mBeamLeft, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionBeamRight(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kBeamRight, mBeamRight, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionBeamLeftCircle(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kBeamLeftCircle, mBeamLeftCircle, ss, tempCounter,
                     UnknownPhase::Ignore);
}

bool NaoAction::ActionBeamRightCircle(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kBeamRightCircle, mBeamRightCircle, ss, tempCounter,
                     UnknownPhase::Ignore);
}

bool NaoAction::ActionBeamLeftRotate(std::stringstream& ss, int& tempCounter) {
    return RunRotatingSidestep(*this, kBeamLeftRotate, mBeamLeftRotate, ss, tempCounter);
}

bool NaoAction::ActionBeamRightRotate(std::stringstream& ss, int& tempCounter) {
    return RunRotatingSidestep(*this, kBeamRightRotate, mBeamRightRotate, ss, tempCounter);
}
