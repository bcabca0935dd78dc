// The body record: joint table, link offsets, forward kinematics and matrix sharing between
// copies.

#include "body/player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

const float kTol = 1e-5f;

void ExpectNear(float x, float y, float z, float ex, float ey, float ez, float tol = kTol) {
    EXPECT_NEAR(x, ex, tol);
    EXPECT_NEAR(y, ey, tol);
    EXPECT_NEAR(z, ez, tol);
}

void ExpectNear(const FlagLocation& f, float ex, float ey, float ez, float tol = kTol) {
    ExpectNear(f.x, f.y, f.z, ex, ey, ez, tol);
}

FlagLocation Translation(const Matrix4& t) {
    return FlagLocation(t[0][3], t[1][3], t[2][3]);
}

template <class M>
FlagLocation XAxis(const M& m) {
    return FlagLocation(m[0][0], m[1][0], m[2][0]);
}

// A body with all joint angles at zero, its transforms rebuilt, the torso at the origin.
Player ZeroPoseBody() {
    Player p("5");
    p.SetBodyTMatrix();
    Matrix4 identity{};
    p.myMatrix.SetMatrix(0, 0, 0, identity);
    p.TMatrix_Torse.Overwrite(identity);
    return p;
}

TEST(JointTable, PerceptorNamesMapToIdentifiers) {
    Player p("3");
    EXPECT_EQ(p.mJointIDMap.size(), 22u);
    EXPECT_EQ(p.mJointIDMap.at("hj1"), Player::JID_HEAD_1);
    EXPECT_EQ(p.mJointIDMap.at("hj2"), 1);
    EXPECT_EQ(p.mJointIDMap.at("llj1"), Player::JID_LLEG_1);
    EXPECT_EQ(p.mJointIDMap.at("rlj1"), 3);
    EXPECT_EQ(p.mJointIDMap.at("llj6"), Player::JID_LLEG_6);
    EXPECT_EQ(p.mJointIDMap.at("laj1"), 14);
    EXPECT_EQ(p.mJointIDMap.at("raj3"), Player::JID_RARM_3);
    EXPECT_EQ(p.mJointIDMap.at("raj4"), 21);
    EXPECT_EQ(p.mJointIDMap.count("he1"), 0u);
    EXPECT_EQ(p.mJointIDMap.count("lj1"), 0u);
    EXPECT_EQ(std::string(Player::kEffectorNames[Player::JID_RLEG_3]), "rle3");
    EXPECT_EQ(std::string(Player::kEffectorNames[Player::JID_LARM_2]), "lae2");
    EXPECT_EQ(std::string(Player::kEffectorNames[Player::JID_HEAD_2]), "he2");
    EXPECT_EQ(p.unum, "3");
    EXPECT_EQ(p.Init(), "(scene rsg/agent/nao/nao.rsg)");
    EXPECT_TRUE(Player().mJointIDMap.empty());
}

TEST(LinkGeometry, ModelFrameTriplesBecomeAgentFrame) {
    Player p("1");
    FlagLocation f;
    p.SetFlagLocation(f, 0.055f, -0.01f, -0.115f);
    ExpectNear(f, -0.01f, -0.055f, -0.115f, 0);
    p.SetFlagLocation1(f, 0.055f, -0.01f, -0.115f);
    ExpectNear(f, 0.055f, -0.01f, -0.115f, 0);

    ExpectNear(p.Hip1LLocation, -0.01f, 0.055f, -0.115f, 0);
    ExpectNear(p.Hip1RLocation, -0.01f, -0.055f, -0.115f, 0);
    ExpectNear(p.ShankLocation, 0.005f, 0, -0.12f, 0);
    ExpectNear(p.FootLocation, 0.03f, 0, -0.035f, 0);
    ExpectNear(p.ShoulderLLocation, 0, 0.098f, 0.075f, 0);
    ExpectNear(p.ShoulderRLocation, 0, -0.098f, 0.075f, 0);
    ExpectNear(p.ElbowRLocation, 0.09f, 0, 0.009f, 0);
    ExpectNear(p.ALocation, 0.005f, 0, -0.12f, 0);
    EXPECT_NEAR(p.A, 0.1201041, 1e-7);
    EXPECT_DOUBLE_EQ(p.B, 0.1);

    ExpectNear(Translation(p.TMatrix_Camera), 0, 0, 0.005f, 0);
    EXPECT_EQ(p.TMatrix_Camera[0][0], 1);
    EXPECT_EQ(p.TMatrix_Camera[3][3], 1);
    EXPECT_EQ(p.RGYRMatrix_Torse[0][0], 1);
    EXPECT_EQ(p.RGYRMatrix_Torse[1][1], 1);
    EXPECT_EQ(p.RGYRMatrix_Torse[0][1], 0);
}

