#include "body/player.h"

#include <cmath>
#include <iostream>
#include <utility>

#include "net/mytime.h"

float Player::sphereAngleBallToHead1 = 0;
bool Player::s_ISErrorGYR = false;

const char* const Player::kPerceptorNames[Player::kJointCount] = {
    "hj1",  "hj2",  "llj1", "rlj1", "llj2", "rlj2", "llj3", "rlj3", "llj4", "rlj4", "llj5",
    "rlj5", "llj6", "rlj6", "laj1", "raj1", "laj2", "raj2", "laj3", "raj3", "laj4", "raj4",
};

const char* const Player::kEffectorNames[Player::kJointCount] = {
    "he1",  "he2",  "lle1", "rle1", "lle2", "rle2", "lle3", "rle3", "lle4", "rle4", "lle5",
    "rle5", "lle6", "rle6", "lae1", "rae1", "lae2", "rae2", "lae3", "rae3", "lae4", "rae4",
};

namespace {
const double kPi = 3.1415926;
}

Player::Player() = default;

Player::Player(std::string unumText) : unum(std::move(unumText)) {
    SetupJointIDMap();
    A = static_cast<double>(std::sqrt(0.005L * 0.005L + 0.12L * 0.12L));
    B = static_cast<double>(std::sqrt(0.0L * 0.0L + 0.1L * 0.1L));
    Matrix3 identity{};
    myMatrix.SetNormalMatrix(identity);
    RGYRMatrix_Torse.Overwrite(identity);
    // Until the first gyro reading makes it refer to RGYRMatrix_Torse, the torso orientation
    // reads as upright and facing +x rather than as zeros.
    RMatrix_Torse.Overwrite(identity);
    myMatrix.SetMatrix(identity, 0, 0, 0.005f, TMatrix_Camera);
    SetLinkOffsets();
}

std::string Player::Init() {
    return "(scene rsg/agent/nao/nao.rsg)";
}

void Player::SetupJointIDMap() {
    for (int id = 0; id < kJointCount; ++id)
        mJointIDMap[kPerceptorNames[id]] = static_cast<JointID>(id);
}

void Player::SetFlagLocation(FlagLocation& f, float a, float b, float c) {
    f.x = b;
    f.y = -a;
    f.z = c;
}

void Player::SetFlagLocation1(FlagLocation& f, float a, float b, float c) {
    f.x = a;
    f.y = b;
    f.z = c;
}

// Offsets are stated in the robot model's frame (right, forward, up).
void Player::SetLinkOffsets() {
    SetFlagLocation(HeadLocation, 0, 0, 0.06f);
    SetFlagLocation(NeckLocation, 0, 0, 0.09f);
    SetFlagLocation(Hip1LLocation, -0.055f, -0.01f, -0.115f);
    SetFlagLocation(Hip1RLocation, 0.055f, -0.01f, -0.115f);
    SetFlagLocation(Hip2Location, 0, 0, 0);
    SetFlagLocation(ThighLocation, 0, 0, 0);
    SetFlagLocation(ShankLocation, 0, 0.005f, -0.12f);
    SetFlagLocation(AnkleLocation, 0, 0, -0.1f);
    SetFlagLocation(FootLocation, 0, 0.03f, -0.035f);
    SetFlagLocation(ShoulderLLocation, -0.098f, 0, 0.075f);
    SetFlagLocation(ShoulderRLocation, 0.098f, 0, 0.075f);
    SetFlagLocation(UpperarmLLocation, 0, 0, 0);
    SetFlagLocation(UpperarmRLocation, 0, 0, 0);
    SetFlagLocation(ElbowLLocation, 0, 0.09f, 0.009f);
    SetFlagLocation(ElbowRLocation, 0, 0.09f, 0.009f);
    SetFlagLocation(LowerarmLocation, 0, 0, 0);
    SetFlagLocation(ALocation, 0, 0.005f, -0.12f);
    SetFlagLocation(BLocation, 0, 0, -0.1f);
}

// Reading a joint that has not been reported yet inserts a zero entry.
float Player::JointAngle(JointID id) {
    return mHingeJointSenseMap[id].angle;
}

void Player::GetTransform(Matrix4& out, const Matrix3& rotation, FlagLocation offset) {
    myMatrix.SetMatrix(rotation, offset.x, offset.y, offset.z, out);
}

