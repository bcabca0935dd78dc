#ifndef TESTS_WALK_GAIT_FIXTURE_H
#define TESTS_WALK_GAIT_FIXTURE_H

#include <gtest/gtest.h>

#include "behavior/strategy.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"

// Puts the process-wide gait back to its start values, as in a fresh process: the walk state,
// the walking command, the strategy's flag, the restart request and the memory of the previous
// walk step.
inline void ResetGait() {
    Inverse::Tsup = 0.2f;
    Inverse::zc = 0.3323f;
    Inverse::stepCount = 0;
    Inverse::initStepCount = 0;
    Inverse::oneStepCount = 0;
    Inverse::Scurrent = FlagLocation(0, 0, 0);
    Inverse::pxn = Inverse::pyn = Inverse::pxn_1 = Inverse::pyn_1 = 0;
    Inverse::goalDistance = 0.12f;
    Inverse::BeamDistance = 0;
    Inverse::rotateAngle = 0;
    Strategy::findBall = false;
    InverseAction::tempBool = true;
    Inverse gait;
    // Two zero-command steps on odd step numbers clear the remembered turn, sidestep and stride.
    Inverse::stepCount = 1;
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
    void TearDown() override { ResetGait(); }
    Inverse gait;
};

#endif