TEST(ForwardKinematics, ZeroPoseAnklesAndFootTips) {
    Player p = ZeroPoseBody();
    Matrix4 leg =
        p.myMatrix.Muti(p.myMatrix.Muti(p.TMatrix_ThighL, p.TMatrix_ShankL), p.TMatrix_AnkleL);
    ExpectNear(Translation(leg), 0.005f, 0, -0.22f);

    float x, y, z;
    p.GetLFootHead_LocationForZreo(x, y, z);
    ExpectNear(x, y, z, -0.005f, 0.055f, -0.335f);
    p.GetRFootHead_LocationForZreo(x, y, z);
    ExpectNear(x, y, z, -0.005f, -0.055f, -0.335f);

    p.GetLFootHead_Location(x, y, z);
    ExpectNear(x, y, z, 0.105f, 0.055f, -0.37f);
    ExpectNear(Translation(p.TMatrix_LFootHead), 0.105f, 0.055f, -0.37f);
    p.GetRFootHead_Location(x, y, z);
    ExpectNear(x, y, z, 0.105f, -0.055f, -0.37f);
}

TEST(ForwardKinematics, FootTipFollowsTheTorsoPose) {
    Player p = ZeroPoseBody();
    Matrix4 torso{};
    p.myMatrix.SetMatrix(p.myMatrix.GetRotateZ(90), 1, 2, 0.4f, torso);
    p.TMatrix_Torse.Overwrite(torso);
    float x, y, z;
    // Facing +y: the tip's forward 0.105 goes to +y, its left 0.055 to -x.
    p.GetLFootHead_Location(x, y, z);
    ExpectNear(x, y, z, 1 - 0.055f, 2 + 0.105f, 0.4f - 0.37f);
}

TEST(ForwardKinematics, KneeAndAnklePitchSigns) {
    Player p("5");
    p.mHingeJointSenseMap[Player::JID_LLEG_4].angle = 90;
    p.SetBodyTMatrix();
    float x, y, z;
    // A positive knee angle swings the shank forward: the ankle moves to +x.
    p.GetLFootHead_LocationForZreo(x, y, z);
    ExpectNear(x, y, z, -0.01f + 0.005f + 0.1f, 0.055f, -0.115f - 0.12f);
    p.GetRFootHead_LocationForZreo(x, y, z);
    ExpectNear(x, y, z, -0.005f, -0.055f, -0.335f);

    p.mHingeJointSenseMap[Player::JID_LLEG_4].angle = 0;
    p.mHingeJointSenseMap[Player::JID_RLEG_2].angle = 90;  // hip roll about x
    p.SetBodyTMatrix();
    p.GetRFootHead_LocationForZreo(x, y, z);
    // Rx(90) turns the leg's -z to +y.
    ExpectNear(x, y, z, -0.005f, -0.055f + 0.22f, -0.115f);
}

