#include "walk/inverse.h"

#include <gtest/gtest.h>

#include "behavior/strategy.h"
#include "gait_fixture.h"

namespace {

// Values given to four decimals.
const float kFourDecimals = 0.00006f;

// Ratio of the start velocity to the half-step for x and y with the present Tsup.
void UnitVelocityFactors(Inverse& gait, float& xFactor, float& yFactor) {
    Inverse::Scurrent = FlagLocation(0.08f, 0.11f, 0);
    Inverse::stepCount = 2;
    Inverse::oneStepCount = 1;
    gait.FootCalPara();
    xFactor = Inverse::xUnitVelocity / Inverse::xUnit;
    yFactor = Inverse::yUnitVelocity / Inverse::yUnit;
}

// Runs the strategy-driven walk until step `step` begins (its first cycle done).
void WalkUntilStep(Inverse& gait, int step) {
    while (!(Inverse::stepCount == step && Inverse::oneStepCount == 1)) gait.InverseStepAI();
}

// Runs one step set-up with the given step number.
FlagLocation StepSetUp(Inverse& gait, int n, float x, float d, float angle) {
    Inverse::stepCount = n;
    gait.SetInverseStepSlatter(x, d, angle);
    return Inverse::Slatter;
}

}  // namespace

TEST_F(GaitTest, PendulumConstantsForBothStepDurations) {
    EXPECT_NEAR(Inverse::Tc, 0.184142f, 1e-6f);
    EXPECT_NEAR(Inverse::C, 1.65014f, 1e-5f);
    EXPECT_NEAR(Inverse::S, 1.31262f, 1e-5f);

    float xFactor, yFactor;
    UnitVelocityFactors(gait, xFactor, yFactor);
    EXPECT_NEAR(xFactor, 10.9642f, 1e-3f);
    EXPECT_NEAR(yFactor, 2.68978f, 1e-4f);

    gait.ChangeTsup(0.28f);
    UnitVelocityFactors(gait, xFactor, yFactor);
    EXPECT_NEAR(xFactor, 8.46885f, 1e-3f);
    EXPECT_NEAR(yFactor, 3.48234f, 1e-4f);

    // A restart fixes the duration; 0.12 s steps have 6 cycles, 0.08 s steps 4.
    gait.SetFootFirst(true, 0.12f);
    EXPECT_EQ(Inverse::CyclesPerStep(), 6);
    gait.SetFootFirst(true, 0.08f);
    EXPECT_EQ(Inverse::CyclesPerStep(), 4);
    EXPECT_EQ(Inverse::HalfStep(), 2);
}

TEST_F(GaitTest, PendulumEndsHalfAStepAheadInXAndBackInY) {
    for (float tsup : {0.2f, 0.28f}) {
        gait.ChangeTsup(tsup);
        const float C = Inverse::C, S = Inverse::S, Tc = Inverse::Tc;
        const float lx = 0.04f, ly = -0.055f;
        float vx = (1 + C) / (S * Tc) * lx;
        float vy = (C - 1) / (S * Tc) * ly;
        EXPECT_NEAR(gait.CentroidEquation(0, lx, vx), -lx, 1e-7f);
        EXPECT_NEAR(gait.CentroidEquation(tsup, lx, vx), lx, 1e-6f) << tsup;
        EXPECT_NEAR(gait.CentroidEquation(tsup, ly, vy), -ly, 1e-6f) << tsup;
        // The lateral velocity is mirrored at the end of the step and zero at mid-step.
        EXPECT_NEAR(gait.GetCentroidVelocity(tsup, ly, vy), -vy, 1e-5f) << tsup;
        EXPECT_NEAR(gait.GetCentroidVelocity(tsup / 2, ly, vy), 0, 1e-5f) << tsup;
    }
}

TEST_F(GaitTest, ForwardCommandGivesTheSameStepRecordOnEveryStep) {
    Inverse::goalDistance = 0.16f;
    gait.SetFootFirst(true, 0.28f);
    for (int step = 1; step <= 6; ++step) {
        WalkUntilStep(gait, step);
        EXPECT_FLOAT_EQ(Inverse::Slatter.x, 0.08f) << step;
        EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.11f) << step;
        EXPECT_EQ(Inverse::Slatter.z, 0) << step;
        EXPECT_EQ(Inverse::Tsup, 0.28f) << step;
    }
}

