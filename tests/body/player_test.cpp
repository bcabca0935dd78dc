// Link offsets, kinematics, matrix sharing, gyro, stability and pressure.

#include "body/player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <map>

#include "net/mytime.h"

namespace {

void ExpectNear(const FlagLocation& f, FlagLocation want) {
    EXPECT_NEAR(f.x, want.x, 1e-5f);
    EXPECT_NEAR(f.y, want.y, 1e-5f);
    EXPECT_NEAR(f.z, want.z, 1e-5f);
}

// Column c of a rotation or transform: an axis, or for c = 3 the translation.
template <class M>
FlagLocation Column(const M& m, int c) {
    return FlagLocation(m[0][c], m[1][c], m[2][c]);
}

// Joint angles in degrees (others zero), transforms rebuilt, torso at the origin facing +x.
Player Body(const std::map<Player::JointID, float>& angles = {}) {
    Player p("5");
    for (const auto& [id, q] : angles) p.mHingeJointSenseMap[id].angle = q;
    p.SetBodyTMatrix();
    p.myMatrix.SetMatrix(0, 0, 0, p.TMatrix_Torse.Get());
    return p;
}

FlagLocation Read(Player& p, void (Player::*where)(float&, float&, float&)) {
    FlagLocation f;
    (p.*where)(f.x, f.y, f.z);
    return f;
}

TEST(ForwardKinematics, AnklesAndFootTips) {
    Player p = Body();
    ExpectNear(Read(p, &Player::GetLFootHead_LocationForZreo), {-0.005f, 0.055f, -0.335f});
    ExpectNear(Read(p, &Player::GetLFootHead_Location), {0.105f, 0.055f, -0.37f});
    // A positive knee angle swings the shank forward: the ankle moves to +x.
    Player knee = Body({{Player::JID_LLEG_4, 90}});
    ExpectNear(Read(knee, &Player::GetLFootHead_LocationForZreo), {0.095f, 0.055f, -0.235f});
}

TEST(ForwardKinematics, OffsetsAxesAndSigns) {
    using P = Player;
    P p("3");
    FlagLocation f;
    p.SetFlagLocation(f, 0.055f, -0.01f, -0.115f);  // (right, forward, up) into the agent frame
    ExpectNear(f, {-0.01f, -0.055f, -0.115f});
    // Hip yaw-pitch: x turned by 90 about z tilted by -135 (left) or -45 (right) degrees about x.
    const float h = 0.7071068f;
    ExpectNear(Column(Body({{P::JID_LLEG_1, 90}}).TMatrix_Hip1L, 0), {0, -h, -h});
    ExpectNear(Column(Body({{P::JID_RLEG_1, 90}}).TMatrix_Hip1R, 0), {0, h, -h});
    ExpectNear(Column(Body({{P::JID_RLEG_2, 90}}).TMatrix_Hip2R, 1), {0, 0, 1});  // roll: Rx(q)
    ExpectNear(Column(Body({{P::JID_HEAD_2, 30}}).TMatrix_Head, 0), {0.8660254f, 0, 0.5f});
    ExpectNear(Column(Body({{P::JID_RARM_2, 90}}).TMatrix_UpperarmR, 0), {0, 1, 0});
}

TEST(MatrixSharing, InPlaceWritesReachEveryCopy) {
    Player live("5");
    Player copy = live, assigned;
    assigned = live;
    copy.TMatrix_Torse[0][3] = 4.5f;
    assigned.TMatrix_HeadToWorld[1][3] = -2;
    EXPECT_EQ(live.TMatrix_Torse[0][3], 4.5f);
    EXPECT_EQ(live.TMatrix_HeadToWorld[1][3], -2);
    copy.mHingeJointSenseMap[Player::JID_LLEG_3].angle = 40;
    copy.SetBodyTMatrix();
    EXPECT_NEAR(live.TMatrix_ThighL[0][0], 0.7660444f, 1e-6f);
}

// A body after one gyro reading (model-frame x, y, z, degrees) per cycle.
Player Integrated(std::initializer_list<FlagLocation> cycles) {
    Player p("2");
    for (FlagLocation g : cycles) {
        p.GYRAngle = g;
        p.SetGYRTMatrix_Torse();
    }
    return p;
}

TEST(GyroIntegration, IncrementsInTheTorsoFrameAndTheHeadingReset) {
    const float c = std::cos(10 * M_PI / 180), s = std::sin(10 * M_PI / 180);
    ExpectNear(Column(Integrated({{10, 0, 0}}).RMatrix_Torse, 0), {c, 0, s});  // x rate: Ry(-10)
    // Across cycles in the already turned frame.
    ExpectNear(Column(Integrated({{0, 0, 90}, {10, 0, 0}}).RMatrix_Torse, 0), {0, c, s});
    Player p = Integrated({{12, -7, 33}}), copy = p;
    p.SetGYRTMatrix_Torse(45);  // a pure heading, written in place: the copy sees it too
    ExpectNear(Column(copy.RMatrix_Torse, 0), {0.7071068f, 0.7071068f, 0});
    ExpectNear(Column(copy.RMatrix_Torse, 1), {-0.7071068f, 0.7071068f, 0});
}

// Both feet reporting at time 1 with centred pressure and vertical forces.
Player Standing() {
    Player p("2");
    p.LeftFRP = {{0.04f, 0.08f, 0}, {0, 0, 20}, 1};
    p.RightFRP = {{-0.04f, -0.08f, 0}, {0, 0, 20}, 1};
    return p;
}

TEST(Stability, CentredVerticalSimultaneousPressureAndGyroFault) {
    // {change to the standing body, stable afterwards}; atan(1 / 20) = 2.86 degrees.
    const std::pair<void (*)(Player&), bool> cases[] = {
        {[](Player& p) { p.LeftFRP.c.x = 0.0409f, p.RightFRP.c.y = 0.0809f; }, true},
        {[](Player& p) { p.RightFRP.c.x = 0.041f; }, false},
        {[](Player& p) { p.LeftFRP.c.y = -0.081f; }, false},
        {[](Player& p) { p.RightFRP.time = 1.002f; }, false},
        {[](Player& p) { p.LeftFRP.f.x = 1, p.RightFRP.f.y = -1; }, true},
        {[](Player& p) { p.LeftFRP.f.x = 1.1f; }, false},
        {[](Player& p) { p.LeftFRP.f.z = -20; }, false}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        Player p = Standing();
        cases[i].first(p);
        EXPECT_EQ(p.JudgeStable(), cases[i].second) << "case " << i;
    }
    // A gyro fault: standing flat with [2][2] = 0.966 (15 degrees), not 0.996 (5) or 0.940 (20).
    Player p = Standing();
    for (auto [tilt, fault] : {std::pair{15, true}, {5, false}, {20, false}}) {
        p.RGYRMatrix_Torse.Overwrite(p.myMatrix.GetRotateX(tilt));
        EXPECT_EQ(p.IsGYRError(), fault) << tilt;
    }
}

TEST(CentreOfPressure, ForceWeightedOverTheFeetReportingNow) {
    const float savedTime = MyTime::totalTime;
    MyTime::totalTime = 5;
    Player p("2");
    p.LeftFRP = {{0.02f, 0.01f, 0}, {1, 2, 30}, 5};
    p.RightFRP = {{-0.01f, 0.03f, 0}, {0, 0, 10}, 5};
    ExpectNear(p.GetZMPLoaction(), {0.0125f, 0.015f, 0});
    p.RightFRP.time = 4.98f;  // a stale foot's force is cleared
    ExpectNear(p.GetZMPLoaction(), {0.02f, 0.01f, 0});
    ExpectNear(p.RightFRP.f, {0, 0, 0});
    p.LeftFRP.time = 4;  // no vertical force left: the origin, not NaN
    ExpectNear(p.GetZMPLoaction(), {0, 0, 0});
    MyTime::totalTime = savedTime;
}

}  // namespace
