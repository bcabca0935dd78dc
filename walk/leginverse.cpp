// Leg inverse kinematics: a wanted ankle pose and torso position become the six joint angles of
// one leg, in closed form. Walking frame (agent-frame axes), metres, degrees.

#include <cmath>
#include <iostream>

#include "body/player.h"
#include "world/data.h"

namespace {

const double kPi = 3.1415926;
const double kSqrt2 = 1.4142135623730951;

// Keeps an asin/acos argument in [-1, 1]; a 0/0 (a vanishing divisor) reads as 0.
double ClampUnit(double v) {
    if (std::isnan(v)) return 0;
    if (v > 1) return 1;
    if (v < -1) return -1;
    return v;
}

// Closed-form solution for one leg. R is the foot orientation, foot the ankle point, torse the
// torso centre. The legs differ only in the hip offset and in the mirrored tilted axis of the
// hip yaw-pitch joint (135 vs 45 degrees about x, the +-45 on the roll, sqrt 2 = 1 / sin 45).
LegInverseAngle SolveLeg(Player& p, const Matrix3& R, FlagLocation foot, FlagLocation torse,
                         bool left) {
    OperateMatrix& m = p.myMatrix;
    FlagLocation hip = torse + (left ? p.Hip1LLocation : p.Hip1RLocation);
    Matrix3 footToWorld = m.TransInverse(R);
    // Ankle-to-hip vector in the foot's own frame.
    FlagLocation d = m.Muti(footToWorld, hip - foot);

    float squared = d.x * d.x + d.y * d.y + d.z * d.z;
    double L = static_cast<double>(std::sqrt(static_cast<long double>(squared)));
    // Out of reach: take the nearest length the leg can have.
    const double shortest = std::fabs(p.A - p.B);
    const double longest = p.A + p.B;
    if (L > longest) L = longest;
    if (L < shortest) L = shortest;

    double kneeCos = (p.A * p.A + p.B * p.B - L * L) / (2 * p.A * p.B);
    float q5 = static_cast<float>(180 - std::acos(ClampUnit(kneeCos)) * 180 / kPi - DATA::q5Offset);
    float q7 = ArcToAngle(std::atan2(d.y, d.z));
    // Angle at the ankle between the shank and the ankle-to-hip line (law of sines).
    float kneeInner = std::sin(AngleToArc(180 - q5 - DATA::q5Offset));
    float alfa = static_cast<float>(std::asin(ClampUnit(p.A * kneeInner / L)) * 180 / kPi);
    float toHip = std::atan2(d.x, std::sqrt(d.y * d.y + d.z * d.z));
    float q6 = static_cast<float>(-toHip * 180 / kPi - alfa);

    // What the hip still has to turn: M = Rx(135 or 45) * R * Rx(q7)^T * Ry(q6)^T * Ry(q5)^T.
    Matrix3 ankleRollT, anklePitchT, kneeT;
    m.Trans(m.GetRotateX(q7), ankleRollT);
    m.Trans(m.GetRotateY(q6), anklePitchT);
    m.Trans(m.GetRotateY(q5), kneeT);
    Matrix3 M = m.Muti(m.GetRotateX(left ? 135 : 45), R);
    M = m.Muti(M, ankleRollT);
    M = m.Muti(M, anklePitchT);
    M = m.Muti(M, kneeT);

    float q3;
    if (left)
        q3 = ArcToAngle(std::asin(static_cast<float>(ClampUnit(-M[2][1])))) + 45;
    else
        q3 = ArcToAngle(std::asin(static_cast<float>(ClampUnit(M[2][1])))) - 45;
    float s3 = std::sin(AngleToArc(q3));
    float c3 = std::cos(AngleToArc(q3));
    double pitchArg;
    double yawArg;
    if (left) {
        pitchArg = kSqrt2 * M[2][0] / static_cast<double>(-s3 - c3);
        yawArg = kSqrt2 * M[0][1] / static_cast<double>(c3 + s3);
    } else {
        pitchArg = kSqrt2 * M[2][0] / static_cast<double>(c3 - s3);
        yawArg = -kSqrt2 * M[0][1] / static_cast<double>(c3 - s3);
    }
    float hipPitch = static_cast<float>(std::asin(ClampUnit(pitchArg)) * 180 / kPi);
    float q2 = static_cast<float>(std::asin(ClampUnit(yawArg)) * 180 / kPi);

    LegInverseAngle result;
    result.q2 = IsZeroTo1(q2);
    result.q3 = IsZeroTo1(q3);
    result.q4 = -IsZeroTo1(hipPitch);
    result.q5 = IsZeroTo1(q5);
    result.q6 = IsZeroTo1(q6);
    result.q7 = IsZeroTo1(q7);
    return result;
}

// R = Rz(z) * (Rx(x) * Ry(y)), angles in degrees.
Matrix3 FootRotation(OperateMatrix& m, FlagLocation angle) {
    Matrix3 tilt = m.Muti(m.GetRotateX(angle.x), m.GetRotateY(angle.y));
    return m.Muti(m.GetRotateZ(angle.z), tilt);
}

// Scripted kick: number of calls so far (never reset).
int count = 0;

struct KickPose {
    int lastCount;  // the pose applies up to this value of count
    FlagLocation leftAnkle;
    FlagLocation leftAngle;
    FlagLocation torse;
    int cycles;
};

const KickPose kKickPoses[] = {
    {24, {0, 0.055f, 0.05f}, {0, 0, 0}, {0.035f, -0.055f, 0.37f}, 24},
    {26, {0, 0.055f, 0.057f}, {0, 0, 0}, {0.035f, -0.055f, 0.37f}, 2},
    {39, {-0.09f, 0.055f, 0.26f}, {0, 60, 0}, {0.035f, -0.055f, 0.37f}, 13},
    {49, {0, 0.055f, 0.06f}, {0, 0, 0}, {0.035f, -0.055f, 0.37f}, 10},
    {151, {0, 0.055f, 0.05f}, {0, 0, 0}, {0.035f, 0, 0.333f}, 102},
};

void PrintAnkle(const char* label, const Matrix4& T) {
    std::cout << label << T[0][3] << " " << T[1][3] << " " << T[2][3] << std::endl;
}

}  // namespace