void Player::GetTMatrix_Head(float q) {
    GetTMatrix_Head(TMatrix_Head, q);
}

void Player::GetTMatrix_Head(Matrix4& out, float q) {
    GetTransform(out, myMatrix.GetRotateY(-q), HeadLocation);
}

void Player::GetTMatrix_Neck(float q) {
    GetTMatrix_Neck(TMatrix_Neck, q);
}

void Player::GetTMatrix_Neck(Matrix4& out, float q) {
    GetTransform(out, myMatrix.GetRotateZ(q), NeckLocation);
}

// The hip yaw-pitch axis is z tilted by -135 deg (left) or -45 deg (right) about x:
// (0, 0.7071, -0.7071) and (0, 0.7071, 0.7071).
void Player::GetTMatrix_Hip1L(float q) {
    GetTMatrix_Hip1L(TMatrix_Hip1L, q);
}

void Player::GetTMatrix_Hip1L(Matrix4& out, float q) {
    Matrix3 turned = myMatrix.Muti(myMatrix.GetRotateZ(q), myMatrix.GetRotateX(135));
    GetTransform(out, myMatrix.Muti(myMatrix.GetRotateX(-135), turned), Hip1LLocation);
}

void Player::GetTMatrix_Hip1R(float q) {
    GetTMatrix_Hip1R(TMatrix_Hip1R, q);
}

void Player::GetTMatrix_Hip1R(Matrix4& out, float q) {
    Matrix3 turned = myMatrix.Muti(myMatrix.GetRotateZ(q), myMatrix.GetRotateX(45));
    GetTransform(out, myMatrix.Muti(myMatrix.GetRotateX(-45), turned), Hip1RLocation);
}

void Player::GetTMatrix_Hip2(float qL, float qR) {
    GetTMatrix_Hip2(TMatrix_Hip2L, TMatrix_Hip2R, qL, qR);
}

void Player::GetTMatrix_Hip2(Matrix4& outL, Matrix4& outR, float qL, float qR) {
    GetTransform(outL, myMatrix.GetRotateX(qL), Hip2Location);
    GetTransform(outR, myMatrix.GetRotateX(qR), Hip2Location);
}

void Player::GetTMatrix_Thigh(float qL, float qR) {
    GetTMatrix_Thigh(TMatrix_ThighL, TMatrix_ThighR, qL, qR);
}

void Player::GetTMatrix_Thigh(Matrix4& outL, Matrix4& outR, float qL, float qR) {
    GetTransform(outL, myMatrix.GetRotateY(-qL), ThighLocation);
    GetTransform(outR, myMatrix.GetRotateY(-qR), ThighLocation);
}

void Player::GetTMatrix_Shank(float qL, float qR) {
    GetTMatrix_Shank(TMatrix_ShankL, TMatrix_ShankR, qL, qR);
}

void Player::GetTMatrix_Shank(Matrix4& outL, Matrix4& outR, float qL, float qR) {
    GetTransform(outL, myMatrix.GetRotateY(-qL), ShankLocation);
    GetTransform(outR, myMatrix.GetRotateY(-qR), ShankLocation);
}

void Player::GetTMatrix_Ankle(float qL, float qR) {
    GetTMatrix_Ankle(TMatrix_AnkleL, TMatrix_AnkleR, qL, qR);
}

void Player::GetTMatrix_Ankle(Matrix4& outL, Matrix4& outR, float qL, float qR) {
    GetTransform(outL, myMatrix.GetRotateY(-qL), AnkleLocation);
    GetTransform(outR, myMatrix.GetRotateY(-qR), AnkleLocation);
}

void Player::GetTMatrix_Foot(float qL, float qR) {
    GetTMatrix_Foot(TMatrix_FootLNoOffset, TMatrix_FootRNoOffset, qL, qR);
    GetTransform(TMatrix_FootL, myMatrix.GetRotateX(qL), FootLocation);
    GetTransform(TMatrix_FootR, myMatrix.GetRotateX(qR), FootLocation);
}

// The caller's outputs get the ankle roll rotation without the foot offset.
void Player::GetTMatrix_Foot(Matrix4& outL, Matrix4& outR, float qL, float qR) {
    GetTransform(outL, myMatrix.GetRotateX(qL), FlagLocation());
    GetTransform(outR, myMatrix.GetRotateX(qR), FlagLocation());
}

