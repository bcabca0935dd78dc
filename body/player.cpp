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
