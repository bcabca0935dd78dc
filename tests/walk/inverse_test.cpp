// Gait generator: pendulum, step set-up limits and memory, steady forward walk by cycle.

#include "walk/inverse.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gait_fixture.h"

namespace {

FlagLocation StepSetUp(Inverse& gait, int n, float x, float d, float angle) {
    Inverse::stepCount = n;
    gait.SetInverseStepSlatter(x, d, angle);
    return Inverse::Slatter;
}

}  // namespace

TEST_F(GaitTest, PendulumEndsHalfAStepAheadInXAndBackInY) {
    EXPECT_NEAR(Inverse::Tc, std::sqrt(0.3323 / 9.8), 1e-6);  // the torso 0.3323 m high
    for (float tsup : {0.2f, 0.28f}) {
        gait.ChangeTsup(tsup);
        const float C = Inverse::C, S = Inverse::S, Tc = Inverse::Tc, lx = 0.04f, ly = -0.055f;
        const float vx = (1 + C) / (S * Tc) * lx, vy = (C - 1) / (S * Tc) * ly;
        EXPECT_NEAR(gait.CentroidEquation(0, lx, vx), -lx, 1e-7f);
        EXPECT_NEAR(gait.CentroidEquation(tsup, lx, vx), lx, 1e-6f) << tsup;
        EXPECT_NEAR(gait.CentroidEquation(tsup, ly, vy), -ly, 1e-6f) << tsup;
        EXPECT_NEAR(gait.GetCentroidVelocity(tsup, ly, vy), -vy, 1e-5f) << tsup;  // mirrored
        // The step set-up's start velocities per metre of half-step are these.
        Inverse::Scurrent = FlagLocation(0.08f, 0.11f, 0);
        Inverse::stepCount = 2;
        Inverse::oneStepCount = 1;
        gait.FootCalPara();
        EXPECT_NEAR(Inverse::xUnitVelocity / Inverse::xUnit, vx / lx, 1e-3f) << tsup;
        EXPECT_NEAR(Inverse::yUnitVelocity / Inverse::yUnit, vy / ly, 1e-4f) << tsup;
    }
}

TEST_F(GaitTest, StepSetUpLimitsAndMemory) {
    // Odd steps swing the left foot, even steps the right one; a sidestep is split between them.
    EXPECT_NEAR(StepSetUp(gait, 3, 0, 0.03f, 0).y, 0.13f, 1e-6f);
    EXPECT_NEAR(StepSetUp(gait, 4, 0, 0.03f, 0).y, 0.10f, 1e-6f);
    ResetGait();
    // Strides: the first two at most 0.08; beyond 0.185 a stride is 0.19 forward, 0.18 back,
    // whatever the step's duration.
    EXPECT_FLOAT_EQ(StepSetUp(gait, 1, 0.15f, 0, 0).x, 0.08f);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 2, -0.15f, 0, 0).x, -0.08f);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 3, 0.2f, 0, 0).x, 0.19f);
    Strategy::findBall = true;
    EXPECT_FLOAT_EQ(StepSetUp(gait, 6, -0.19f, 0, 0).x, -0.18f);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 7, 0.17f, 0, 0).x, 0.17f);
    Strategy::findBall = false;
    ResetGait();
    // Left turns wait for the left foot, at most 3 degrees; a right turn just after is cancelled.
    EXPECT_EQ(StepSetUp(gait, 4, 0, 0, 4).z, 0);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 5, 0, 0, 4).z, 3);
    EXPECT_EQ(StepSetUp(gait, 6, 0, 0, -4).z, 0);
    StepSetUp(gait, 7, 0, 0, 0);
    EXPECT_FLOAT_EQ(StepSetUp(gait, 8, 0, 0, -4).z, -3);
}

