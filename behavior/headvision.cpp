#include "behavior/headvision.h"

#include <algorithm>
#include <cmath>

#include "net/mytime.h"

namespace {

const float lockAngle = 10;  // degrees the head lags behind the ball's bearing

const float kNeckStop = 120;       // head yaw stop, degrees
const float kSweepStep = 20;       // head yaw per search step, degrees
const float kSweepReverse = 1000;  // forced last-seen bearing that sets the sweep direction

}  // namespace

bool HeadVision::IsStep = false;
int HeadVision::stepRotateCount = 0;
float HeadVision::headRotateCount = 1.0f;

HeadVision::HeadVision() {
    SetInit();
}

HeadVision::HeadVision(float temprotateOffsetAngle, float tempmaxAngle) {
    SetInitAngle(temprotateOffsetAngle, tempmaxAngle);
}

void HeadVision::SetInit() {
    headRotateCount = 1.0f;
    IsStep = false;
}

void HeadVision::SetInitAngle(float temprotateOffsetAngle, float tempmaxAngle) {
    rotateOffsetAngle = std::min(temprotateOffsetAngle, 7.0f);
    maxAngle = tempmaxAngle;
    const float steps = maxAngle / rotateOffsetAngle;
    // A step of zero or a range against the step's sign gives no sweep: one step over the range.
    rotateCount =
        std::isfinite(steps) && steps >= 0 && steps < 1e6f ? static_cast<int>(steps) + 1 : 1;
    realRotateOffset = maxAngle / rotateCount;
}

bool HeadVision::IsFindBall(const WorldModel& myWorldModel) {
    return std::fabs(MyTime::totalTime - myWorldModel.ballLocatoin.time) <= 0.08;
}

bool HeadVision::GetNeckToOrigin(Player& myPlayer, const WorldModel& /*myWorldModel*/,
                                 float& angle) {
    const float bearing = myPlayer.mBallToTorse.angle;
    if (std::fabs(bearing) < 30) {
        angle = 0.001f;  // straight ahead; an exact 0 would hold the joint
        return true;
    }
    if (myPlayer.sphereAngleBallToHead > 0) {
        angle = bearing - lockAngle;
        if (angle > 110) angle = kNeckStop;
    } else {
        angle = bearing + lockAngle;
        if (angle < -110) angle = -kNeckStop;
    }
    return false;
}

bool HeadVision::GetNeckAngle(Player& myPlayer, const WorldModel& myWorldModel, float& angle) {
    float& headYaw = myPlayer.mHingeJointSenseMap[Player::JID_HEAD_1].angle;
    const float yaw = headYaw;
    float& lastSeenBearing = Player::sphereAngleBallToHead1;
    if (!IsFindBall(myWorldModel)) {
        // Sweep between the stops, reversing at each, towards where the ball was last seen.
        if (yaw > kNeckStop) lastSeenBearing = -kSweepReverse;
        if (yaw < -kNeckStop) lastSeenBearing = kSweepReverse;
        angle = lastSeenBearing < 0 ? yaw - kSweepStep : yaw + kSweepStep;
        headYaw = angle;
        return false;
    }
    if (std::fabs(lastSeenBearing) > 30) {
        angle = yaw > 0 ? kNeckStop : -kNeckStop;
        return true;
    }
    angle = yaw;
    return yaw != 0;
}
