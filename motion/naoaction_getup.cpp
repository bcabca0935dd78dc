// Get-ups, stumble catches and the keeper dive of the motion library.
//
//   ActionStandFaceSky     getting up from the back; the last move to the origin pose is
//                          lengthened or shortened by the left shoulder's remaining cycles
//   ActionStandFaceFloor   getting up from the face; one keyframe's command is sent once more
//   ActionStumble_Left     arms out, then a wide step, when tipping to the left
//   ActionStumble_Right    the same to the right (its leg keyframe is not a mirror image)
//   ActionKeeperCatch      the goalkeeper's dive: down in 17 cycles, then lying for 300
//   ActionStandUpForward   earlier get-ups that nothing calls
//   ActionStandUpBack

#include <iostream>

#include "motion/keyframe.h"

using namespace keyframe;

namespace {

// The whole-body poses whose every target is a tiny value (no joint is held), written out in
// the keyframe order: head1 head2, arml1 armr1 ... armr4, legl1 legr1 ... legr6.
// clang-format off
const NaoAction::KeyframePose kFaceSkyArmsUp = {
    0.0001, 0.0001,
    90, 90, 0.0001, -0.0001, -0.0001, 0.0001, -0.0001, 0.0001,
    0.0001, 0.0001, 0.0001, 0.0001, -0.0001, -0.0001,
    0.0001, 0.0001, 0.0001, 0.0001, 0.0001, 0.0001};
const NaoAction::KeyframePose kFaceFloorArmsForward = {
    0.0001, 0.0001,
    90, 90, 0.0001, -0.0001, -90, 90, -0.0001, 0.0001,
    0.0001, 0.0001, 0.0001, 0.0001, -0.0001, -0.0001,
    0.0001, 0.0001, 0.0001, 0.0001, 0.0001, 0.0001};

// Arms of the first three keeper keyframes and of the crouched poses of the old get-ups.
const NaoAction::KeyframePose kArmsBent = Pose(
    {{kp::arml2, 20}, {kp::armr2, -20}, {kp::arml3, -80}, {kp::armr3, 80}, {kp::arml4, -80},
     {kp::armr4, 80}});
// Head and arms of keeper keyframes 4 to 8: every one a tiny value, arms straight down.
const NaoAction::KeyframePose kKeeperArmsDown = Pose(
    {{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml2, 0.0001}, {kp::armr2, -0.0001},
     {kp::arml3, -0.0001}, {kp::armr3, 0.0001}, {kp::arml4, -0.0001}, {kp::armr4, 0.0001}});

// Phases 0 to 4; StandUpFaceSky_4 (to the origin pose) and StandUpFaceSky_5 are run apart.
const std::array<Keyframe, 5> kStandUpFaceSky = {{
    {NA::StandUpFaceSky_1,   20, NA::StandUpFaceSky_1_1, kOriginPose},
    {NA::StandUpFaceSky_1_1, 10, NA::StandUpFaceSky_1_2, kFaceSkyArmsUp},
    {NA::StandUpFaceSky_1_2, 10, NA::StandUpFaceSky_2,   kFaceSkyArmsUp},
    {NA::StandUpFaceSky_2,   14, NA::StandUpFaceSky_3,
     Pose({{kp::arml1, 0.0001}, {kp::armr1, 0.0001}, {kp::legl1, -60}, {kp::legr1, -60},
           {kp::legl3, -90}, {kp::legr3, -90}, {kp::legl5, 20.0001}, {kp::legr5, 20.0001}})},
    {NA::StandUpFaceSky_3,   16, NA::StandUpFaceSky_4,
     Pose({{kp::legl1, -89}, {kp::legr1, -89}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, 40},
           {kp::legr5, 40}, {kp::legl6, -1}, {kp::legr6, -1}})},
}};

// S_StandUpFaceFloor_2_1, which sends the saved command once more, and S_StandUpFaceFloor_4, to
// the origin pose, are run apart.
const std::array<Keyframe, 5> kStandUpFaceFloor = {{
    {NA::S_StandUpFaceFloor_1,   20, NA::S_StandUpFaceFloor_1_1, kFaceFloorArmsForward},
    {NA::S_StandUpFaceFloor_1_1,  2, NA::S_StandUpFaceFloor_1_2, kFaceFloorArmsForward},
    {NA::S_StandUpFaceFloor_1_2,  2, NA::S_StandUpFaceFloor_2,   {}},
    {NA::S_StandUpFaceFloor_2,    7, NA::S_StandUpFaceFloor_2_1,
     Pose({{kp::arml1, 5}, {kp::armr1, 5}, {kp::arml4, -60}, {kp::armr4, 60}, {kp::legl5, -45},
           {kp::legr5, -45}})},
    {NA::S_StandUpFaceFloor_3,   22, NA::S_StandUpFaceFloor_4,
     Pose({{kp::legl1, -70}, {kp::legr1, -70}, {kp::legl3, -100}, {kp::legr3, -100},
           {kp::legl4, 130}, {kp::legr4, 130}, {kp::legl6, -20}, {kp::legr6, 20}})},
}};

