// Gyro integration of the torso orientation, stability, centre of pressure and centre of mass.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "body/player.h"
#include "net/mytime.h"

namespace {

const float kTol = 1e-5f;

void ExpectNear(const FlagLocation& f, float ex, float ey, float ez, float tol = kTol) {
    EXPECT_NEAR(f.x, ex, tol);
    EXPECT_NEAR(f.y, ey, tol);
    EXPECT_NEAR(f.z, ez, tol);
}

FlagLocation Column(const Matrix3& m, int c) {
    return FlagLocation(m[0][c], m[1][c], m[2][c]);
}

void Integrate(Player& p, float gx, float gy, float gz) {
    p.GYRAngle = FlagLocation(gx, gy, gz);
    p.SetGYRTMatrix_Torse();
}

TEST(GyroIntegration, YawIncrementTurnsTheTorsoLeft) {
    Player p("2");
    Integrate(p, 0, 0, 90);
    ExpectNear(Column(p.RGYRMatrix_Torse, 0), 0, 1, 0);
    ExpectNear(Column(p.RGYRMatrix_Torse, 2), 0, 0, 1);
    EXPECT_TRUE(p.RMatrix_Torse.SharesStorageWith(p.RGYRMatrix_Torse));
}

TEST(GyroIntegration, ModelFrameRatesAreSwappedAndSigned) {
    Player p("2");
    // The model's x rate is a pitch about the agent's y axis, negated: R' = Ry(-10).
    Integrate(p, 10, 0, 0);
    ExpectNear(Column(p.RGYRMatrix_Torse, 0), std::cos(10 * M_PI / 180), 0,
               std::sin(10 * M_PI / 180));
    // The model's y rate is a roll about the agent's x axis: Rx(10) lifts y toward +z.
    Player q("2");
    Integrate(q, 0, 10, 0);
    ExpectNear(Column(q.RGYRMatrix_Torse, 1), 0, std::cos(10 * M_PI / 180),
               std::sin(10 * M_PI / 180));
}

TEST(GyroIntegration, IncrementsAreAppliedInTheTorsoFrameInOrder) {
    // Within one cycle: Rx(gy) * Ry(-gx) * Rz(gz); x goes to y under Rz, then to z under Rx.
    Player p("2");
    Integrate(p, 0, 90, 90);
    ExpectNear(Column(p.RGYRMatrix_Torse, 0), 0, 0, 1);

    // Across cycles the new increment acts in the already turned torso frame.
    Player q("2");
    Integrate(q, 0, 0, 90);
    Integrate(q, 10, 0, 0);
    ExpectNear(Column(q.RGYRMatrix_Torse, 0), 0, std::cos(10 * M_PI / 180),
               std::sin(10 * M_PI / 180));
}

TEST(GyroIntegration, HeadingResetKeepsOnlyTheHeadingInPlace) {
    Player p("2");
    Integrate(p, 12, -7, 33);
    Integrate(p, -3, 20, 5);
    Player copy = p;
    p.SetGYRTMatrix_Torse(45);
    const Matrix3& r = p.RGYRMatrix_Torse;
    const float h = 0.7071068f;
    ExpectNear(FlagLocation(r[0][0], r[0][1], r[0][2]), h, -h, 0);
    ExpectNear(FlagLocation(r[1][0], r[1][1], r[1][2]), h, h, 0);
    ExpectNear(FlagLocation(r[2][0], r[2][1], r[2][2]), 0, 0, 1);
    EXPECT_EQ(copy.RGYRMatrix_Torse.Get(), r);
    EXPECT_EQ(copy.RMatrix_Torse.Get(), r);

    p.SetGYRTMatrix_Torse(-120);
    ExpectNear(Column(p.RGYRMatrix_Torse, 0), -0.5f, -0.8660254f, 0);
}

// Both feet reporting at time 1 with centred pressure and vertical forces.
Player StandingBody() {
    Player p("2");
    p.LeftFRP.time = p.RightFRP.time = 1;
    p.LeftFRP.c = FlagLocation(0.04f, 0.08f, 0);
    p.RightFRP.c = FlagLocation(-0.04f, -0.08f, 0);
    p.LeftFRP.f = p.RightFRP.f = FlagLocation(0, 0, 20);
    return p;
}

TEST(Stability, CentredVerticalSimultaneousPressureIsStable) {
    EXPECT_TRUE(StandingBody().JudgeStable());

    Player p = StandingBody();
    p.RightFRP.c.x = 0.041f;
    EXPECT_FALSE(p.JudgeStable());
    p = StandingBody();
    p.LeftFRP.c.y = -0.081f;
    EXPECT_FALSE(p.JudgeStable());
    p = StandingBody();
    p.LeftFRP.c.x = 0.0409f;
    p.RightFRP.c.y = 0.0809f;
    EXPECT_TRUE(p.JudgeStable());
}

TEST(Stability, FeetMustReportTogether) {
    Player p = StandingBody();
    p.RightFRP.time = 1.0005f;
    EXPECT_TRUE(p.JudgeStable());
    p.RightFRP.time = 1.002f;
    EXPECT_FALSE(p.JudgeStable());
    p.RightFRP.time = 0.998f;
    EXPECT_FALSE(p.JudgeStable());
}

TEST(Stability, ForcesWithinThreeDegreesOfVertical) {
    // atan(1/20) = 2.86 deg, atan(1.1/20) = 3.15 deg.
    Player p = StandingBody();
    p.LeftFRP.f.x = 1;
    p.RightFRP.f.y = -1;
    EXPECT_TRUE(p.JudgeStable());
    p.LeftFRP.f.x = 1.1f;
    EXPECT_FALSE(p.JudgeStable());
    p = StandingBody();
    p.RightFRP.f.y = -1.1f;
    EXPECT_FALSE(p.JudgeStable());
    p = StandingBody();
    p.LeftFRP.f = FlagLocation(0, 0, -20);  // upside down: 180 deg from vertical
    EXPECT_FALSE(p.JudgeStable());
}

TEST(Stability, GyroErrorIsASmallIntegratedTiltWhileStandingFlat) {
    Player p = StandingBody();
    p.RGYRMatrix_Torse.Overwrite(p.myMatrix.GetRotateX(15));  // [2][2] = 0.966
    EXPECT_TRUE(p.IsGYRError());
    p.RGYRMatrix_Torse.Overwrite(p.myMatrix.GetRotateX(5));  // 0.996: no tilt worth a fault
    EXPECT_FALSE(p.IsGYRError());
    p.RGYRMatrix_Torse.Overwrite(p.myMatrix.GetRotateX(20));  // 0.940: a real tilt
    EXPECT_FALSE(p.IsGYRError());
    // A turned heading with the same tilt: [0][0] too small.
    p.RGYRMatrix_Torse.Overwrite(
        p.myMatrix.Muti(p.myMatrix.GetRotateZ(30), p.myMatrix.GetRotateX(15)));
    EXPECT_FALSE(p.IsGYRError());
    p.RGYRMatrix_Torse.Overwrite(p.myMatrix.GetRotateX(15));
    p.RightFRP.time = 2;
    EXPECT_FALSE(p.IsGYRError());
}

TEST(Stability, BoundIsAHorizontalJumpOverNinetyNineCentimetres) {
    Player p("2");
    p.lastTorseLocation = FlagLocation(1, 1, 0.3f);
    p.torseLocation = FlagLocation(1.7f, 1.7f, 5);  // 0.98995 horizontally
    EXPECT_FALSE(p.IsBound());
    p.torseLocation = FlagLocation(1.8f, 0.4f, 0.3f);  // 1.0
    EXPECT_TRUE(p.IsBound());
    p.torseLocation = FlagLocation(1, 1, -3);
    EXPECT_FALSE(p.IsBound());
}

TEST(Stability, CalculateGYRCountsTheLatestLandmarks) {
    Player p("2");
    EXPECT_EQ(p.CalculateGYR(), 0);
    p.myWorldModelTemp.mFlagMap["F1L"];
    p.myWorldModelTemp.mFlagMap["G2R"];
    p.myWorldModelTemp.mFlagMap["F2R"];
    EXPECT_EQ(p.CalculateGYR(), 3);
}

class CentreOfPressure : public testing::Test {
  protected:
    void SetUp() override {
        savedTime = MyTime::totalTime;
        MyTime::totalTime = 5;
        p.LeftFRP.time = p.RightFRP.time = 5;
        p.LeftFRP.c = FlagLocation(0.02f, 0.01f, 0);
        p.RightFRP.c = FlagLocation(-0.01f, 0.03f, 0);
    }
    void TearDown() override { MyTime::totalTime = savedTime; }