void Player::GetTMatrix_Arm(float qL1, float qR1, float qL2, float qR2, float qL3, float qR3,
                            float qL4, float qR4) {
    GetTransform(TMatrix_ShoulderL, myMatrix.GetRotateY(-qL1), ShoulderLLocation);
    GetTransform(TMatrix_ShoulderR, myMatrix.GetRotateY(-qR1), ShoulderRLocation);
    GetTransform(TMatrix_UpperarmL, myMatrix.GetRotateZ(qL2), UpperarmLLocation);
    GetTransform(TMatrix_UpperarmR, myMatrix.GetRotateZ(qR2), UpperarmRLocation);
    GetTransform(TMatrix_ElbowL, myMatrix.GetRotateX(qL3), ElbowLLocation);
    GetTransform(TMatrix_ElbowR, myMatrix.GetRotateX(qR3), ElbowRLocation);
    GetTransform(TMatrix_LowerarmL, myMatrix.GetRotateZ(qL4), LowerarmLocation);
    GetTransform(TMatrix_LowerarmR, myMatrix.GetRotateZ(qR4), LowerarmLocation);
}

void Player::SetBodyTMatrix() {
    GetTMatrix_Head(JointAngle(JID_HEAD_2));
    GetTMatrix_Neck(JointAngle(JID_HEAD_1));
    GetTMatrix_Hip1L(JointAngle(JID_LLEG_1));
    GetTMatrix_Hip1R(JointAngle(JID_RLEG_1));
    GetTMatrix_Hip2(JointAngle(JID_LLEG_2), JointAngle(JID_RLEG_2));
    GetTMatrix_Thigh(JointAngle(JID_LLEG_3), JointAngle(JID_RLEG_3));
    GetTMatrix_Shank(JointAngle(JID_LLEG_4), JointAngle(JID_RLEG_4));
    GetTMatrix_Ankle(JointAngle(JID_LLEG_5), JointAngle(JID_RLEG_5));
    GetTMatrix_Foot(JointAngle(JID_LLEG_6), JointAngle(JID_RLEG_6));
    SetHeadToWorldRotateMatrix();
    GetTMatrix_Arm(JointAngle(JID_LARM_1), JointAngle(JID_RARM_1), JointAngle(JID_LARM_2),
                   JointAngle(JID_RARM_2), JointAngle(JID_LARM_3), JointAngle(JID_RARM_3),
                   JointAngle(JID_LARM_4), JointAngle(JID_RARM_4));
}

void Player::SetHeadToWorldRotateMatrix() {
    Matrix3 yawed = myMatrix.Muti(RGYRMatrix_Torse, myMatrix.GetRotateZ(JointAngle(JID_HEAD_1)));
    RMatrix_Head.Replace(myMatrix.Muti(yawed, myMatrix.GetRotateY(-JointAngle(JID_HEAD_2))));
}

namespace {

// Product of a chain of transforms, base first.
Matrix4 Chain(OperateMatrix& m, std::initializer_list<const Matrix4*> links) {
    Matrix4 product{};
    m.SetMatrix(0, 0, 0, product);
    for (const Matrix4* link : links) product = m.Muti(product, *link);
    return product;
}

void Translation(const Matrix4& T, float& x, float& y, float& z) {
    x = T[0][3];
    y = T[1][3];
    z = T[2][3];
}

const float kFootTipAhead = 0.08f;  // foot tip ahead of the foot frame, metres

}  // namespace

void Player::GetLFootHead_Location(float& x, float& y, float& z) {
    Matrix4 tip{};
    myMatrix.SetMatrix(kFootTipAhead, 0, 0, tip);
    TMatrix_LFootHead.Replace(Chain(
        myMatrix,
        {&TMatrix_Torse.Get(), &TMatrix_Hip1L.Get(), &TMatrix_Hip2L.Get(), &TMatrix_ThighL.Get(),
         &TMatrix_ShankL.Get(), &TMatrix_AnkleL.Get(), &TMatrix_FootL.Get(), &tip}));
    Translation(TMatrix_LFootHead, x, y, z);
}

