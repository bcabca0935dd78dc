#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "body/player.h"

namespace {

const FlagLocation kStandTorse(0, 0, 0.333f);
const FlagLocation kNoTurn(0, 0, 0);

Matrix3 Identity() {
    Matrix3 r{};
    r[0][0] = r[1][1] = r[2][2] = 1;
    return r;
}

bool AllFinite(const LegInverseAngle& a) {
    for (float q : {a.q2, a.q3, a.q4, a.q5, a.q6, a.q7})
        if (!std::isfinite(q)) return false;
    return true;
}

void ExpectSameAngles(const LegInverseAngle& a, const LegInverseAngle& b, float tolerance) {
    EXPECT_NEAR(a.q2, b.q2, tolerance);
    EXPECT_NEAR(a.q3, b.q3, tolerance);
    EXPECT_NEAR(a.q4, b.q4, tolerance);
    EXPECT_NEAR(a.q5, b.q5, tolerance);
    EXPECT_NEAR(a.q6, b.q6, tolerance);
    EXPECT_NEAR(a.q7, b.q7, tolerance);
}

class LegInverseTest : public ::testing::Test {
  protected:
    Player body{"1"};
};

}  // namespace

TEST_F(LegInverseTest, StandingLeftLegExample) {
    // Ankle under the hip, 0.168297 m below it and 0.01 m ahead.
    LegInverseAngle q =
        body.InverseFromLeftFootToTorse(Identity(), FlagLocation(0, 0.055f, 0.05f), kStandTorse);
    EXPECT_NEAR(q.q5, 78.27f, 0.005f);
    EXPECT_NEAR(q.q4, -36.91f, 0.005f);
    EXPECT_NEAR(q.q6, -41.36f, 0.005f);
    EXPECT_EQ(q.q7, 0.0001f);  // an exact zero, snapped away from the hold marker
    EXPECT_NEAR(q.q2, 0, 0.001f);
    EXPECT_NEAR(q.q3, 0, 0.001f);
    EXPECT_NE(q.q2, 0);
    EXPECT_NE(q.q3, 0);
}

TEST_F(LegInverseTest, PitchAnglesCloseWithAFlatFootUnderTheHip) {
    LegInverseAngle q =
        body.InverseFromLeftFootToTorse(Identity(), FlagLocation(0, 0.055f, 0.05f), kStandTorse);
    EXPECT_NEAR(q.q4 + q.q5 + q.q6, 0, 1e-3f);

    LegInverseAngle ahead = body.InverseFromLeftFootToTorse(
        Identity(), FlagLocation(0.04f, 0.055f, 0.05f), kStandTorse);
    EXPECT_NEAR(ahead.q4, -47.59f, 0.005f);
    EXPECT_NEAR(ahead.q5, 72.41f, 0.005f);
    EXPECT_NEAR(ahead.q6, -24.82f, 0.005f);
    EXPECT_NEAR(ahead.q4 + ahead.q5 + ahead.q6, 0, 1e-3f);

    // The right leg mirrors the left one.
    LegInverseAngle right = body.InverseFromRightFootToTorse(
        Identity(), FlagLocation(0.04f, -0.055f, 0.05f), kStandTorse);
    ExpectSameAngles(right, ahead, 1e-3f);
}

TEST_F(LegInverseTest, MirroredFootYaw) {
    LegInverseAngle left = body.InverseFromLeftFootToTorse(
        FlagLocation(0, 0, 10), FlagLocation(0, 0.055f, 0.05f), kStandTorse);
    LegInverseAngle right = body.InverseFromRightFootToTorse(
        FlagLocation(0, 0, -10), FlagLocation(0, -0.055f, 0.05f), kStandTorse);
    EXPECT_NEAR(left.q2, -14.14f, 0.01f);
    EXPECT_NEAR(right.q2, -14.14f, 0.01f);
    EXPECT_NEAR(std::fabs(left.q3), 0.28f, 0.01f);
    EXPECT_NEAR(left.q3, -right.q3, 1e-3f);
    EXPECT_NEAR(std::fabs(left.q7), 0.59f, 0.01f);
    EXPECT_NEAR(left.q7, -right.q7, 1e-3f);
    EXPECT_NEAR(left.q4, right.q4, 1e-3f);
    EXPECT_NEAR(left.q5, right.q5, 1e-3f);
    EXPECT_NEAR(left.q6, right.q6, 1e-3f);
}

