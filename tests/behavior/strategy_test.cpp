// Fall detection and the ball-search decision of the strategy.

#include "behavior/strategy.h"

#include <gtest/gtest.h>

#include "net/mytime.h"

namespace {

// A body whose gyro orientation has the given third row (where the torso axes point relative
// to the vertical).
Player Tilted(float r20, float r21, float r22) {
    Player player("5");
    player.RGYRMatrix_Torse.Replace(Matrix3{});
    player.RGYRMatrix_Torse[0][0] = 1;
    player.RGYRMatrix_Torse[1][1] = 1;
    player.RGYRMatrix_Torse[2][0] = r20;
    player.RGYRMatrix_Torse[2][1] = r21;
    player.RGYRMatrix_Torse[2][2] = r22;
    return player;
}

WorldModel BallSeenAgo(float seconds) {
    WorldModel world;
    world.ballLocatoin.time = MyTime::totalTime - seconds;
    return world;
}

TEST(StrategyStumble, LyingAndTippingInPriorityOrder) {
    struct Case {
        float r20, r21;
        int expected;
    } cases[] = {
        {0, 0, 0},
        {-0.9f, 0, S_StandUpForward},
        {0.9f, 0, S_StandUpBack},
        {0, 0.96f, S_Stumble_Left},
        {0, -0.96f, S_Stumble_Right},
        {-0.79f, 0.94f, 0},
        {0.79f, -0.94f, 0},
        // Lying wins over rolling, face down over on the back.
        {-0.81f, 0.99f, S_StandUpForward},
        {0.81f, -0.99f, S_StandUpBack},
    };
    for (const Case& c : cases) {
        Strategy strategy(Tilted(c.r20, c.r21, 0.3f), WorldModel());
        EXPECT_EQ(c.expected, strategy.JudgeStumble()) << c.r20 << " " << c.r21;
    }
}

TEST(StrategyDecision, FallFirstThenSearchUntilTheBallIsInView) {
    MyTime::totalTime = 20.0f;
    // The ball was seen 0.06 s ago, but the robot lies on its back.
    EXPECT_EQ(S_StandUpBack, Strategy(Tilted(0.9f, 0, 0.3f), BallSeenAgo(0.06f)).JudgeState_B());
    EXPECT_EQ(S_HeadRotate, Strategy(Tilted(0, 0, 1), BallSeenAgo(0.1f)).JudgeState_B());
    EXPECT_EQ(S_HeadRotate, Strategy(Tilted(0, 0, 1), BallSeenAgo(-0.1f)).JudgeState_B());
    EXPECT_EQ(S_Judge, Strategy(Tilted(0, 0, 1), BallSeenAgo(0.06f)).JudgeState_B());
}

}  // namespace
