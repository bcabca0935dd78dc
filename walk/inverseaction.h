#ifndef WALK_INVERSEACTION_H
#define WALK_INVERSEACTION_H

#include "body/player.h"
#include "walk/inverse.h"

// One cycle of a chosen kind of walk: advances the gait generator by one 20 ms sub-step and
// solves both legs for the resulting foot and torso targets.
class InverseAction {
  public:
    Player myPlayer;
    Inverse myInverse;
    static float rotateAngle;
    // Restart request: when set, the next walking operation restarts the gait before advancing
    // it; afterwards it holds the gait's last result.
    static bool tempBool;

    // Each walking operation returns the gait's result (true at the end of a step once enough
    // steps were made) and sets circleCcount to 1: the command covers one cycle. The leg
    // solutions use the body dimensions of myPlayer, given by value.
    bool CalStepAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot, int& circleCcount,
                      Player myPlayer);
    bool CalStepEndAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot, int& circleCcount,
                         Player myPlayer);
    bool CalRotateAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot, int& circleCcount,
                        Player myPlayer);
    bool CalBeanCircleAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot,
                            int& circleCcount, Player myPlayer);
    bool CalKickBeamStep(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot, int& circleCcount,
                         Player myPlayer);
    // Slatter = (x, y, angle) when the turn suits the foot that swings next, else (x, y, 0).
    void SetInverseSlatter(float x, float y, float angle);

  private:
    void SolveLegs(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot, int& circleCcount,
                   Player& player);
};

#endif