TEST_F(LegInverseTest, PoseFormsAgree) {
    // The angle form builds Rz * (Rx * Ry); the pose form takes that orientation from the
    // torso pose and ignores the foot pose's angles.
    FlagLocation angles(4, -6, 12);
    FlagLocation ankle(0.03f, 0.06f, 0.06f);
    OperateMatrix m;
    Matrix3 R = m.Muti(m.GetRotateZ(12), m.Muti(m.GetRotateX(4), m.GetRotateY(-6)));
    LegInverseAngle fromMatrix = body.InverseFromLeftFootToTorse(R, ankle, kStandTorse);
    LegInverseAngle fromAngles = body.InverseFromLeftFootToTorse(angles, ankle, kStandTorse);
    ExpectSameAngles(fromAngles, fromMatrix, 1e-5f);

    FootLocationAndAngle foot{ankle, FlagLocation(30, 30, 30)};
    FootLocationAndAngle torse{kStandTorse, angles};
    ExpectSameAngles(body.InverseFromLeftFootToTorse(foot, torse), fromMatrix, 1e-5f);
    LegInverseAngle rightFromMatrix =
        body.InverseFromRightFootToTorse(R, FlagLocation(0.03f, -0.05f, 0.06f), kStandTorse);
    FootLocationAndAngle rightFoot{FlagLocation(0.03f, -0.05f, 0.06f), kNoTurn};
    ExpectSameAngles(body.InverseFromRightFootToTorse(rightFoot, torse), rightFromMatrix, 1e-5f);
}

TEST_F(LegInverseTest, UnreachableTargetsGiveTheNearestPose) {
    // Straight down, far beyond reach: the leg is stretched to its full length A + B, the knee
    // straight but for the thigh's offset, the pitch angles still closing.
    LegInverseAngle far = body.InverseFromLeftFootToTorse(
        Identity(), FlagLocation(-0.01f, 0.055f, -0.5f), kStandTorse);
    ASSERT_TRUE(AllFinite(far));
    EXPECT_NEAR(far.q5, -2.39f, 1e-3f);
    EXPECT_NEAR(far.q6, 0, 1e-3f);
    EXPECT_NEAR(far.q4 + far.q5 + far.q6, 0, 1e-3f);
    EXPECT_NEAR(far.q3, 0, 1e-3f);
    // Far ahead and below at 30 degrees: the stretched leg points at the target.
    LegInverseAngle ahead = body.InverseFromLeftFootToTorse(
        Identity(), FlagLocation(-0.01f + 0.5f, 0.055f, 0.218f - 0.866f), kStandTorse);
    ASSERT_TRUE(AllFinite(ahead));
    EXPECT_NEAR(ahead.q5, -2.39f, 1e-3f);
    EXPECT_NEAR(ahead.q6, 30, 1e-2f);

    // Forward and sideways out of reach, also with a turned foot, for both legs.
    for (FlagLocation target : {FlagLocation(0.4f, 0.055f, 0.05f), FlagLocation(0, 0.4f, 0.1f),
                                FlagLocation(-0.3f, -0.3f, 0.3f)}) {
        EXPECT_TRUE(AllFinite(
            body.InverseFromLeftFootToTorse(FlagLocation(0, 20, 45), target, kStandTorse)));
        EXPECT_TRUE(AllFinite(
            body.InverseFromRightFootToTorse(FlagLocation(10, 0, -45), target, kStandTorse)));
    }
    // Ankle at the hip itself: too short a leg.
    LegInverseAngle folded =
        body.InverseFromLeftFootToTorse(Identity(), kStandTorse + body.Hip1LLocation, kStandTorse);
    EXPECT_TRUE(AllFinite(folded));
}

