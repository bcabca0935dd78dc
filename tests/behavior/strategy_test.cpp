// The strategy's decisions on constructed scenes: walking commands, the approach, line-up and
// push of the ball, formation points and their hysteresis, and who plays the ball.

#include "behavior/strategy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "net/mytime.h"
#include "walk/inverse.h"
#include "world/data.h"

namespace {

struct Mate {
    std::string key;
    float x, y;
};

// A scene in the field frame (metres, degrees): the robot, the ball, the heard team mates.
struct Scene {
    float x = 0, y = 0, heading = 0;
    float ballX = 1, ballY = 0;
    std::vector<Mate> mates;
};

class StrategyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DATA::Unum = "9";
        DATA::TeamSide = "left";
        DATA::SetPlayerLocation();
        MyTime::totalTime = 20;
        Inverse::stepCount = 0;
        ForgetBallPlay();
    }
    void TearDown() override {
        ForgetBallPlay();
        DATA::Unum = "1";
        DATA::TeamSide = "uninit";
        DATA::SetPlayerLocation();
    }

    Strategy Make(const Scene& s) {
        OperateMatrix ops;
        Player p("9");
        p.RGYRMatrix_Torse.Replace(Matrix3{});
        ops.SetNormalMatrix(p.RGYRMatrix_Torse.Get());
        p.RMatrix_Torse.Replace(ops.GetRotateZ(s.heading));
        p.torseLocation = FlagLocation(s.x, s.y, 0.38f);
        ops.SetMatrix(p.RMatrix_Torse.Get(), s.x, s.y, 0.38f, p.TMatrix_Torse.Get());

        WorldModel w = world;
        w.ballLocatoin.ballLocatoin = FlagLocation(s.ballX, s.ballY, 0.04f);
        w.ballLocatoin.ballPredictLocation = w.ballLocatoin.ballLocatoin;
        if (ballPredictX) w.ballLocatoin.ballPredictLocation.x = *ballPredictX;
        w.ballLocatoin.time = MyTime::totalTime;  // seen now
        const double h = s.heading * M_PI / 180;
        const float dx = s.ballX - s.x, dy = s.ballY - s.y;
        w.ballLocatoin.ballLocationToTorse =
            FlagLocation(static_cast<float>(std::cos(h) * dx + std::sin(h) * dy),
                         static_cast<float>(-std::sin(h) * dx + std::cos(h) * dy), -0.34f);
        for (const Mate& m : s.mates) w.mFriendPlayHeadMap[m.key] = {FlagLocation(m.x, m.y, 0), 1};
        p.CaculateBallToPart(w);
        p.myWorldModelTemp = w;
        return Strategy(p, w);
    }
    // Drives the flags of the ball play back to the approach and leaves the formation point.
    void ForgetBallPlay() {
        Scene far;
        far.ballX = 100;
        Make(far).KickStrategy();
        Make(far).KickStrategy();
        Make(far).MoveGuidePointCanBack(100, 100);
    }
    static std::string Capture(const std::function<void()>& f) {
        testing::internal::CaptureStdout();
        f();
        return testing::internal::GetCapturedStdout();
    }

    WorldModel world;
    const float* ballPredictX = nullptr;
};

// ---------------------------------------------------------------------------------------------