const std::array<Keyframe, 2> kStumbleLeft = {{
    {NA::S_Stumble_Left_Arm, 5, NA::S_Stumble_Left_Leg,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 120}, {kp::armr1, 30}})},
    {NA::S_Stumble_Left_Leg, 4, NA::S_Stumble_Left_Arm,
     Pose({{kp::arml1, 0.0001}, {kp::armr1, 0.0001}, {kp::legl2, 0.0001}, {kp::legr2, 0.0001},
           {kp::legl3, -10}, {kp::legr3, -50}})},
}};

// Not a mirror image of the left one: armr1 and legr2 are 20 in the leg keyframe.
const std::array<Keyframe, 2> kStumbleRight = {{
    {NA::S_Stumble_Right_Arm, 5, NA::S_Stumble_Right_Leg,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 30}, {kp::armr1, 120}})},
    {NA::S_Stumble_Right_Leg, 4, NA::S_Stumble_Right_Arm,
     Pose({{kp::arml1, 0.0001}, {kp::armr1, 20}, {kp::legl2, 0.0001}, {kp::legr2, 20},
           {kp::legl3, -50}, {kp::legr3, -10}})},
}};

// Keyframes 1 to 3 crouch with the arms raised, 4 to 8 throw the legs out and the body down,
// 9 lifts the head, 10 holds. legl6 and legr6 are held throughout.
const NaoAction::KeyframePose kKeeperSplit = Pose(
    {{kp::arml1, -5}, {kp::armr1, -5}, {kp::legl1, -90}, {kp::legr1, -90}, {kp::legl2, 45},
     {kp::legr2, -45}, {kp::legl3, -99}, {kp::legr3, -99}, {kp::legl4, 60}, {kp::legr4, 60},
     {kp::legl5, 25}, {kp::legr5, 25}}, kKeeperArmsDown);
const std::array<Keyframe, 10> kKeeperCatch = {{
    {NA::S_KeeperCatch1,    2, NA::S_KeeperCatch2,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 90}, {kp::armr1, 90},
           {kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, 45},
           {kp::legr5, 45}}, kArmsBent)},
    {NA::S_KeeperCatch2,    2, NA::S_KeeperCatch3,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 120}, {kp::armr1, 120},
           {kp::legl3, -30}, {kp::legr3, -30}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, 45},
           {kp::legr5, 45}}, kArmsBent)},
    {NA::S_KeeperCatch3,    2, NA::S_KeeperCatch4,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 120}, {kp::armr1, 120},
           {kp::legl3, -40}, {kp::legr3, -40}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, 45},
           {kp::legr5, 45}}, kArmsBent)},
    {NA::S_KeeperCatch4,    2, NA::S_KeeperCatch5,
     Pose({{kp::arml1, 0.0001}, {kp::armr1, 0.0001}, {kp::legl3, -99}, {kp::legr3, -99},
           {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -45}, {kp::legr5, -45}},
          kKeeperArmsDown)},
    {NA::S_KeeperCatch5,    2, NA::S_KeeperCatch6,
     Pose({{kp::arml1, 0.0001}, {kp::armr1, 0.0001}, {kp::arml2, 75}, {kp::armr2, -75},
           {kp::legl1, -90}, {kp::legr1, -90}, {kp::legl2, 45}, {kp::legr2, -45},
           {kp::legl3, -99}, {kp::legr3, -99}, {kp::legl4, 60}, {kp::legr4, 60}, {kp::legl5, -45},
           {kp::legr5, -45}}, kKeeperArmsDown)},
    {NA::S_KeeperCatch6,    2, NA::S_KeeperCatch7, kKeeperSplit},
    {NA::S_KeeperCatch7,    2, NA::S_KeeperCatch8,
     Pose({{kp::legl4, 40}, {kp::legr4, 40}}, kKeeperSplit)},
    {NA::S_KeeperCatch8,    2, NA::S_KeeperCatch9,
     Pose({{kp::legl3, -60}, {kp::legr3, -60}, {kp::legl4, 40}, {kp::legr4, 40}}, kKeeperSplit)},
    {NA::S_KeeperCatch9,  200, NA::S_KeeperCatch10, Pose({{kp::head1, 30}})},
    {NA::S_KeeperCatch10, 100, NA::S_KeeperCatch1,  {}},
}};