TEST(ForwardKinematics, HipYawPitchTurnsAboutTheTiltedAxes) {
    Player p("5");
    p.SetBodyTMatrix();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(p.TMatrix_Hip1L[i][j], i == j ? 1 : 0, kTol);
            EXPECT_NEAR(p.TMatrix_Hip1R[i][j], i == j ? 1 : 0, kTol);
        }

    p.mHingeJointSenseMap[Player::JID_LLEG_1].angle = 90;
    p.mHingeJointSenseMap[Player::JID_RLEG_1].angle = 90;
    p.SetBodyTMatrix();
    ExpectNear(XAxis(p.TMatrix_Hip1L), 0, -0.7071068f, -0.7071068f);
    ExpectNear(XAxis(p.TMatrix_Hip1R), 0, 0.7071068f, -0.7071068f);
    // Each axis is left in place by its own rotation.
    ExpectNear(p.myMatrix.Muti(p.TMatrix_Hip1L, FlagLocation(0, 0.7071068f, -0.7071068f)) -
                   Translation(p.TMatrix_Hip1L),
               0, 0.7071068f, -0.7071068f);
    ExpectNear(p.myMatrix.Muti(p.TMatrix_Hip1R, FlagLocation(0, 0.7071068f, 0.7071068f)) -
                   Translation(p.TMatrix_Hip1R),
               0, 0.7071068f, 0.7071068f);
    ExpectNear(Translation(p.TMatrix_Hip1L), -0.01f, 0.055f, -0.115f);
}

// Which link transform each joint drives. Setting one joint changes exactly its link(s).
TEST(ForwardKinematics, EachJointDrivesItsOwnLink) {
    using M = SharedMatrix4 Player::*;
    struct Drive {
        Player::JointID id;
        std::vector<M> links;
    };
    const std::vector<Drive> drives = {
        {Player::JID_HEAD_1, {&Player::TMatrix_Neck}},
        {Player::JID_HEAD_2, {&Player::TMatrix_Head}},
        {Player::JID_LLEG_1, {&Player::TMatrix_Hip1L}},
        {Player::JID_RLEG_1, {&Player::TMatrix_Hip1R}},
        {Player::JID_LLEG_2, {&Player::TMatrix_Hip2L}},
        {Player::JID_RLEG_2, {&Player::TMatrix_Hip2R}},
        {Player::JID_LLEG_3, {&Player::TMatrix_ThighL}},
        {Player::JID_RLEG_3, {&Player::TMatrix_ThighR}},
        {Player::JID_LLEG_4, {&Player::TMatrix_ShankL}},
        {Player::JID_RLEG_4, {&Player::TMatrix_ShankR}},
        {Player::JID_LLEG_5, {&Player::TMatrix_AnkleL}},
        {Player::JID_RLEG_5, {&Player::TMatrix_AnkleR}},
        {Player::JID_LLEG_6, {&Player::TMatrix_FootL, &Player::TMatrix_FootLNoOffset}},
        {Player::JID_RLEG_6, {&Player::TMatrix_FootR, &Player::TMatrix_FootRNoOffset}},
        {Player::JID_LARM_1, {&Player::TMatrix_ShoulderL}},
        {Player::JID_RARM_1, {&Player::TMatrix_ShoulderR}},
        {Player::JID_LARM_2, {&Player::TMatrix_UpperarmL}},
        {Player::JID_RARM_2, {&Player::TMatrix_UpperarmR}},
        {Player::JID_LARM_3, {&Player::TMatrix_ElbowL}},
        {Player::JID_RARM_3, {&Player::TMatrix_ElbowR}},
        {Player::JID_LARM_4, {&Player::TMatrix_LowerarmL}},
        {Player::JID_RARM_4, {&Player::TMatrix_LowerarmR}},
    };
    std::vector<M> all;
    for (const Drive& d : drives) all.insert(all.end(), d.links.begin(), d.links.end());

    Player base("5");
    base.SetBodyTMatrix();
    for (const Drive& d : drives) {
        Player p("5");
        p.mHingeJointSenseMap[d.id].angle = 30;
        p.SetBodyTMatrix();
        for (M link : all) {
            bool driven = std::find(d.links.begin(), d.links.end(), link) != d.links.end();
            EXPECT_EQ((p.*link).Get() != (base.*link).Get(), driven)
                << "joint " << Player::kPerceptorNames[d.id];
        }
    }
}