TEST_F(StrategyTest, WalkingCommandsChooseTurnOnTheSpotStepOrCircleAndLimitTheirStrides) {
    Strategy s;
    const float kept = 9;  // a value that shows the command was left alone
    const struct Case {
        const char* what;
        std::function<int()> call;
        int state;
        float goal, side, turn;
    } cases[] = {
        {"turn 14 is still a step", [&] { return s.JudgeRotateState(14); }, S_Step, kept, kept, 14},
        {"turn beyond 14 is on the spot", [&] { return s.JudgeRotateState(-14.5f); },
         S_InverseRoatate, kept, kept, -14.5f},
        {"with a distance the side step is cleared", [&] { return s.JudgeRotateState(3, 0.5f); },
         S_Step, 0.5f, 0, 3},
        {"a side step limits the forward step", [&] { return s.JudgeRotateState(20, 0.5f, 0.1f); },
         S_Step, 0.3f, 0.1f, 20},
        {"and the backward step", [&] { return s.JudgeRotateState(20, -0.5f, 0.1f); }, S_Step,
         -0.3f, 0.1f, 20},
        {"no limit with a small side step", [&] { return s.JudgeRotateState(20, 0.5f, 0.05f); },
         S_Step, 0.5f, 0.05f, 20},
        {"beyond 45 degrees the distances stay", [&] { return s.JudgeRotateState(50, 0.2f, 0); },
         S_InverseRoatate, kept, kept, 50},
        {"a tighter turn limit", [&] { return s.JudgeRotateState(12, 0.1f, 0, 11); },
         S_InverseRoatate, kept, kept, 12},
        {"circle the ball from 11 degrees", [&] { return s.JudgeTorse_GoalToBall_Goal(-11, 0.1f); },
         S_InverseBeamCircle, 0.1f, kept, -11},
        {"straight at the ball below", [&] { return s.JudgeTorse_GoalToBall_Goal(10.9f, 0.2f); },
         S_Step, 0.2f, kept, 10.9f},
    };
    for (const Case& c : cases) {
        Inverse::goalDistance = Inverse::BeamDistance = kept;
        EXPECT_EQ(c.state, c.call()) << c.what;
        EXPECT_FLOAT_EQ(c.goal, Inverse::goalDistance) << c.what;
        EXPECT_FLOAT_EQ(c.side, Inverse::BeamDistance) << c.what;
        EXPECT_FLOAT_EQ(c.turn, Inverse::rotateAngle) << c.what;
    }
}

TEST_F(StrategyTest, WalkingToAPointBehindGoesBackwards) {
    Strategy s;
    const struct Case {
        float angle, dx, dy;
        int state;
        float goal, side;
    } cases[] = {
        {5, -1.0f, 0, S_BackInverseStep, -0.38f, 0},  // -1.21 limited below 2 m
        {5, -3.0f, 0, S_BackInverseStep, -3.21f, 0},  // far: not limited
        {5, 1.0f, 0, S_Step, 0.38f, 0},
        {20, 1.0f, 0.3f, S_Step, 0.3f, 0.3f},         // turning on the way: side step kept
        {5, -0.3f, 0, S_BackInverseStep, -0.48f, 0},  // near: straight at the point
        {20, 0.3f, 0.1f, S_InverseRoatate, 9, 9},     // near: turn first beyond 11 degrees
        {30, -1.0f, 0.3f, S_BackInverseStep, -0.3f, 0.3f},
    };
    for (const Case& c : cases) {
        Inverse::goalDistance = Inverse::BeamDistance = 9;
        std::string out;
        int state = 0;
        out = Capture([&] { state = s.JudgeRotateStateCanBack(c.angle, c.dx, c.dy); });
        EXPECT_EQ(c.state, state) << c.dx << " " << c.dy;
        EXPECT_EQ("bb " + std::to_string(c.state) + "\n", out);
        EXPECT_NEAR(c.goal, Inverse::goalDistance, 1e-5) << c.dx << " " << c.dy;
        EXPECT_NEAR(c.side, Inverse::BeamDistance, 1e-5) << c.dx << " " << c.dy;
    }
}

TEST_F(StrategyTest, ApproachWalksAtTheBallAndTurnsFirstWhenItIsOffToTheSide) {
    const struct Case {
        const char* what;
        float ballX, ballY;
        int state;
        float goal, side;
    } cases[] = {
        {"far: the whole distance, short of the ball", 3, 0.2f, S_Step, 2.7967f, 0},
        {"mid: limited to 0.38", 1, 0, S_Step, 0.38f, 0},
        {"mid and off the line: a side step", 1, 0.5f, S_Step, 0.3f, 0.5f},
        {"mid and beside: turn first", 0, 1.5f, S_InverseRoatate, 9, 9},
        {"near and off the line: turn first", 0.3f, 0.1f, S_InverseRoatate, 9, 9},
        {"near: close in", 0.35f, 0.03f, S_Step, 0.17f, 0.03f},
    };
    for (const Case& c : cases) {
        Scene scene;
        scene.ballX = c.ballX;
        scene.ballY = c.ballY;
        Strategy s = Make(scene);
        Inverse::goalDistance = Inverse::BeamDistance = 9;
        EXPECT_EQ(c.state, s.KickStrategy()) << c.what;
        EXPECT_NEAR(c.goal, Inverse::goalDistance, 1e-4) << c.what;
        EXPECT_NEAR(c.side, Inverse::BeamDistance, 1e-4) << c.what;
        // The walk keeps turning to the ball.
        s.JudgeInverseStepOffsetAngle();
        EXPECT_FLOAT_EQ(s.myPlayer.mBallToTorse.angle, Inverse::rotateAngle) << c.what;
        EXPECT_FALSE(Strategy::findBall) << c.what;
    }
}