// ActionStandUpForward, on the phases of mStandUpBack.
const std::array<Keyframe, 6> kStandUpForward = {{
    {NA::S_StandUpBack_1, 20, NA::S_StandUpBack_2,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::arml1, 120}, {kp::armr1, 120},
           {kp::legl1, 0.0001}, {kp::legr1, 0.0001}, {kp::legl2, 0.0001}, {kp::legr2, 0.0001},
           {kp::legl3, -0.0001}, {kp::legr3, -0.0001}, {kp::legl4, 0.0001}, {kp::legr4, 0.0001},
           {kp::legl5, 0.0001}, {kp::legr5, 0.0001}}, kArmsBent)},
    {NA::S_StandUpBack_2, 30, NA::S_StandUpBack_3,
     Pose({{kp::arml1, 60}, {kp::armr1, 60}, {kp::legl1, -45}, {kp::legr1, -45}, {kp::legl2, 15},
           {kp::legr2, -15}, {kp::legl3, -100}, {kp::legr3, -100}, {kp::legl4, 120},
           {kp::legr4, 120}, {kp::legl5, -15}, {kp::legr5, -15}, {kp::legl6, -30},
           {kp::legr6, 30}})},
    {NA::S_StandUpBack_3,  8, NA::S_StandUpBack_4,
     Pose({{kp::arml1, -15}, {kp::armr1, -15}, {kp::arml2, 0.0001}, {kp::armr2, -0.0001},
           {kp::arml4, -0.0001}, {kp::armr4, 0.0001}, {kp::legl5, -45}, {kp::legr5, -45}})},
    {NA::S_StandUpBack_4, 10, NA::S_StandUpBack_5, {}},
    {NA::S_StandUpBack_5, 60, NA::S_StandUpBack_6, kWalkReadyPose},
    {NA::S_StandUpBack_6,  2, NA::S_StandUpBack_1, {}},
}};

// ActionStandUpBack, on the phases of mStandUpForward.
const NaoAction::KeyframePose kArmsForward = Pose({{kp::arml1, 90}, {kp::armr1, 90}}, kArmsBent);
const std::array<Keyframe, 5> kStandUpBack = {{
    {NA::S_StandUpForward_1, 20, NA::S_StandUpForward_2,
     Pose({{kp::head1, 0.0001}, {kp::head2, 0.0001}, {kp::legl1, 0.0001}, {kp::legr1, 0.0001},
           {kp::legl2, 0.0001}, {kp::legr2, 0.0001}, {kp::legl3, -0.0001}, {kp::legr3, -0.0001},
           {kp::legl4, 0.0001}, {kp::legr4, 0.0001}, {kp::legl5, 0.0001}, {kp::legr5, 0.0001},
           {kp::legl6, 0.0001}, {kp::legr6, 0.0001}}, kArmsForward)},
    {NA::S_StandUpForward_2, 16, NA::S_StandUpForward_3,
     Pose({{kp::legl5, 0.0001}, {kp::legr5, 0.0001}}, kArmsForward)},
    {NA::S_StandUpForward_3, 26, NA::S_StandUpForward_4,
     Pose({{kp::legl3, -60}, {kp::legr3, -60}})},
    {NA::S_StandUpForward_4, 30, NA::S_StandUpForward_5,
     Pose({{kp::legl1, -90}, {kp::legr1, -90}, {kp::legl2, 45}, {kp::legr2, -45},
           {kp::legl3, -90}, {kp::legr3, -90}, {kp::legl5, -0.0001}, {kp::legr5, -0.0001}})},
    {NA::S_StandUpForward_5, 90, NA::S_StandUpForward_1,
     Pose({{kp::arml4, -0.0001}, {kp::armr4, 0.0001}, {kp::legl1, 0.001}, {kp::legr1, 0.001},
           {kp::legl2, 0.0001}, {kp::legr2, 0.0001}, {kp::legl3, 0.0001}, {kp::legr3, 0.0001}})},
}};
// clang-format on

// One cycle of the row of the present phase (which the caller knows is in the table), the
// phase field set to what follows.
template <typename Phase, std::size_t N>
void RunRow(NaoAction& action, const std::array<Keyframe, N>& rows, Phase& field,
            std::stringstream& ss) {
    const Keyframe* row = FindKeyframe(rows, field);
    field = static_cast<Phase>(
        action.ActionState(row->phase, row->next, ss, row->pose, action.mCounter, row->cycles));
}