TEST(ForwardKinematics, ArmAndHeadRotationAxes) {
    Player p("5");
    p.mHingeJointSenseMap[Player::JID_LARM_1].angle = 90;  // shoulder Ry(-q)
    p.mHingeJointSenseMap[Player::JID_RARM_2].angle = 90;  // upper arm Rz(q)
    p.mHingeJointSenseMap[Player::JID_LARM_3].angle = 90;  // elbow Rx(q)
    p.mHingeJointSenseMap[Player::JID_HEAD_2].angle = 30;  // head Ry(-q)
    p.SetBodyTMatrix();
    ExpectNear(XAxis(p.TMatrix_ShoulderL), 0, 0, 1);
    ExpectNear(XAxis(p.TMatrix_UpperarmR), 0, 1, 0);
    ExpectNear(
        p.myMatrix.Muti(p.TMatrix_ElbowL, FlagLocation(0, 1, 0)) - Translation(p.TMatrix_ElbowL), 0,
        0, 1);
    ExpectNear(XAxis(p.TMatrix_Head), 0.8660254f, 0, 0.5f);
    ExpectNear(Translation(p.TMatrix_Head), 0, 0, 0.06f);
    ExpectNear(Translation(p.TMatrix_ElbowL), 0.09f, 0, 0.009f);
}

TEST(ForwardKinematics, OutParameterFormsLeaveTheBodyAlone) {
    Player p = ZeroPoseBody();
    Matrix4 before = p.TMatrix_ShankL;
    Matrix4 outL{}, outR{};
    p.GetTMatrix_Shank(outL, outR, 90, 0);
    EXPECT_EQ(p.TMatrix_ShankL.Get(), before);
    ExpectNear(XAxis(outL), 0, 0, 1);
    ExpectNear(Translation(outR), 0.005f, 0, -0.12f);

    p.GetTMatrix_Foot(outL, outR, 90, -90);
    ExpectNear(Translation(outL), 0, 0, 0, 0);
    ExpectNear(p.myMatrix.Muti(outR, FlagLocation(0, 1, 0)), 0, 0, -1);
    ExpectNear(Translation(p.TMatrix_FootL), 0.03f, 0, -0.035f);
}

TEST(CameraOrientation, HeadAnglesOnTopOfTheTorsoOrientation) {
    Player p("5");
    p.mHingeJointSenseMap[Player::JID_HEAD_1].angle = 90;
    p.SetBodyTMatrix();
    ExpectNear(XAxis(p.RMatrix_Head), 0, 1, 0);

    p.SetGYRTMatrix_Torse(90);
    p.SetHeadToWorldRotateMatrix();
    ExpectNear(XAxis(p.RMatrix_Head), -1, 0, 0);

    p.mHingeJointSenseMap[Player::JID_HEAD_1].angle = 0;
    p.mHingeJointSenseMap[Player::JID_HEAD_2].angle = 30;
    p.SetGYRTMatrix_Torse(0);
    p.SetHeadToWorldRotateMatrix();
    ExpectNear(XAxis(p.RMatrix_Head), 0.8660254f, 0, 0.5f);

    // Order: torso * yaw * pitch. Yawed left then pitched: the view rises to the left.
    p.mHingeJointSenseMap[Player::JID_HEAD_1].angle = 90;
    p.SetHeadToWorldRotateMatrix();
    ExpectNear(XAxis(p.RMatrix_Head), 0, 0.8660254f, 0.5f);
    // A torso rolled by 90 deg about x carries the yawed camera's view up.
    p.mHingeJointSenseMap[Player::JID_HEAD_2].angle = 0;
    p.RGYRMatrix_Torse.Overwrite(p.myMatrix.GetRotateX(90));
    p.SetHeadToWorldRotateMatrix();
    ExpectNear(XAxis(p.RMatrix_Head), 0, 0, 1);
}

TEST(MatrixSharing, InPlaceWritesReachEveryCopy) {
    Player live("5");
    live.SetBodyTMatrix();
    Player copy = live;
    Player assigned;
    assigned = live;

    copy.TMatrix_Torse[0][3] = 4.5f;
    EXPECT_EQ(live.TMatrix_Torse[0][3], 4.5f);
    EXPECT_EQ(assigned.TMatrix_Torse[0][3], 4.5f);

    copy.mHingeJointSenseMap[Player::JID_LLEG_3].angle = 40;
    copy.SetBodyTMatrix();
    EXPECT_EQ(live.TMatrix_ThighL.Get(), copy.TMatrix_ThighL.Get());
    EXPECT_NE(live.TMatrix_ThighL[0][0], 1);

    assigned.TMatrix_HeadToWorld[1][3] = -2;
    EXPECT_EQ(live.TMatrix_HeadToWorld[1][3], -2);

    // The heading reset through a copy after the live body has integrated the gyro.
    live.GYRAngle = FlagLocation(3, -2, 10);
    live.SetGYRTMatrix_Torse();
    Player behaviourCopy = live;
    behaviourCopy.SetGYRTMatrix_Torse(45);
    ExpectNear(XAxis(live.RGYRMatrix_Torse), 0.7071068f, 0.7071068f, 0);
    ExpectNear(XAxis(live.RMatrix_Torse), 0.7071068f, 0.7071068f, 0);
}

