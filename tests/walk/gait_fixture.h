#ifndef TESTS_WALK_GAIT_FIXTURE_H
#define TESTS_WALK_GAIT_FIXTURE_H

#include <gtest/gtest.h>

#include "behavior/strategy.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"

// Puts the process-wide gait, walking command and step set-up memory back to their start.
inline void ResetGait() {
    Inverse::zc = 0.3323f;
    Inverse::initStepCount = Inverse::oneStepCount = 0;
    Inverse::Scurrent = FlagLocation(0, 0, 0);
    Inverse::pxn = Inverse::pyn = Inverse::pxn_1 = Inverse::pyn_1 = 0;
    Inverse::goalDistance = 0.12f;
    Inverse::BeamDistance = Inverse::rotateAngle = 0;
    Strategy::findBall = false;
    InverseAction::tempBool = true;
    Inverse gait;
    Inverse::stepCount = 1;  // two zero-command odd steps clear the remembered turn and steps
    gait.SetInverseStepSlatter(0, 0, 0);
    gait.SetInverseStepSlatter(0, 0, 0);
    Inverse::stepCount = 0;
    Inverse::Slatter = FlagLocation(0, 0.11f, 0);
    Inverse::Tsup = 0.2f;
    gait.SetTc();
}

class GaitTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetGait(); }
    Inverse gait;
};

#endif
