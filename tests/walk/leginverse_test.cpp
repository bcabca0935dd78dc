// Leg inverse kinematics: worked examples, mirrored legs, clamped unreachable targets.

#include <gtest/gtest.h>

#include <cmath>

#include "body/player.h"

namespace {

const FlagLocation kStandTorse(0, 0, 0.333f);
const FlagLocation kNoTurn(0, 0, 0);

TEST(LegInverseTest, StandingExamplesMirroredLegsAndPitchClosure) {
    Player body("1");
    for (const LegInverseAngle& q :
         {body.InverseFromLeftFootToTorse(kNoTurn, {0.04f, 0.055f, 0.05f}, kStandTorse),
          body.InverseFromRightFootToTorse(kNoTurn, {0.04f, -0.055f, 0.05f}, kStandTorse)}) {
        EXPECT_NEAR(q.q4, -47.59f, 0.005f);
        EXPECT_NEAR(q.q5, 72.41f, 0.005f);
        EXPECT_NEAR(q.q6, -24.82f, 0.005f);
        EXPECT_NEAR(q.q4 + q.q5 + q.q6, 0, 1e-3f);
        EXPECT_NEAR(q.q2, 0, 0.001f);
        EXPECT_NEAR(q.q3, 0, 0.001f);
    }
    // An exact zero ankle roll is snapped away from the hold marker.
    EXPECT_EQ(body.InverseFromLeftFootToTorse(kNoTurn, {0, 0.055f, 0.05f}, kStandTorse).q7,
              0.0001f);
    // Foot yaw +10 on the left leg, -10 on the right: only the roll joints change sign.
    const LegInverseAngle l =
        body.InverseFromLeftFootToTorse(FlagLocation(0, 0, 10), {0, 0.055f, 0.05f}, kStandTorse);
    const LegInverseAngle r =
        body.InverseFromRightFootToTorse(FlagLocation(0, 0, -10), {0, -0.055f, 0.05f}, kStandTorse);
    EXPECT_NEAR(l.q2, -14.14f, 0.01f);
    EXPECT_NEAR(std::fabs(l.q3), 0.28f, 0.01f);
    EXPECT_NEAR(std::fabs(l.q7), 0.59f, 0.01f);
    const float sign[] = {1, -1, 1, 1, 1, -1};
    const float left[] = {l.q2, l.q3, l.q4, l.q5, l.q6, l.q7};
    const float right[] = {r.q2, r.q3, r.q4, r.q5, r.q6, r.q7};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(left[i], sign[i] * right[i], 1e-3f) << "q" << i + 2;
}

TEST(LegInverseTest, UnreachableTargetsGiveTheNearestFinitePose) {
    Player body("1");
    // Straight down out of reach: the leg stretched to A + B, straight but for the thigh offset.
    const LegInverseAngle down =
        body.InverseFromLeftFootToTorse(kNoTurn, {-0.01f, 0.055f, -0.5f}, kStandTorse);
    EXPECT_NEAR(down.q5, -2.39f, 1e-3f);
    EXPECT_NEAR(down.q6, 0, 1e-3f);
    EXPECT_NEAR(down.q4 + down.q5 + down.q6, 0, 1e-3f);
    for (FlagLocation target :
         {FlagLocation(0.4f, 0.055f, 0.05f), FlagLocation(0, 0.4f, 0.1f),
          FlagLocation(-0.3f, -0.3f, 0.3f), kStandTorse + body.Hip1LLocation}) {
        for (const LegInverseAngle& q :
             {body.InverseFromLeftFootToTorse(FlagLocation(0, 20, 45), target, kStandTorse),
              body.InverseFromRightFootToTorse(FlagLocation(10, 0, -45), target, kStandTorse)}) {
            EXPECT_TRUE(std::isfinite(q.q2 + q.q3 + q.q4 + q.q5 + q.q6 + q.q7)) << target.x;
        }
    }
}

}  // namespace