TEST_F(StrategyTest, PushStepsGrowFromShortToLongAndLongestNearTheGoal) {
    Scene atBall;
    atBall.ballX = 0.2f;  // at the feet, lined up towards the goal
    EXPECT_EQ(S_Step, Make(atBall).KickStrategy());
    EXPECT_TRUE(Strategy::findBall);
    EXPECT_FLOAT_EQ(0.08f, Inverse::goalDistance);

    Scene nearGoal = atBall;
    nearGoal.x = 9.3f;
    nearGoal.ballX = 9.5f;
    Scene wide = nearGoal;  // near the goal, but past its side
    wide.y = wide.ballY = -6;
    const struct Case {
        int steps;
        const Scene& scene;
        float goal;
    } cases[] = {
        {0, atBall, 0.08f},   {1, atBall, 0.08f},   {2, atBall, 0.12f},
        {3, atBall, 0.12f},   {4, atBall, 0.16f},   {9, atBall, 0.16f},
        {4, nearGoal, 0.24f}, {9, nearGoal, 0.24f}, {4, wide, 0.16f},
    };
    for (const Case& c : cases) {
        Inverse::stepCount = c.steps;
        Strategy s = Make(c.scene);
        EXPECT_EQ(S_Step, s.KickStrategy()) << c.steps;
        EXPECT_FLOAT_EQ(c.goal, Inverse::goalDistance) << c.steps;
        // While pushing the walk heads for the goal.
        s.JudgeInverseStepOffsetAngle();
        EXPECT_FLOAT_EQ(s.myPlayer.mTorseToGoal.angleTorseToGoal, Inverse::rotateAngle);
    }
}

TEST_F(StrategyTest, LosingTheBallWhilePushingStopsAndTheNextDecisionApproachesAgain) {
    Scene atBall;
    atBall.ballX = 0.2f;
    Make(atBall).KickStrategy();
    ASSERT_TRUE(Strategy::findBall);

    Scene pushedAway = atBall;
    pushedAway.ballX = 1;  // no longer at the feet
    EXPECT_EQ(S_Judge, Make(pushedAway).KickStrategy());
    EXPECT_FALSE(Strategy::findBall);
    EXPECT_EQ(S_Step, Make(pushedAway).KickStrategy());
    EXPECT_FLOAT_EQ(0.38f, Inverse::goalDistance);  // the approach
}

TEST_F(StrategyTest, LineUpCirclesTheBallUntilTheHeadingSuitsAndRestartsWhenTheBallMoved) {
    // Reached the ball facing the side line: walk round it.
    Scene sideways;
    sideways.heading = 90;
    sideways.ballX = 0;
    sideways.ballY = 0.2f;
    Strategy s = Make(sideways);
    EXPECT_EQ(S_InverseBeamCircle, s.KickStrategy());
    EXPECT_NEAR(91.1, Inverse::rotateAngle, 0.1);  // heading minus the ball's bearing to goal
    EXPECT_NEAR(-0.01, Inverse::goalDistance, 1e-5);
    EXPECT_FALSE(Strategy::findBall);

    // Still lining up, but the ball has rolled 0.4 m since it was reached: start again.
    Scene rolled = sideways;
    rolled.ballY = 0.6f;
    EXPECT_EQ(S_Step, Make(rolled).KickStrategy());
    // The approach runs again: a turn on the spot to a ball 0.6 m ahead is not needed.
    EXPECT_EQ(S_Step, Make(rolled).KickStrategy());
    EXPECT_NEAR(0.38, Inverse::goalDistance, 1e-5);
}