TEST_F(GaitTest, SteadyForwardWalkOnTheRightFoot) {
    // {cycle of the step, centre of mass x, y, left ankle x}: first, middle, last.
    const float rows[][4] = {{1, -0.0314f, 0.0524f, -0.0711f},
                             {5, 0.0000f, 0.0478f, 0},
                             {10, 0.0400f, 0.0550f, 0.0800f}};
    const float fourDecimals = 6e-5f;
    Strategy::findBall = true;  // 0.2 s steps
    Inverse::goalDistance = 0.16f;
    gait.SetFootFirst(true, 0.2f);
    for (int i = 0; i < 20; ++i) gait.InverseStepAI();
    for (int k = 1; k <= 10; ++k) {
        gait.InverseStepAI();
        ASSERT_EQ(Inverse::stepCount * 100 + Inverse::oneStepCount, 300 + k);
        FootLocationAndAngle left, right;
        FlagLocation torse;
        gait.GetTorseAndAnkle(left, right, torse);
        for (const auto& r : rows) {
            if (r[0] != k) continue;
            EXPECT_NEAR(Inverse::centroidLocationx, r[1], fourDecimals) << k;
            EXPECT_NEAR(Inverse::centroidLocationy, r[2], fourDecimals) << k;
            EXPECT_NEAR(left.location.x, r[3], fourDecimals) << k;
        }
        EXPECT_NEAR(left.location.y, 0.11f, fourDecimals) << k;
        EXPECT_NEAR(left.location.z, k == 10 ? 0.05f : 0.057f, 1e-6f) << k;
        EXPECT_EQ(right.location.x + right.location.y, 0) << k;
    }
}

TEST_F(GaitTest, FirstStepAfterARestartLiftsTheFootOnlyWhileTheSupportFootUnwindsATurn) {
    // The swing foot (left) before mid-step of the first step after a restart, and the support
    // foot's yaw there. A right turn's last step leaves the right foot turned; the restart that
    // continues the turn unwinds it, with the left foot lifted as in any other step. From feet
    // side by side the foot stays on the ground until mid-step.
    const struct Case {
        float supportTurn;  // degrees, as left by the step before the restart
        float swingZ;       // metres
    } cases[] = {{-16, 0.057f}, {-5, 0.057f}, {0, 0.05f}};
    for (const Case& c : cases) {
        ResetGait();
        Inverse::Slatter = FlagLocation(0, 0.11f, c.supportTurn);
        Inverse::rotateAngle = -16;
        gait.SetFootFirst(true, 0.28f);
        for (int k = 1; k < Inverse::HalfStep(); ++k) {
            gait.InverseStepRotate();
            FootLocationAndAngle left, right;
            FlagLocation torse;
            gait.GetTorseAndAnkle(left, right, torse);
            EXPECT_NEAR(left.location.z, c.swingZ, 1e-6f) << c.supportTurn << " cycle " << k;
            EXPECT_NEAR(left.location.y, 0.11f, 1e-6f) << c.supportTurn << " cycle " << k;
            EXPECT_NEAR(right.angle.z, c.supportTurn * (1 - k / 14.0f), 1e-4f) << k;
        }
    }
}

TEST_F(GaitTest, StoppingStepsTurnBackATurnStillHeldInTheSupportFoot) {
    // {turn the step before left in the support foot, degrees; the two stopping steps' turns}.
    // The first stopping step lands the swinging foot turned back by the held turn, the second
    // lands the feet side by side, so the torso's two turns over the support feet cancel out.
    const float cases[][3] = {{-16, 16, 0}, {-3, 3, 0}, {0, 0, 0}};
    for (const auto& c : cases) {
        ResetGait();
        Inverse::Slatter = FlagLocation(0, 0.11f, c[0]);
        gait.SetFootFirst(true, 0.28f);
        float turns[2] = {};
        for (int cycle = 0; cycle < 2 * Inverse::CyclesPerStep(); ++cycle) {
            gait.InverseStepAIEnd();
            if (Inverse::oneStepCount == 1) turns[Inverse::stepCount - 1] = Inverse::Slatter.z;
        }
        EXPECT_FLOAT_EQ(turns[0], c[1]) << c[0];
        EXPECT_FLOAT_EQ(turns[1], c[2]) << c[0];
    }
}
