#include "walk/inverseaction.h"

float InverseAction::rotateAngle = 0;
bool InverseAction::tempBool = true;

namespace {

// Step duration of the turn on the spot and of the walk round the ball, seconds: that of the
// forward walk. With 4-cycle (0.08 s) turning steps the feet cannot follow the targets through
// the one-cycle command lag (tracking errors of 40 degrees) and the robot fell backwards within
// 1.3 s every time, turning or not; with 6-cycle (0.12 s) steps round the ball it fell sideways
// within 5 s. At 0.28 s both turn about 30 degrees per second on the spot without a fall.
const float kTurnStepSeconds = 0.28f;

}  // namespace

bool InverseAction::CalStepAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                                 int& circleCcount, Player myPlayer) {
    if (tempBool) myInverse.SetFootFirst(true, 0.28f);
    tempBool = myInverse.InverseStepAI();
    SolveLegs(leftFoot, rightFoot, circleCcount, myPlayer);
    return tempBool;
}

bool InverseAction::CalStepEndAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                                    int& circleCcount, Player myPlayer) {
    if (tempBool) myInverse.SetFootFirst(true, 0.28f);
    tempBool = myInverse.InverseStepAIEnd();
    SolveLegs(leftFoot, rightFoot, circleCcount, myPlayer);
    return tempBool;
}

bool InverseAction::CalRotateAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                                   int& circleCcount, Player myPlayer) {
    if (tempBool) myInverse.SetFootFirst(true, kTurnStepSeconds);
    tempBool = myInverse.InverseStepRotate();
    SolveLegs(leftFoot, rightFoot, circleCcount, myPlayer);
    return tempBool;
}

bool InverseAction::CalBeanCircleAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                                       int& circleCcount, Player myPlayer) {
    // Counting from step 2 keeps the left foot swinging first (odd steps swing the left foot).
    if (tempBool) myInverse.SetFootFirst(true, kTurnStepSeconds, 2);
    tempBool = myInverse.InverseBeamCircle();
    SolveLegs(leftFoot, rightFoot, circleCcount, myPlayer);
    return tempBool;
}

bool InverseAction::CalKickBeamStep(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                                    int& circleCcount, Player myPlayer) {
    if (tempBool) myInverse.SetFootFirst(true, 0.2f);
    tempBool = myInverse.InverseKickBeamStep();
    SolveLegs(leftFoot, rightFoot, circleCcount, myPlayer);
    return tempBool;
}

void InverseAction::SetInverseSlatter(float x, float y, float angle) {
    bool odd = Inverse::stepCount % 2 != 0;
    if ((angle <= 0 && odd) || (angle > 0 && !odd))
        Inverse::Slatter = FlagLocation(x, y, angle);
    else
        Inverse::Slatter = FlagLocation(x, y, 0);
}

void InverseAction::SolveLegs(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                              int& circleCcount, Player& player) {
    FootLocationAndAngle leftAngle, rightAngle;
    FlagLocation torse;
    myInverse.GetTorseAndAnkle(leftAngle, rightAngle, torse);
    rightFoot = player.InverseFromRightFootToTorse(rightAngle.angle, rightAngle.location, torse);
    leftFoot = player.InverseFromLeftFootToTorse(leftAngle.angle, leftAngle.location, torse);
    circleCcount = 1;
}