TEST_F(StrategyTest, HeadingThatSuitsThePush) {
    const struct Case {
        const char* what;
        float x, y, heading, ballX, ballY;
        bool suits;
    } cases[] = {
        {"near the own goal anything forward", -9, 1, 80, -8.5f, 1, true},
        {"near the own goal, backward", -9, 1, 90, -8.5f, 1, false},
        {"midfield within 60", 0, 0, 59, 0.2f, 0, true},
        {"midfield beyond 60", 0, 0, 61, 0.2f, 0, false},
        {"near the side line: between the posts and 20 more", 5, 5.5f, -40, 5, 5.2f, true},
        {"near the side line, beyond", 5, 5.5f, -10, 5, 5.2f, false},
        {"close to the goal: between the posts only", 9, 0.5f, -20, 9.2f, 0.5f, true},
        {"close to the goal, past the post", 9, 0.5f, -55, 9.2f, 0.5f, false},
    };
    for (const Case& c : cases) {
        Scene scene;
        scene.x = c.x;
        scene.y = c.y;
        scene.heading = c.heading;
        scene.ballX = c.ballX;
        scene.ballY = c.ballY;
        EXPECT_EQ(c.suits, Make(scene).JudgeBallToGoal(0)) << c.what;
    }
}

TEST_F(StrategyTest, FormationPointIsReachedWithinAQuarterMetreAndLeftBeyondFourTenths) {
    const struct Step {
        float pointX;  // the point straight ahead of the robot at the origin
        int state;
    } steps[] = {
        {0.45f, S_Step},  {0.3f, S_Step},  {0.2f, S_Judge}, {0.3f, S_Judge},
        {0.39f, S_Judge}, {0.41f, S_Step}, {0.3f, S_Step},
    };
    Scene scene;  // ball 1 m ahead: facing it needs no turn
    for (const Step& step : steps) {
        Strategy s = Make(scene);
        int state = 0;
        Capture([&] { state = s.MoveGuidePointCanBack(step.pointX, 0); });
        EXPECT_EQ(step.state, state) << step.pointX;
    }
    // Arrived, and the ball off to the side: turn to face it.
    scene.ballX = 0;
    scene.ballY = 1;
    EXPECT_EQ(S_InverseRoatate, Make(scene).MoveGuidePointCanBack(0.1f, 0));
}

TEST_F(StrategyTest, KeeperDivesWhenTheBallIsHeadingIntoTheOwnGoal) {
    const float intoGoal = -10.6f;
    ballPredictX = &intoGoal;
    Scene keeper;
    keeper.x = -10.1f;
    keeper.ballX = -9;
    EXPECT_EQ(S_KeeperCatch, Make(keeper).MoveGuidePointCanBack(-10, 0));
    // A team mate nearer to the goal keeps it: arriving needs being nearest to the goal ...
    ForgetBallPlay();
    keeper.mates.push_back({"1", -10.4f, 0});
    EXPECT_EQ(S_Judge, Make(keeper).MoveGuidePointCanBack(-10, 0));
    // ... but once arrived, staying near the point is enough.
    EXPECT_EQ(S_KeeperCatch, Make(keeper).MoveGuidePointCanBack(-9.8f, 0));
}

TEST_F(StrategyTest, GoingToAPointBehindOrPastATeamMate) {
    Scene scene;
    scene.x = 0;
    Strategy s = Make(scene);
    Capture([&] { EXPECT_EQ(S_BackInverseStep, s.MoveGuidePointCanBack(-1, 0)); });
    EXPECT_FLOAT_EQ(-0.38f, Inverse::goalDistance);
    s.JudgeInverseStepOffsetAngle();  // walking backwards needs no turn
    EXPECT_NEAR(0, Inverse::rotateAngle, 1e-4);

    world.mSelfPlayHeadToSelfMap["4"] = {FlagLocation(0.5f, 0.2f, 0), 21.8f};
    EXPECT_EQ(S_Step, Make(scene).MoveGuidePointCanBack(3, 0));
    EXPECT_FLOAT_EQ(0, Inverse::goalDistance);
    EXPECT_FLOAT_EQ(-0.06f, Inverse::BeamDistance);  // it stands on the left: pass on the right
}