void Player::GetRFootHead_Location(float& x, float& y, float& z) {
    Matrix4 tip{};
    myMatrix.SetMatrix(kFootTipAhead, 0, 0, tip);
    TMatrix_RFootHead.Replace(Chain(
        myMatrix,
        {&TMatrix_Torse.Get(), &TMatrix_Hip1R.Get(), &TMatrix_Hip2R.Get(), &TMatrix_ThighR.Get(),
         &TMatrix_ShankR.Get(), &TMatrix_AnkleR.Get(), &TMatrix_FootR.Get(), &tip}));
    Translation(TMatrix_RFootHead, x, y, z);
}

void Player::GetLFootHead_LocationForZreo(float& x, float& y, float& z) {
    Matrix4 ankle = Chain(
        myMatrix, {&TMatrix_Hip1L.Get(), &TMatrix_Hip2L.Get(), &TMatrix_ThighL.Get(),
                   &TMatrix_ShankL.Get(), &TMatrix_AnkleL.Get(), &TMatrix_FootLNoOffset.Get()});
    Translation(ankle, x, y, z);
}

void Player::GetRFootHead_LocationForZreo(float& x, float& y, float& z) {
    Matrix4 ankle = Chain(
        myMatrix, {&TMatrix_Hip1R.Get(), &TMatrix_Hip2R.Get(), &TMatrix_ThighR.Get(),
                   &TMatrix_ShankR.Get(), &TMatrix_AnkleR.Get(), &TMatrix_FootRNoOffset.Get()});
    Translation(ankle, x, y, z);
}

void Player::TestGetFootHead_LocationForZreo() {
    float x = 0, y = 0, z = 0;
    GetLFootHead_LocationForZreo(x, y, z);
    std::cout << "LFootHeadLocationTest " << x << "~~~~~~~" << y << "~~~~~~" << z << std::endl;
    std::cout << "+++++++++++++++++" << std::endl;
    GetRFootHead_LocationForZreo(x, y, z);
    std::cout << "RFootHeadLocationTest " << x << "~~~~~~~" << y << "~~~~~~" << z << std::endl;
}

void Player::TestMatrix(const Matrix4& m) {
    for (const auto& row : m) {
        for (float value : row) std::cout << value << " ";
        std::cout << std::endl;
    }
    std::cout << "~~~~~~~~~~~~" << std::endl;
}

void Player::TestMatrix(const Matrix3& m) {
    ::TestMatrix(m);
}

void Player::TestCurrentAngle() {
    for (int id = 0; id < kJointCount; ++id)
        std::cout << kPerceptorNames[id] << ": " << JointAngle(static_cast<JointID>(id)) << " | ";
    std::cout << std::endl;
}

// Balance and gyro ------------------------------------------------------------------------

// The gyro reports in the model frame (x right, y forward): the increments are applied in the
// torso's own frame as Rx(gy) * Ry(-gx) * Rz(gz).
void Player::SetGYRTMatrix_Torse() {
    Matrix3 r = myMatrix.Muti(RGYRMatrix_Torse, myMatrix.GetRotateX(GYRAngle.y));
    r = myMatrix.Muti(r, myMatrix.GetRotateY(-GYRAngle.x));
    r = myMatrix.Muti(r, myMatrix.GetRotateZ(GYRAngle.z));
    RGYRMatrix_Torse.Replace(r);
    RMatrix_Torse.ShareWith(RGYRMatrix_Torse);
}

void Player::SetGYRTMatrix_Torse(float angle) {
    float theta = static_cast<float>(angle * kPi / 180);
    Matrix3 heading{};
    heading[0] = {std::cos(theta), -std::sin(theta), 0};
    heading[1] = {std::sin(theta), std::cos(theta), 0};
    heading[2] = {0, 0, 1};
    RGYRMatrix_Torse.Overwrite(heading);
}

namespace {

// Tilt of a force from the vertical, degrees.
float TiltDegrees(float horizontal, float vertical) {
    float scaled = std::atan2(horizontal, vertical) * 180;
    return static_cast<float>(scaled / kPi);
}

bool PressureCentred(const FRPFlagLocation& foot) {
    return std::fabs(foot.c.x) < 0.041 && std::fabs(foot.c.y) < 0.081;
}

}  // namespace

bool Player::JudgeStable() {
    if (!(std::fabs(RightFRP.time - LeftFRP.time) < 0.001)) return false;
    if (!PressureCentred(RightFRP) || !PressureCentred(LeftFRP)) return false;
    if (!(std::fabs(TiltDegrees(RightFRP.f.x, RightFRP.f.z)) < 3.0)) return false;
    if (!(std::fabs(TiltDegrees(LeftFRP.f.x, LeftFRP.f.z)) < 3.0)) return false;
    if (!(std::fabs(TiltDegrees(RightFRP.f.y, RightFRP.f.z)) < 3.0)) return false;
    return std::fabs(TiltDegrees(LeftFRP.f.y, LeftFRP.f.z)) < 3.0;
}