TEST_F(GaitTest, SidestepSplitsTheLateralDistanceBetweenTheFeet) {
    // Odd steps swing the left foot (yl), even steps the right foot (yr).
    EXPECT_NEAR(StepSetUp(gait, 3, 0, 0.03f, 0).y, 0.13f, 1e-6f);
    EXPECT_NEAR(StepSetUp(gait, 4, 0, 0.03f, 0).y, 0.10f, 1e-6f);
    ResetGait();
    EXPECT_NEAR(StepSetUp(gait, 3, 0, -0.09f, 0).y, 0.09f, 1e-6f);
    EXPECT_NEAR(StepSetUp(gait, 4, 0, -0.09f, 0).y, 0.15f, 1e-6f);
    ResetGait();
    // A sidestep begun by the left foot is completed by the right one when the command stops.
    EXPECT_NEAR(StepSetUp(gait, 3, 0, 0.03f, 0).y, 0.13f, 1e-6f);
    EXPECT_NEAR(StepSetUp(gait, 4, 0, 0, 0).y, 0.10f, 1e-6f);
    EXPECT_NEAR(StepSetUp(gait, 5, 0, 0, 0).y, 0.11f, 1e-6f);
}

TEST_F(GaitTest, StrideLimits) {
    // The first two steps are at most 0.08, with the command's sign.
    EXPECT_FLOAT_EQ(StepSetUp(gait, 1, 0.15f, 0, 0).x, 0.08f);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 2, -0.15f, 0, 0).x, -0.08f);
    ResetGait();
    // Later, anything beyond 0.185 becomes 0.19 forward or 0.18 backward, without a sidestep.
    FlagLocation s = StepSetUp(gait, 3, 0.2f, 0.05f, 0);
    EXPECT_FLOAT_EQ(s.x, 0.19f);
    EXPECT_FLOAT_EQ(s.y, 0.11f);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 4, -0.2f, 0, 0).x, -0.18f);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 5, -0.12f, 0, 0).x, -0.12f);
    ResetGait();
    // No sidestep during a long stride that follows a long stride.
    StepSetUp(gait, 3, 0.19f, 0, 0);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 5, 0.15f, 0.05f, 0).y, 0.11f);
    ResetGait();
    // No long stride right after a wide sidestep.
    StepSetUp(gait, 3, 0, 0.12f, 0);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 5, 0.17f, 0, 0).x, 0.15f);
}

TEST_F(GaitTest, TurnsAreMadeByTheFootOnTheirSideAndNeverReversed) {
    // A left turn waits for the left foot (odd step) and is limited to 3 degrees.
    EXPECT_EQ(StepSetUp(gait, 4, 0, 0, 4).z, 0);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 5, 0, 0, 4).z, 3);
    ResetGait();
    // A right turn right after a left turn request of +2 is cancelled.
    EXPECT_FLOAT_EQ(StepSetUp(gait, 3, 0, 0, 2).z, 2);
    EXPECT_EQ(StepSetUp(gait, 4, 0, 0, -4).z, 0);
    // Once the turn memory is clear the right foot turns right.
    StepSetUp(gait, 5, 0, 0, 0);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 6, 0, 0, -4).z, -3);
}

TEST_F(GaitTest, PushingTheBallWalksFasterAndTurnsFurther) {
    Strategy::findBall = true;
    EXPECT_FLOAT_EQ(StepSetUp(gait, 5, 0.1f, 0, 7).z, 5);
    EXPECT_EQ(Inverse::Tsup, 0.2f);
    EXPECT_EQ(Inverse::CyclesPerStep(), 10);
    ResetGait();
    Strategy::findBall = true;
    Inverse::BeamDistance = 0.02f;
    EXPECT_EQ(StepSetUp(gait, 5, 0.1f, 0.02f, 4).z, 0);
    Strategy::findBall = false;
    StepSetUp(gait, 7, 0.1f, 0, 0);
    EXPECT_EQ(Inverse::Tsup, 0.28f);
}