TEST(MatrixSharing, ReplacedMatricesStayWithTheirObject) {
    Player live("5");
    live.SetBodyTMatrix();
    Matrix3 head = live.RMatrix_Head;
    Matrix3 gyro = live.RGYRMatrix_Torse;

    Player copy = live;
    copy.mHingeJointSenseMap[Player::JID_HEAD_1].angle = 60;
    copy.SetHeadToWorldRotateMatrix();
    EXPECT_EQ(live.RMatrix_Head.Get(), head);
    EXPECT_NE(copy.RMatrix_Head.Get(), head);

    copy.GYRAngle = FlagLocation(0, 0, 90);
    copy.SetGYRTMatrix_Torse();
    EXPECT_EQ(live.RGYRMatrix_Torse.Get(), gyro);
    EXPECT_TRUE(copy.RMatrix_Torse.SharesStorageWith(copy.RGYRMatrix_Torse));
    EXPECT_FALSE(live.RMatrix_Torse.SharesStorageWith(copy.RMatrix_Torse));

    Matrix4 identity{};
    live.myMatrix.SetMatrix(0, 0, 0, identity);
    live.TMatrix_Torse.Overwrite(identity);
    float x, y, z;
    live.GetLFootHead_Location(x, y, z);
    Matrix4 tip = live.TMatrix_LFootHead;
    copy.TMatrix_Torse[0][3] = 1;  // shared: moves both torsos
    copy.GetLFootHead_Location(x, y, z);
    EXPECT_EQ(live.TMatrix_LFootHead.Get(), tip);
    EXPECT_NEAR(copy.TMatrix_LFootHead[0][3], tip[0][3] + 1, kTol);
}

TEST(MatrixSharing, StorageOutlivesTheSourceAndDefaultBodiesOwnTheirs) {
    Player* live = new Player("5");
    live->TMatrix_Neck[2][3] = 0.09f;
    Player copy = *live;
    delete live;
    EXPECT_EQ(copy.TMatrix_Neck[2][3], 0.09f);

    Player a, b;
    a.TMatrix_Torse[0][0] = 7;
    EXPECT_EQ(b.TMatrix_Torse[0][0], 0);

    SharedMatrix3 m;
    SharedMatrix3 shared = m;
    m[1][1] = 2;
    EXPECT_EQ(shared[1][1], 2);
    shared.Replace(Matrix3{});
    m[1][1] = 3;
    EXPECT_EQ(shared[1][1], 0);
    EXPECT_FALSE(shared.SharesStorageWith(m));
    shared.ShareWith(m);
    EXPECT_EQ(shared[1][1], 3);
}

TEST(DebugPrinters, PrintTheirLabels) {
    Player p = ZeroPoseBody();
    testing::internal::CaptureStdout();
    p.TestGetFootHead_LocationForZreo();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.find("LFootHeadLocationTest -0.005~~~~~~~0.055~~~~~~-0.335"), 0u) << out;
    EXPECT_NE(out.find("+++++++++++++++++"), std::string::npos);
    EXPECT_NE(out.find("RFootHeadLocationTest -0.005~~~~~~~-0.055~~~~~~-0.335"), std::string::npos);

    testing::internal::CaptureStdout();
    p.TestMatrix(p.TMatrix_Camera.Get());
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "1 0 0 0 \n0 1 0 0 \n0 0 1 0.005 \n0 0 0 1 \n~~~~~~~~~~~~\n");
}

}  // namespace