LegInverseAngle Player::InverseFromLeftFootToTorse(const Matrix3& RMatrix_FootToWrold,
                                                   FlagLocation Point_FootToWorld,
                                                   FlagLocation Point_TorseToWorld) {
    return SolveLeg(*this, RMatrix_FootToWrold, Point_FootToWorld, Point_TorseToWorld, true);
}

LegInverseAngle Player::InverseFromRightFootToTorse(const Matrix3& RMatrix_FootToWrold,
                                                    FlagLocation Point_FootToWorld,
                                                    FlagLocation Point_TorseToWorld) {
    return SolveLeg(*this, RMatrix_FootToWrold, Point_FootToWorld, Point_TorseToWorld, false);
}

LegInverseAngle Player::InverseFromLeftFootToTorse(FlagLocation angleToTorse,
                                                   FlagLocation Point_FootToWorld,
                                                   FlagLocation Point_TorseToWorld) {
    return InverseFromLeftFootToTorse(FootRotation(myMatrix, angleToTorse), Point_FootToWorld,
                                      Point_TorseToWorld);
}

LegInverseAngle Player::InverseFromRightFootToTorse(FlagLocation angleToTorse,
                                                    FlagLocation Point_FootToWorld,
                                                    FlagLocation Point_TorseToWorld) {
    return InverseFromRightFootToTorse(FootRotation(myMatrix, angleToTorse), Point_FootToWorld,
                                       Point_TorseToWorld);
}