TEST_F(GaitTest, RotateAndCircleSetUps) {
    Inverse::stepCount = 3;
    gait.SetInverseRotateSlatter(0, 0.11f, 20);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, 16);
    Inverse::stepCount = 4;
    gait.SetInverseRotateSlatter(0, 0.11f, 20);
    EXPECT_EQ(Inverse::Slatter.z, 0);
    gait.SetInverseRotateSlatter(0, 0.11f, -20);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, -16);

    // Circling: the narrow step turns the other way, the wide step does not turn.
    Inverse::stepCount = 3;
    gait.SetInverseBeamCircleSlatter(0.5f, 0.5f, 10);
    EXPECT_FLOAT_EQ(Inverse::Slatter.x, 0.008f);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.14f);
    EXPECT_EQ(Inverse::Slatter.z, 0);
    Inverse::stepCount = 4;
    gait.SetInverseBeamCircleSlatter(0.5f, 0.5f, 10);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.09f);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, -10);
    Inverse::stepCount = 3;
    gait.SetInverseBeamCircleSlatter(0.5f, 0.5f, -20);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.09f);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, 16);

    gait.SetInverseStepEndSlatter(0.1f, 0.2f, 10);
    EXPECT_EQ(Inverse::Slatter.x, 0);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.11f);
    EXPECT_EQ(Inverse::Slatter.z, 0);
}

TEST_F(GaitTest, SteadyForwardWalkOnTheRightFoot) {
    const float comX[10] = {-0.0314f, -0.0233f, -0.0154f, -0.0076f, 0.0000f,
                            0.0076f,  0.0154f,  0.0233f,  0.0314f,  0.0400f};
    const float comY[10] = {0.0524f, 0.0503f, 0.0489f, 0.0481f, 0.0478f,
                            0.0481f, 0.0489f, 0.0503f, 0.0524f, 0.0550f};
    const float leftX[10] = {-0.0711f, -0.0533f, -0.0356f, -0.0178f, 0,
                             0.0178f,  0.0356f,  0.0533f,  0.0711f,  0.0800f};
    Strategy::findBall = true;  // 0.2 s steps
    Inverse::goalDistance = 0.16f;
    gait.SetFootFirst(true, 0.2f);
    for (int i = 0; i < 20; ++i) gait.InverseStepAI();
    for (int k = 1; k <= 10; ++k) {
        gait.InverseStepAI();
        ASSERT_EQ(Inverse::stepCount, 3);
        ASSERT_EQ(Inverse::oneStepCount, k);
        FootLocationAndAngle left, right;
        FlagLocation torse;
        gait.GetTorseAndAnkle(left, right, torse);
        EXPECT_NEAR(Inverse::centroidLocationx, comX[k - 1], kFourDecimals) << k;
        EXPECT_NEAR(Inverse::centroidLocationy, comY[k - 1], kFourDecimals) << k;
        EXPECT_NEAR(left.location.x, leftX[k - 1], kFourDecimals) << k;
        EXPECT_NEAR(left.location.y, 0.11f, kFourDecimals) << k;
        EXPECT_NEAR(left.location.z, k == 10 ? 0.05f : 0.057f, 1e-6f) << k;
        EXPECT_FLOAT_EQ(right.location.x, 0);
        EXPECT_FLOAT_EQ(right.location.y, 0);
        EXPECT_FLOAT_EQ(right.location.z, 0.05f);
        EXPECT_NEAR(torse.x, Inverse::centroidLocationx + 0.035f, 1e-6f) << k;
        EXPECT_NEAR(torse.y, Inverse::centroidLocationy, 1e-6f) << k;
        EXPECT_FLOAT_EQ(torse.z, 0.333f);
    }
}

TEST_F(GaitTest, SwingFootPathAndTurn) {
    // Right foot swings on step 4 with a right turn; left foot supports after a left turn.
    Inverse::Tsup = 0.2f;
    Inverse::stepCount = 4;
    Inverse::Scurrent = FlagLocation(0.06f, 0.12f, 10);
    Inverse::Slatter = FlagLocation(0.05f, 0.10f, -6);
    gait.FootLocation();
    for (int k = 1; k <= 10; ++k) {
        Inverse::oneStepCount = k;
        FootLocationAndAngle left, right;
        FlagLocation torse;
        gait.GetTorseAndAnkle(left, right, torse);
        EXPECT_FLOAT_EQ(left.location.z, 0.05f);
        EXPECT_NEAR(right.angle.z, -6 * k / 10.0f, 1e-5f) << k;
        EXPECT_NEAR(left.angle.z, 10 - 10 * k / 10.0f, 1e-5f) << k;
        if (k == 5) {
            EXPECT_EQ(right.location.x, 0);
        }
        if (k == 10) {
            EXPECT_EQ(right.location.x, Inverse::pxn_1);
            EXPECT_EQ(right.location.y, Inverse::pyn_1);
            EXPECT_EQ(right.location.z, 0.05f);
        } else {
            EXPECT_FLOAT_EQ(right.location.z, 0.057f);
        }
    }
    // The landing point is the step record turned by its own angle, on the right side.
    EXPECT_NEAR(Inverse::pxn_1, 0.05f * 0.99452f - 0.10f * 0.10453f, 1e-5f);
    EXPECT_NEAR(Inverse::pyn_1, -0.10f * 0.99452f + 0.05f * -0.10453f, 1e-5f);
}