// One cycle of a get-up's last move to the origin pose, whose length `originCircle` was
// corrected while it ran. After the default length the joints are left to finish the move at
// their pace and nothing is sent; the phase ends once the counter has reached the corrected
// length. A correction can bring that length below the counter (one that lengthened the move,
// then one that shortened it); the move is over then too, instead of waiting forever for a
// counter value that has gone by. Returns the phase for the next cycle.
int ToOriginPose(NaoAction& action, int phase, int next, std::stringstream& ss, int defaultCircle,
                 int originCircle) {
    if (action.mCounter > defaultCircle) {
        if (action.mCounter < originCircle) return phase;
        action.mCounter = 0;
        return next;
    }
    return action.ActionState(phase, next, ss, kOriginPose, action.mCounter, originCircle);
}

}  // namespace

bool NaoAction::ActionStandFaceSky(std::stringstream& ss, int& tempCounter) {
    mCounter = tempCounter;
    bool finished = false;
    switch (mStandUpFaceSky) {
        case StandUpFaceSky_1:
        case StandUpFaceSky_1_1:
        case StandUpFaceSky_1_2:
        case StandUpFaceSky_2:
        case StandUpFaceSky_3:
            RunRow(*this, kStandUpFaceSky, mStandUpFaceSky, ss);
            break;
        case StandUpFaceSky_4:
            // At the end of the planned length: the cycles the left shoulder still needs.
            if (mCounter == mStandUpFaceSkyOriginCircle)
                mStandUpFaceSkyOriginCircle += JudgeNonWaitCircle(Player::JID_LARM_1, -120);
            mStandUpFaceSky = static_cast<eState_StandUpFaceSky>(
                ToOriginPose(*this, StandUpFaceSky_4, StandUpFaceSky_5, ss, StandUpFaceSkyCircle,
                             mStandUpFaceSkyOriginCircle));
            break;
        case StandUpFaceSky_5:
            mStandUpFaceSky = static_cast<eState_StandUpFaceSky>(
                ActionState(StandUpFaceSky_5, StandUpFaceSky_1, ss, KeyframePose{}, mCounter, 2));
            if (mStandUpFaceSky == StandUpFaceSky_1) {
                mStandUpFaceSkyOriginCircle = StandUpFaceSkyCircle;
                finished = true;
            }
            break;
        default:  // not a phase of this motion: nothing is sent
            break;
    }
    tempCounter = mCounter;
    return finished;
}

bool NaoAction::ActionStandFaceFloor(std::stringstream& ss, int& tempCounter) {
    mCounter = tempCounter;
    bool finished = false;
    switch (mStandUpFaceFloor) {
        case S_StandUpFaceFloor_1:
        case S_StandUpFaceFloor_1_1:
        case S_StandUpFaceFloor_1_2:
        case S_StandUpFaceFloor_3:
            RunRow(*this, kStandUpFaceFloor, mStandUpFaceFloor, ss);
            break;
        case S_StandUpFaceFloor_2:
            RunRow(*this, kStandUpFaceFloor, mStandUpFaceFloor, ss);
            tempSS = ss.str();
            break;
        case S_StandUpFaceFloor_2_1:
            // No keyframe: the last command is sent once more.
            mCounter = 0;
            mStandUpFaceFloor = S_StandUpFaceFloor_3;
            ss << tempSS;
            break;
        case S_StandUpFaceFloor_4:
            if (mCounter == StandUpFaceFloorCircle) {
                const int more = JudgeNonWaitCircle(Player::JID_LARM_1, -120);
                mStandUpFaceFloorOriginCircle += more;
                std::cout << "mStandUpFaceFloorOriginCircle " << more << std::endl;
            }
            mStandUpFaceFloor = static_cast<eState_StandUpFaceFloor>(
                ToOriginPose(*this, S_StandUpFaceFloor_4, S_StandUpFaceFloor_1, ss,
                             StandUpFaceFloorCircle, mStandUpFaceFloorOriginCircle));
            if (mStandUpFaceFloor == S_StandUpFaceFloor_1) {
                mStandUpFaceFloorOriginCircle = StandUpFaceFloorCircle;
                finished = true;
            }
            break;
        default:  // not a phase of this motion: nothing is sent
            break;
    }
    tempCounter = mCounter;
    return finished;
}

bool NaoAction::ActionStumble_Left(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kStumbleLeft, mStumbleLeft, ss, tempCounter,
                     UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionStumble_Right(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kStumbleRight, mStubleRight, ss, tempCounter,
                     UnknownPhase::RunFirstKeyframe);
}

bool NaoAction::ActionKeeperCatch(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kKeeperCatch, mKeeperCatch, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionStandUpForward(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kStandUpForward, mStandUpBack, ss, tempCounter, UnknownPhase::Ignore);
}

bool NaoAction::ActionStandUpBack(std::stringstream& ss, int& tempCounter) {
    return RunMotion(*this, kStandUpBack, mStandUpForward, ss, tempCounter, UnknownPhase::Ignore);
}