LegInverseAngle Player::InverseFromLeftFootToTorse(FootLocationAndAngle Point_FootToWorld,
                                                   FootLocationAndAngle Point_TorseToWorld) {
    return InverseFromLeftFootToTorse(FootRotation(myMatrix, Point_TorseToWorld.angle),
                                      Point_FootToWorld.location, Point_TorseToWorld.location);
}

LegInverseAngle Player::InverseFromRightFootToTorse(FootLocationAndAngle Point_FootToWorld,
                                                    FootLocationAndAngle Point_TorseToWorld) {
    return InverseFromRightFootToTorse(FootRotation(myMatrix, Point_TorseToWorld.angle),
                                       Point_FootToWorld.location, Point_TorseToWorld.location);
}

void Player::CalStepAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot) {
    myInverse.InverseStep();
    FootLocationAndAngle leftAngle, rightAngle;
    FlagLocation torse;
    myInverse.GetTorseAndAnkle(leftAngle, rightAngle, torse);
    leftFoot = InverseFromLeftFootToTorse(leftAngle.angle, leftAngle.location, torse);
    rightFoot = InverseFromRightFootToTorse(rightAngle.angle, rightAngle.location, torse);
}

void Player::CalStepAngle1(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot) {
    FlagLocation torse(0.035f, -0.055f, 0.333f);
    Matrix3 identity{};
    myMatrix.SetNormalMatrix(identity);
    rightFoot = InverseFromRightFootToTorse(identity, FlagLocation(0, -0.055f, 0.05f), torse);
    leftFoot = InverseFromLeftFootToTorse(FlagLocation(0, 0, 0), FlagLocation(0.08f, 0.055f, 0.07f),
                                          torse);
    TestGetFootHead_LocationForZreo();
}

int Player::CalStepAngle2(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot) {
    count += 1;
    std::cout << " count " << count << std::endl;
    TestCurrentAngle();
    for (const KickPose& pose : kKickPoses) {
        if (count > pose.lastCount) continue;
        FlagLocation rightAnkle(0, -0.055f, 0.05f);
        TestFlag(pose.leftAnkle);
        TestFlag(rightAnkle);
        TestFlag(pose.torse);
        rightFoot = InverseFromRightFootToTorse(FlagLocation(0, 0, 0), rightAnkle, pose.torse);
        leftFoot = InverseFromLeftFootToTorse(pose.leftAngle, pose.leftAnkle, pose.torse);
        TestGetFootHead_LocationForZreo();
        return pose.cycles;
    }
    return -1;
}

void Player::TestInverseAngleSuccess(LegInverseAngle leftFoot, LegInverseAngle rightFoot) {
    // Joints 3, 4 and 5 are stated with their signs reversed.
    Matrix4 hip1L, hip1R, hip2L, hip2R, thighL, thighR, shankL, shankR, ankleL, ankleR, footL,
        footR;
    GetTMatrix_Hip1L(hip1L, leftFoot.q2);
    GetTMatrix_Hip1R(hip1R, rightFoot.q2);
    GetTMatrix_Hip2(hip2L, hip2R, leftFoot.q3, rightFoot.q3);
    GetTMatrix_Thigh(thighL, thighR, -leftFoot.q4, -rightFoot.q4);
    GetTMatrix_Shank(shankL, shankR, -leftFoot.q5, -rightFoot.q5);
    GetTMatrix_Ankle(ankleL, ankleR, -leftFoot.q6, -rightFoot.q6);
    GetTMatrix_Foot(footL, footR, leftFoot.q7, rightFoot.q7);
    Matrix4 left = myMatrix.Muti(hip1L, hip2L);
    Matrix4 right = myMatrix.Muti(hip1R, hip2R);
    for (const Matrix4* link : {&thighL, &shankL, &ankleL, &footL})
        left = myMatrix.Muti(left, *link);
    for (const Matrix4* link : {&thighR, &shankR, &ankleR, &footR})
        right = myMatrix.Muti(right, *link);
    PrintAnkle("LEFT FOOT: ", left);
    PrintAnkle("RIGHT FOOT: ", right);
}
