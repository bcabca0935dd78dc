// Gait-generated walking of the motion library (class NaoAction): each call advances the gait
// generator and leg inverse kinematics by one cycle and sends the legs as a keyframe.
//   ActionInverseStepAI      walking by the strategy's command
//   ActionInverseRotate      turning on the spot
//   ActionInverseBeamCircle  walking sideways on an arc
//   ActionInverseStepAIEnd   the stopping steps
//   ActionInverseStep        the fixed test walk of the body model

#include <iostream>

#include "motion/naoaction.h"

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
