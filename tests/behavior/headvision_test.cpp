// Head control: the ball freshness rule, the neck yaw that follows the ball while the body
// moves, and the search sweep between the stops.

#include "behavior/headvision.h"

#include <gtest/gtest.h>

#include "net/mytime.h"

namespace {

class HeadVisionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MyTime::totalTime = 100.0f;
        Player::sphereAngleBallToHead1 = 0;
    }

    void BallSeenAgo(float seconds) { world.ballLocatoin.time = MyTime::totalTime - seconds; }

    float NeckToOrigin(float bearing, float fromHead, bool* lookingAhead = nullptr) {
        player.mBallToTorse.angle = bearing;
        player.sphereAngleBallToHead = fromHead;
        float angle = -999;
        const bool ahead = head.GetNeckToOrigin(player, world, angle);
        if (lookingAhead) *lookingAhead = ahead;
        return angle;
    }

    float HeadYaw() { return player.mHingeJointSenseMap[Player::JID_HEAD_1].angle; }
    void SetHeadYaw(float degrees) {
        player.mHingeJointSenseMap[Player::JID_HEAD_1].angle = degrees;
    }

    HeadVision head;
    Player player;
    WorldModel world;
};

TEST_F(HeadVisionTest, BallCountsAsSeenForFourCycles) {
    BallSeenAgo(0.06f);
    EXPECT_TRUE(head.IsFindBall(world));
    BallSeenAgo(0.1f);
    EXPECT_FALSE(head.IsFindBall(world));
    BallSeenAgo(-0.06f);  // either side of the clock
    EXPECT_TRUE(head.IsFindBall(world));
    MyTime::totalTime = 0.08f;
    world.ballLocatoin.time = 0;
    EXPECT_TRUE(head.IsFindBall(world));
}

TEST_F(HeadVisionTest, NeckLooksAheadWhileTheBallIsNearlyInFront) {
    bool ahead = false;
    EXPECT_FLOAT_EQ(NeckToOrigin(25, 5, &ahead), 0.001f);
    EXPECT_TRUE(ahead);
    EXPECT_FLOAT_EQ(NeckToOrigin(-29.9f, -5, &ahead), 0.001f);
    EXPECT_TRUE(ahead);
    EXPECT_FLOAT_EQ(NeckToOrigin(30, 5, &ahead), 20);
    EXPECT_FALSE(ahead);
}

TEST_F(HeadVisionTest, NeckLagsTheBallOnItsSideAndJumpsToTheStop) {
    EXPECT_FLOAT_EQ(NeckToOrigin(115, 5), 105);
    EXPECT_FLOAT_EQ(NeckToOrigin(125, 5), 120);
    EXPECT_FLOAT_EQ(NeckToOrigin(-125, 0), -120);  // -115 is past -110
    EXPECT_FLOAT_EQ(NeckToOrigin(-115, -5), -105);
    // The side comes from the bearing seen by the head, not the torso's.
    EXPECT_FLOAT_EQ(NeckToOrigin(40, -5), 50);
    EXPECT_FLOAT_EQ(NeckToOrigin(-40, 5), -50);
}

TEST_F(HeadVisionTest, LostBallSweepReversesBeyondTheStops) {
    BallSeenAgo(1);
    float angle = 0;
    SetHeadYaw(121);
    EXPECT_FALSE(head.GetNeckAngle(player, world, angle));
    EXPECT_FLOAT_EQ(angle, 101);
    EXPECT_FLOAT_EQ(HeadYaw(), 101);  // written back for the next step
    EXPECT_FLOAT_EQ(Player::sphereAngleBallToHead1, -1000);
    head.GetNeckAngle(player, world, angle);
    EXPECT_FLOAT_EQ(angle, 81);  // keeps the direction

    SetHeadYaw(-121);
    head.GetNeckAngle(player, world, angle);
    EXPECT_FLOAT_EQ(angle, -101);
    EXPECT_FLOAT_EQ(Player::sphereAngleBallToHead1, 1000);

    SetHeadYaw(120);  // at the stop, not beyond it: no reversal yet
    head.GetNeckAngle(player, world, angle);
    EXPECT_FLOAT_EQ(angle, 140);
}

TEST_F(HeadVisionTest, LostBallSweepStartsTowardsWhereTheBallWasLastSeen) {
    BallSeenAgo(1);
    float angle = 0;
    SetHeadYaw(50);
    Player::sphereAngleBallToHead1 = 5;
    head.GetNeckAngle(player, world, angle);
    EXPECT_FLOAT_EQ(angle, 70);
    SetHeadYaw(50);
    Player::sphereAngleBallToHead1 = -5;
    head.GetNeckAngle(player, world, angle);
    EXPECT_FLOAT_EQ(angle, 30);
}

TEST_F(HeadVisionTest, SeenBallFarToTheSideTurnsTheHeadToTheStop) {
    BallSeenAgo(0);
    float angle = 0;
    Player::sphereAngleBallToHead1 = 35;
    SetHeadYaw(10);
    EXPECT_TRUE(head.GetNeckAngle(player, world, angle));
    EXPECT_FLOAT_EQ(angle, 120);
    SetHeadYaw(-10);
    EXPECT_TRUE(head.GetNeckAngle(player, world, angle));
    EXPECT_FLOAT_EQ(angle, -120);
    EXPECT_FLOAT_EQ(HeadYaw(), -10);  // only the lost-ball sweep writes the yaw back
}

TEST_F(HeadVisionTest, SeenBallNearlyAheadKeepsTheHeadWhereItIs) {
    BallSeenAgo(0);
    float angle = 0;
    Player::sphereAngleBallToHead1 = -30;
    SetHeadYaw(15);
    EXPECT_TRUE(head.GetNeckAngle(player, world, angle));
    EXPECT_FLOAT_EQ(angle, 15);
    SetHeadYaw(0);
    EXPECT_FALSE(head.GetNeckAngle(player, world, angle));
    EXPECT_FLOAT_EQ(angle, 0);
}

TEST_F(HeadVisionTest, SweepSetupCapsTheStepAndDividesTheRangeEvenly) {
    HeadVision sweep(10, 90);
    EXPECT_FLOAT_EQ(sweep.rotateOffsetAngle, 7);
    EXPECT_EQ(sweep.rotateCount, 13);  // 90 / 7 = 12.86 -> 12, plus one
    EXPECT_FLOAT_EQ(sweep.realRotateOffset, 90.0f / 13);
    sweep.SetInitAngle(5, 30);
    EXPECT_EQ(sweep.rotateCount, 7);
    EXPECT_FLOAT_EQ(sweep.realRotateOffset, 30.0f / 7);
    sweep.SetInitAngle(0, 30);  // no step: one step over the whole range
    EXPECT_EQ(sweep.rotateCount, 1);
    EXPECT_FLOAT_EQ(sweep.realRotateOffset, 30);
}

TEST_F(HeadVisionTest, ConstructionResetsTheSharedSweepState) {
    HeadVision::headRotateCount = 5;
    HeadVision::IsStep = true;
    HeadVision another;
    EXPECT_FLOAT_EQ(HeadVision::headRotateCount, 1.0f);
    EXPECT_FALSE(HeadVision::IsStep);
}

}  // namespace
