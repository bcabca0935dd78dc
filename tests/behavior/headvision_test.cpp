// Head control: the ball freshness rule, the neck yaw that follows the ball, the lost-ball sweep.

#include "behavior/headvision.h"

#include <gtest/gtest.h>

#include "net/mytime.h"

namespace {

class HeadVisionTest : public ::testing::Test {
  protected:
    void SetUp() override { MyTime::totalTime = 100.0f; }
    void BallSeenAgo(float seconds) { world.ballLocatoin.time = MyTime::totalTime - seconds; }
    // One step of the neck with the head at `yaw` degrees; returns the commanded yaw.
    float NeckAngle(float yaw, float lastSeenFromHead, bool expectFound) {
        player.mHingeJointSenseMap[Player::JID_HEAD_1].angle = yaw;
        Player::sphereAngleBallToHead1 = lastSeenFromHead;
        float angle = -999;
        EXPECT_EQ(expectFound, head.GetNeckAngle(player, world, angle)) << yaw;
        return angle;
    }

    HeadVision head;
    Player player;
    WorldModel world;
};

TEST_F(HeadVisionTest, BallCountsAsSeenUpToEightyMilliseconds) {
    for (float ago : {0.06f, -0.06f, 0.1f}) {
        BallSeenAgo(ago);
        EXPECT_EQ(ago < 0.08f, head.IsFindBall(world)) << ago;
    }
    MyTime::totalTime = 0.08f;  // exactly 0.08 s in float still counts
    world.ballLocatoin.time = 0;
    EXPECT_TRUE(head.IsFindBall(world));
}

TEST_F(HeadVisionTest, NeckLooksAheadOrLagsTheBallOnTheSideTheHeadSawIt) {
    struct Case {
        float bearing, fromHead, expected;
        bool ahead;
    } cases[] = {
        {25, 5, 0.001f, true},   {-29.9f, -5, 0.001f, true}, {30, 5, 20, false},
        {115, 5, 105, false},    {125, 5, 120, false},       {-125, 0, -120, false},
        {-115, -5, -105, false}, {40, -5, 50, false},        {-40, 5, -50, false},
    };
    for (const Case& c : cases) {
        player.mBallToTorse.angle = c.bearing;
        player.sphereAngleBallToHead = c.fromHead;
        float angle = -999;
        EXPECT_EQ(c.ahead, head.GetNeckToOrigin(player, world, angle)) << c.bearing;
        EXPECT_FLOAT_EQ(c.expected, angle) << c.bearing;
    }
}

TEST_F(HeadVisionTest, LostBallSweepReversesOnlyBeyondTheStops) {
    BallSeenAgo(1);
    EXPECT_FLOAT_EQ(101, NeckAngle(121, 0, false));
    float angle = 0;
    head.GetNeckAngle(player, world, angle);  // from the yaw written back, the new direction
    EXPECT_FLOAT_EQ(81, angle);
    EXPECT_FLOAT_EQ(-101, NeckAngle(-121, 0, false));
    EXPECT_FLOAT_EQ(140, NeckAngle(120, 5, false));  // at the stop, not beyond it
    // The sweep starts towards the side where the ball was last seen.
    EXPECT_FLOAT_EQ(70, NeckAngle(50, 5, false));
    EXPECT_FLOAT_EQ(30, NeckAngle(50, -5, false));
}

}  // namespace
