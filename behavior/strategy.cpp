#include "behavior/strategy.h"

#include <utility>

bool Strategy::findBall = false;

Strategy::Strategy() = default;

Strategy::Strategy(Player player, WorldModel world)
    : myPlayer(std::move(player)), myWorldModel(std::move(world)) {}

Strategy::~Strategy() = default;

eState Strategy::JudgeState_B() {
    const eState stumble = JudgeStumble();
    if (stumble != 0) return stumble;
    if (!myHeadVision.IsFindBall(myWorldModel)) return S_HeadRotate;
    // The ball is in view: stand and decide again.
    return S_Judge;
}

eState Strategy::JudgeStumble() {
    // Third row of the gyro-integrated torso rotation: where the torso's axes point relative
    // to the vertical. x tipping down means face down, up means on the back; y means rolling
    // over to one side.
    const Matrix3& R = myPlayer.RGYRMatrix_Torse.Get();
    if (R[2][0] < -0.8) return S_StandUpForward;
    if (R[2][0] > 0.8) return S_StandUpBack;
    if (R[2][1] > 0.95) return S_Stumble_Left;
    if (R[2][1] < -0.95) return S_Stumble_Right;
    return static_cast<eState>(0);
}