    float savedTime = 0;
    Player p{"2"};
};

TEST_F(CentreOfPressure, ForceWeightedMeanOfBothFeet) {
    p.LeftFRP.f = p.RightFRP.f = FlagLocation(0, 0, 15);
    ExpectNear(p.GetZMPLoaction(), 0.005f, 0.02f, 0);
    p.LeftFRP.f.z = 30;
    p.RightFRP.f.z = 10;
    ExpectNear(p.GetZMPLoaction(), (30 * 0.02f - 10 * 0.01f) / 40, (30 * 0.01f + 10 * 0.03f) / 40,
               0);
}

TEST_F(CentreOfPressure, StaleFootForceIsCleared) {
    p.LeftFRP.f = p.RightFRP.f = FlagLocation(1, 2, 15);
    p.RightFRP.time = 4.98f;
    ExpectNear(p.GetZMPLoaction(), 0.02f, 0.01f, 0);
    ExpectNear(p.RightFRP.f, 0, 0, 0, 0);
    ExpectNear(p.LeftFRP.f, 1, 2, 15, 0);
    // The force stays cleared when the foot's old reading is asked again.
    MyTime::totalTime = 5.02f;
    p.LeftFRP.time = 5.02f;
    ExpectNear(p.GetZMPLoaction(), 0.02f, 0.01f, 0);
}

TEST_F(CentreOfPressure, NoVerticalForceGivesTheOrigin) {
    p.LeftFRP.f = p.RightFRP.f = FlagLocation(0, 0, 15);
    p.LeftFRP.time = p.RightFRP.time = 4;
    FlagLocation zmp = p.GetZMPLoaction();
    EXPECT_FALSE(std::isnan(zmp.x));
    ExpectNear(zmp, 0, 0, 0, 0);
}

TEST(CentreOfMass, UpperBodyAtZeroAngles) {
    Player p("2");
    p.SetBodyTMatrix();
    testing::internal::CaptureStdout();
    FlagLocation m = p.CalCentroidLocation();
    std::string out = testing::internal::GetCapturedStdout();
    ExpectNear(m, 0.0683f / 2.42f, 0, 0.13123f / 2.42f);
    ExpectNear(m, 0.02822f, 0, 0.05423f, 1e-5f);
    EXPECT_EQ(out.find("halfMassCentroidLoaction"), 0u);
}

TEST(CentreOfMass, RaisedArmsLiftTheCentre) {
    Player p("2");
    // Both shoulders at 90: the arms point up instead of forward. Each arm's forward centre
    // offsets (0.02, 0.09, 0.14 weighted 0.15, 0.035, 0.2) turn into height, and the elbow's
    // 0.009 height turns backwards.
    p.mHingeJointSenseMap[Player::JID_LARM_1].angle = 90;
    p.mHingeJointSenseMap[Player::JID_RARM_1].angle = 90;
    p.SetBodyTMatrix();
    testing::internal::CaptureStdout();
    FlagLocation m = p.CalCentroidLocation();
    testing::internal::GetCapturedStdout();
    const float armForward = 0.02f * 0.15f + 0.09f * 0.035f + 0.14f * 0.2f;  // 0.03415 per arm
    const float armUp = 0.009f * (0.035f + 0.2f);
    ExpectNear(m, -2 * armUp / 2.42f, 0, (0.13123f + 2 * (armForward - armUp)) / 2.42f);
}

}  // namespace