bool Player::IsGYRError() {
    if (!JudgeStable()) return false;
    const Matrix3& r = RGYRMatrix_Torse;
    return r[2][2] > 0.95 && r[2][2] < 0.98 && r[0][0] > 0.95;
}

bool Player::IsBound() {
    float dx = lastTorseLocation.x - torseLocation.x;
    float dy = lastTorseLocation.y - torseLocation.y;
    return std::sqrt(dx * dx + dy * dy) > 0.99;
}

int Player::CalculateGYR() {
    return static_cast<int>(myWorldModelTemp.mFlagMap.size());
}

FlagLocation Player::GetZMPLoaction() {
    if (std::fabs(RightFRP.time - MyTime::totalTime) > 0.0001) RightFRP.f = FlagLocation();
    if (std::fabs(LeftFRP.time - MyTime::totalTime) > 0.0001) LeftFRP.f = FlagLocation();
    FlagLocation zmp;
    float vertical = LeftFRP.f.z + RightFRP.f.z;
    // With no vertical force there is no centre of pressure: report the origin.
    if (vertical == 0) return zmp;
    zmp.x = (LeftFRP.f.z * LeftFRP.c.x + RightFRP.c.x * RightFRP.f.z) / vertical;
    zmp.y = (LeftFRP.f.z * LeftFRP.c.y + RightFRP.c.y * RightFRP.f.z) / vertical;
    return zmp;
}

FlagLocation Player::CalCentroidLocation() {
    // Segment centres, stated in the model frame (right, forward, up).
    FlagLocation headCentre, upperarmLCentre, lowerarmCentre, upperarmRCentre;
    SetFlagLocation(headCentre, 0, 0, 0.005f);
    SetFlagLocation(upperarmLCentre, 0.01f, 0.02f, 0);
    SetFlagLocation(lowerarmCentre, 0, 0.05f, 0);
    SetFlagLocation(upperarmRCentre, -0.01f, 0.02f, 0);

    struct Segment {
        Matrix4 chain;
        FlagLocation centre;
        float mass;
    };
    Matrix4 neck = TMatrix_Neck;
    Matrix4 head = myMatrix.Muti(neck, TMatrix_Head);
    Matrix4 shoulderL = TMatrix_ShoulderL;
    Matrix4 upperarmL = myMatrix.Muti(shoulderL, TMatrix_UpperarmL);
    Matrix4 elbowL = myMatrix.Muti(upperarmL, TMatrix_ElbowL);
    Matrix4 lowerarmL = myMatrix.Muti(elbowL, TMatrix_LowerarmL);
    Matrix4 shoulderR = TMatrix_ShoulderR;
    Matrix4 upperarmR = myMatrix.Muti(shoulderR, TMatrix_UpperarmR);
    Matrix4 elbowR = myMatrix.Muti(upperarmR, TMatrix_ElbowR);
    Matrix4 lowerarmR = myMatrix.Muti(elbowR, TMatrix_LowerarmR);
    const Segment segments[] = {
        {neck, FlagLocation(), 0.05f},      {head, headCentre, 0.35f},
        {shoulderL, FlagLocation(), 0.07f}, {upperarmL, upperarmLCentre, 0.15f},
        {elbowL, FlagLocation(), 0.035f},   {lowerarmL, lowerarmCentre, 0.2f},
        {shoulderR, FlagLocation(), 0.07f}, {upperarmR, upperarmRCentre, 0.15f},
        {elbowR, FlagLocation(), 0.035f},   {lowerarmR, lowerarmCentre, 0.2f},
    };
    const float kUpperBodyMass = 2.42f;  // torso (1.11 at its origin), head and arms

    FlagLocation sum;
    for (const Segment& s : segments) sum = sum + myMatrix.Muti(s.chain, s.centre) * s.mass;
    FlagLocation centroid = sum / kUpperBodyMass;
    std::cout << "halfMassCentroidLoaction" << centroid.x << "  " << centroid.y << "  "
              << centroid.z << std::endl;
    return centroid;
}
