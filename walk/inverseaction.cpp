#include "walk/inverseaction.h"

float InverseAction::rotateAngle = 0;
bool InverseAction::tempBool = true;

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
    if (tempBool) myInverse.SetFootFirst(true, 0.08f);
    tempBool = myInverse.InverseStepRotate();
    SolveLegs(leftFoot, rightFoot, circleCcount, myPlayer);
    return tempBool;
}

bool InverseAction::CalBeanCircleAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                                       int& circleCcount, Player myPlayer) {
    // Counting from step 2 keeps the left foot swinging first (odd steps swing the left foot).
    if (tempBool) myInverse.SetFootFirst(true, 0.12f, 2);
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