TEST_F(LegInverseTest, KickPoseSequenceEndsAfter151Calls) {
    testing::internal::CaptureStdout();
    LegInverseAngle left, right;
    std::string returned;
    for (int call = 1; call <= 151; ++call) {
        int cycles = body.CalStepAngle2(left, right);
        if (call == 1 || call == 25 || call == 27 || call == 40 || call == 50 || call == 151)
            returned += std::to_string(cycles) + " ";
    }
    EXPECT_EQ(returned, "24 2 13 10 102 102 ");
    // The left ankle is back beside the right one: the two legs mirror each other.
    EXPECT_NEAR(left.q5, right.q5, 1e-3f);
    EXPECT_NEAR(left.q4, right.q4, 1e-3f);
    LegInverseAngle untouched;
    untouched.q5 = 123;
    LegInverseAngle untouchedRight = untouched;
    EXPECT_EQ(body.CalStepAngle2(untouched, untouchedRight), -1);
    EXPECT_EQ(body.CalStepAngle2(untouched, untouchedRight), -1);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(untouched.q5, 123);
    EXPECT_EQ(untouchedRight.q5, 123);
    EXPECT_NE(out.find(" count 152"), std::string::npos);
}

namespace {

// The ankle roll joint relative to the torso centre under the given angles (forward kinematics;
// joints 3, 4 and 5 are stated with reversed signs), parsed from the diagnostic print.
void AnklesByForwardKinematics(Player& body, LegInverseAngle left, LegInverseAngle right,
                               FlagLocation& leftAnkle, FlagLocation& rightAnkle) {
    testing::internal::CaptureStdout();
    body.TestInverseAngleSuccess(left, right);
    std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(sscanf(out.c_str(), "LEFT FOOT: %f %f %f\nRIGHT FOOT: %f %f %f", &leftAnkle.x,
                     &leftAnkle.y, &leftAnkle.z, &rightAnkle.x, &rightAnkle.y, &rightAnkle.z),
              6)
        << out;
}

}  // namespace

TEST_F(LegInverseTest, SolutionsPutTheAnklesWhereAsked) {
    struct Case {
        FlagLocation leftAngle, leftAnkle, rightAngle, rightAnkle, torse;
    };
    const Case cases[] = {
        {kNoTurn, {0, 0.055f, 0.05f}, kNoTurn, {0, -0.055f, 0.05f}, kStandTorse},
        {kNoTurn, {0.06f, 0.11f, 0.057f}, kNoTurn, {0, 0, 0.05f}, {0.01f, 0.05f, 0.333f}},
        {{0, 0, 12}, {-0.04f, 0.12f, 0.06f}, {0, 0, -8}, {0.03f, -0.07f, 0.05f}, kStandTorse},
        {{5, -10, 0}, {0.02f, 0.07f, 0.08f}, {-5, 10, 20}, {0, -0.03f, 0.05f}, kStandTorse},
    };
    for (const Case& c : cases) {
        LegInverseAngle left = body.InverseFromLeftFootToTorse(c.leftAngle, c.leftAnkle, c.torse);
        LegInverseAngle right =
            body.InverseFromRightFootToTorse(c.rightAngle, c.rightAnkle, c.torse);
        FlagLocation leftAnkle, rightAnkle;
        AnklesByForwardKinematics(body, left, right, leftAnkle, rightAnkle);
        FlagLocation wantLeft = c.leftAnkle - c.torse;
        FlagLocation wantRight = c.rightAnkle - c.torse;
        EXPECT_NEAR(leftAnkle.x, wantLeft.x, 0.0005f);
        EXPECT_NEAR(leftAnkle.y, wantLeft.y, 0.0005f);
        EXPECT_NEAR(leftAnkle.z, wantLeft.z, 0.0005f);
        EXPECT_NEAR(rightAnkle.x, wantRight.x, 0.0005f);
        EXPECT_NEAR(rightAnkle.y, wantRight.y, 0.0005f);
        EXPECT_NEAR(rightAnkle.z, wantRight.z, 0.0005f);
    }
}
