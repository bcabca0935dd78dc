#include "walk/inverseaction.h"

#include <gtest/gtest.h>

#include <cmath>

#include "behavior/strategy.h"
#include "gait_fixture.h"

namespace {

typedef bool (InverseAction::*WalkingOperation)(LegInverseAngle&, LegInverseAngle&, int&, Player);

class InverseActionTest : public GaitTest {
  protected:
    // Calls the operation once per cycle; returns the first cycle (from 1) that reports true,
    // or 0 when none does within `cycles`.
    int FirstTrue(WalkingOperation operation, int cycles) {
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            int circle = 0;
            bool done = (action.*operation)(left, right, circle, body);
            EXPECT_EQ(circle, 1);
            if (done) return cycle;
        }
        return 0;
    }

    InverseAction action;
    Player body{"1"};
    LegInverseAngle left, right;
};

}  // namespace

TEST_F(InverseActionTest, StrategyWalkRestartsAndReportsStepEnds) {
    Strategy::findBall = true;
    int circle = 0;
    action.CalStepAngle(left, right, circle, body);
    // Restarted with 0.28 s, switched to 0.2 s by the step set-up; the left foot swings.
    EXPECT_EQ(Inverse::Tsup, 0.2f);
    EXPECT_EQ(Inverse::stepCount, 1);
    EXPECT_EQ(Inverse::oneStepCount, 1);
    EXPECT_EQ(FirstTrue(&InverseAction::CalStepAngle, 40), 19);  // cycle 20 of the walk
    EXPECT_TRUE(InverseAction::tempBool);

    // Cleared by the behaviour: the walk goes on and reports every step end.
    InverseAction::tempBool = false;
    EXPECT_EQ(FirstTrue(&InverseAction::CalStepAngle, 40), 10);
    EXPECT_EQ(Inverse::stepCount, 3);
    InverseAction::tempBool = false;
    EXPECT_EQ(FirstTrue(&InverseAction::CalStepAngle, 40), 10);

    // Not cleared: the next call restarts the gait.
    action.CalStepAngle(left, right, circle, body);
    EXPECT_EQ(Inverse::stepCount, 1);
    EXPECT_EQ(Inverse::initStepCount, 0);
}

TEST_F(InverseActionTest, RotateWalksWithFourCycleSteps) {
    Inverse::rotateAngle = 10;
    EXPECT_EQ(FirstTrue(&InverseAction::CalRotateAngle, 40), 8);
    EXPECT_EQ(Inverse::CyclesPerStep(), 4);
    EXPECT_EQ(Inverse::initStepCount, 0);
    EXPECT_EQ(Inverse::stepCount, 2);
}

TEST_F(InverseActionTest, BeamCircleCountsFromStepTwo) {
    Inverse::rotateAngle = 10;
    int circle = 0;
    action.CalBeanCircleAngle(left, right, circle, body);
    EXPECT_EQ(Inverse::stepCount, 3);  // odd: the left foot swings first
    EXPECT_EQ(Inverse::CyclesPerStep(), 6);
    // First true at the end of step 4.
    EXPECT_EQ(FirstTrue(&InverseAction::CalBeanCircleAngle, 40), 11);
    EXPECT_EQ(Inverse::stepCount, 4);
}

TEST_F(InverseActionTest, StoppingWalkBringsTheFeetTogether) {
    Inverse::goalDistance = 0.2f;
    Inverse::rotateAngle = 8;
    EXPECT_EQ(FirstTrue(&InverseAction::CalStepEndAngle, 60), 28);
    EXPECT_EQ(Inverse::Slatter.x, 0);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.11f);
    EXPECT_EQ(Inverse::Slatter.z, 0);
}

TEST_F(InverseActionTest, FlatFeetUnderAnUprightTorsoWhileWalking) {
    // Walking straight ahead and sideways without a turn keeps both feet flat: each leg's hip
    // roll cancels its ankle roll and the three pitch angles cancel.
    Inverse::goalDistance = 0.16f;
    Inverse::BeamDistance = 0.03f;
    for (int cycle = 1; cycle <= 56; ++cycle) {
        int circle = 0;
        action.CalStepAngle(left, right, circle, body);
        InverseAction::tempBool = false;
        for (const LegInverseAngle& q : {left, right}) {
            ASSERT_TRUE(std::isfinite(q.q4 + q.q5 + q.q6 + q.q2 + q.q3 + q.q7));
            EXPECT_NEAR(q.q2, 0, 0.01f) << cycle;
            EXPECT_NEAR(q.q3 + q.q7, 0, 0.01f) << cycle;
            EXPECT_NEAR(q.q4 + q.q5 + q.q6, 0, 0.01f) << cycle;
        }
    }
}

TEST_F(InverseActionTest, SetInverseSlatterKeepsTurnsThatSuitTheNextFoot) {
    Inverse::stepCount = 3;
    action.SetInverseSlatter(0.05f, 0.1f, -4);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, -4);
    action.SetInverseSlatter(0.05f, 0.1f, 4);
    EXPECT_EQ(Inverse::Slatter.z, 0);
    EXPECT_FLOAT_EQ(Inverse::Slatter.x, 0.05f);
    Inverse::stepCount = 4;
    action.SetInverseSlatter(0.05f, 0.1f, 4);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, 4);
    action.SetInverseSlatter(0.05f, 0.1f, -4);
    EXPECT_EQ(Inverse::Slatter.z, 0);
}