TEST_F(GaitTest, FirstStepAfterARestartLiftsTheLeftFootInPlace) {
    Strategy::findBall = true;
    gait.SetFootFirst(true, 0.2f);
    for (int k = 1; k <= 10; ++k) {
        gait.InverseStepAI();
        ASSERT_EQ(Inverse::stepCount, 1);
        FootLocationAndAngle left, right;
        FlagLocation torse;
        gait.GetTorseAndAnkle(left, right, torse);
        EXPECT_FLOAT_EQ(right.location.z, 0.05f);  // the right foot supports
        if (k <= 5) {
            EXPECT_EQ(left.location.x, 0) << k;
            EXPECT_FLOAT_EQ(left.location.y, 0.11f) << k;
            EXPECT_FLOAT_EQ(left.location.z, k == 5 ? 0.057f : 0.05f) << k;
        }
    }
}

TEST_F(GaitTest, WalkingKindsReportTheEndOfAStepAfterTwoSteps) {
    gait.SetFootFirst(true, 0.28f);
    int firstTrue = 0;
    for (int cycle = 1; cycle <= 60 && !firstTrue; ++cycle)
        if (gait.InverseStepAI()) firstTrue = cycle;
    EXPECT_EQ(firstTrue, 28);
    for (int cycle = 1; cycle < 14; ++cycle) EXPECT_FALSE(gait.InverseStepAI()) << cycle;
    EXPECT_TRUE(gait.InverseStepAI());

    // The stopping walk after an odd start needs a third step.
    ResetGait();
    gait.SetFootFirst(false, 0.28f);
    firstTrue = 0;
    for (int cycle = 1; cycle <= 60 && !firstTrue; ++cycle)
        if (gait.InverseStepAIEnd()) firstTrue = cycle;
    EXPECT_EQ(firstTrue, 42);
}

TEST_F(GaitTest, FixedTestWalkTurnsRightEverySecondStep) {
    testing::internal::CaptureStdout();
    for (int cycle = 0; cycle < 10; ++cycle) gait.InverseStep();
    EXPECT_EQ(Inverse::Slatter.z, 0);
    gait.InverseStep();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Inverse::stepCount, 2);
    EXPECT_FLOAT_EQ(Inverse::Slatter.x, 0.08f);
    EXPECT_FLOAT_EQ(Inverse::Slatter.z, -7);
    EXPECT_NE(out.find("stepCount 2 int(Tsup/0.02) 10 oneStepCount 1\n"), std::string::npos);
}

TEST_F(GaitTest, KickBeamWalkTakesTheWholeCommandPerStepOnAWideStance) {
    Inverse::goalDistance = 0.12f;
    gait.SetFootFirst(true, 0.2f);
    testing::internal::CaptureStdout();
    gait.InverseKickBeamStep();
    // The first two steps are limited to 0.08; the lateral argument 0.11 reads as a sidestep
    // beyond 0.06, so the left foot steps out to 0.15 and the right one to 0.09. The step
    // set-up also makes the steps 0.28 s long (14 cycles).
    EXPECT_FLOAT_EQ(Inverse::Slatter.x, 0.08f);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.15f);
    for (int cycle = 0; cycle < 14; ++cycle) gait.InverseKickBeamStep();
    EXPECT_EQ(Inverse::stepCount, 2);
    EXPECT_FLOAT_EQ(Inverse::Slatter.y, 0.09f);
    for (int cycle = 0; cycle < 14; ++cycle) gait.InverseKickBeamStep();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Inverse::stepCount, 3);
    EXPECT_FLOAT_EQ(Inverse::Slatter.x, 0.12f);
    EXPECT_NE(out.find("stepCount 3 int(Tsup/0.02) 14 oneStepCount 1\n"), std::string::npos);
}