TEST_F(StrategyTest, BackPointsFollowTheBallTowardsTheOwnGoalAndRoundIt) {
    const struct Case {
        float ballX, ballY;
        float x6, y6;  // where point 6 (the middle back point) goes
    } cases[] = {
        {3, 0, -7.5f, 0},              // ball in the opponent half: the kick-off place
        {-1.75f, 0, -8.0f, 0},         // half way between the half and the third: half a metre
        {-5, 3, -8.7440f, 0.9577f},    // own third: a metre back, turned 28.6 degrees
        {-9, 6, -8.9679f, 1.2856f},    // far to the side: the turn stops at 40 degrees
        {-9, -6, -8.9679f, -1.2856f},  // and to the other side
    };
    for (const Case& c : cases) {
        Scene scene;
        scene.ballX = c.ballX;
        scene.ballY = c.ballY;
        Make(scene).CalMoveGuideCoordinate();
        EXPECT_NEAR(c.x6, DATA::playerGroup[6].location.x, 1e-3) << c.ballX << " " << c.ballY;
        EXPECT_NEAR(c.y6, DATA::playerGroup[6].location.y, 1e-3) << c.ballX << " " << c.ballY;
    }
    // The other two turn with it about the goal centre, keeping their distance from it.
    const FlagLocation& p5 = DATA::playerGroup[5].location;
    EXPECT_NEAR(std::hypot(2.0, 1.5), std::hypot(p5.x + 10.5, p5.y), 1e-4);
}

TEST_F(StrategyTest, WhoPlaysTheBallAndWhoTakesWhichPlace) {
    // Team mates at their kick-off places; 9 and 8 are the two nearest to the ball.
    const std::vector<Mate> team = {{"1", -10.1f, 0},   {"2", -7.5f, -1.5f}, {"3", -7.5f, 0},
                                    {"4", -7.5f, 1.5f}, {"5", -5.5f, -2},    {"7", -5.5f, 2},
                                    {"8", -2, -2},      {"9", 0, 0}};
    {
        SCOPED_TRACE("number 6 a metre in front of its place walks back to it");
        DATA::Unum = "6";
        Scene scene;
        scene.x = -4.5f;
        scene.mates = team;
        int state = 0;
        Capture([&] { state = Make(scene).JudgeState_B(); });
        EXPECT_EQ(S_BackInverseStep, state);
        EXPECT_FLOAT_EQ(-0.38f, Inverse::goalDistance);
    }
    {
        SCOPED_TRACE("the goalkeeper with hardly anyone heard keeps its goal");
        DATA::Unum = "1";
        Scene scene;
        scene.x = -9.1f;
        scene.mates.push_back({"9", 0, 0});
        int state = 0;
        Capture([&] { state = Make(scene).JudgeState_B(); });
        EXPECT_EQ(S_BackInverseStep, state);
        scene.mates.clear();
        scene.x = -10.1f;
        EXPECT_EQ(S_Judge, Make(scene).JudgeState_B());  // at its place, facing the ball
    }
    {
        SCOPED_TRACE("alone the striker plays the ball");
        DATA::Unum = "9";
        Scene scene;
        EXPECT_EQ(S_Step, Make(scene).JudgeState_B());
        EXPECT_FLOAT_EQ(0.38f, Inverse::goalDistance);
    }
    {
        SCOPED_TRACE("second nearest with a team mate at the ball stands back as a supporter");
        DATA::Unum = "6";
        Scene scene;
        scene.x = -1;
        scene.y = 0.5f;
        scene.ballX = 0;
        scene.mates.push_back({"9", 0.6f, 0});
        int state = 0;
        Capture([&] { state = Make(scene).JudgeState_B(); });
        // The guard point (-1.5, 0) lies behind on the right: backwards with a side step.
        EXPECT_EQ(S_BackInverseStep, state);
        EXPECT_NEAR(-0.3, Inverse::goalDistance, 1e-5);
        EXPECT_NEAR(-0.5, Inverse::BeamDistance, 1e-5);
    }
}

TEST_F(StrategyTest, BreakingThroughDribblesWithoutLiningUp) {
    Scene scene;
    scene.heading = 90;  // facing the side line: no line-up
    scene.ballX = 0;
    scene.ballY = 0.2f;
    std::string out;
    int state = 0;
    out = Capture([&] { state = Make(scene).BreakBallStrategy(); });
    EXPECT_EQ(S_Step, state);
    EXPECT_EQ("Inverse::goalDistance  0.08\n", out);
    Inverse::stepCount = 2;
    out = Capture([&] { state = Make(scene).BreakBallStrategy(); });
    EXPECT_EQ("Inverse::goalDistance  0.16\n", out);
    scene.ballY = 1;
    EXPECT_EQ(S_Judge, Make(scene).BreakBallStrategy());
}

}  // namespace
