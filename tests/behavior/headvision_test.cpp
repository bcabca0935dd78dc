// Head control: the lost-ball sweep of the neck.

#include "behavior/headvision.h"

#include <gtest/gtest.h>

#include "net/mytime.h"

namespace {

TEST(HeadVisionTest, LostBallSweepReversesOnlyBeyondTheStops) {
    HeadVision head;
    Player player;
    WorldModel world;
    MyTime::totalTime = 100.0f;
    world.ballLocatoin.time = 99;  // seen a second ago
    // One step of the neck with the head at `yaw` degrees; the commanded yaw.
    const auto NeckAngle = [&](float yaw, float lastSeenFromHead) {
        player.mHingeJointSenseMap[Player::JID_HEAD_1].angle = yaw;
        Player::sphereAngleBallToHead1 = lastSeenFromHead;
        float angle = -999;
        EXPECT_FALSE(head.GetNeckAngle(player, world, angle)) << yaw;
        return angle;
    };
    EXPECT_FLOAT_EQ(101, NeckAngle(121, 0));
    float angle = 0;
    head.GetNeckAngle(player, world, angle);  // from the yaw written back, the new direction
    EXPECT_FLOAT_EQ(81, angle);
    EXPECT_FLOAT_EQ(-101, NeckAngle(-121, 0));
    EXPECT_FLOAT_EQ(140, NeckAngle(120, 5));  // at the stop, not beyond it
    // The sweep starts towards the side where the ball was last seen.
    EXPECT_FLOAT_EQ(70, NeckAngle(50, 5));
    EXPECT_FLOAT_EQ(30, NeckAngle(50, -5));
}

}  // namespace
