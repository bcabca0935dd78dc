// The strategy's decisions on constructed scenes: walking commands, the approach, line-up and
// push of the ball, formation points and their hysteresis, and who plays the ball.

#include "behavior/strategy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>
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
    Scene(float x = 0, float y = 0, float heading = 0, float ballX = 1, float ballY = 0,
          std::vector<Mate> mates = {})
        : x(x), y(y), heading(heading), ballX(ballX), ballY(ballY), mates(std::move(mates)) {}
    float x, y, heading, ballX, ballY;
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
        const Scene far{0, 0, 0, 100};
        Make(far).KickStrategy();
        Make(far).KickStrategy();
        Make(far).MoveGuidePointCanBack(100, 100);
    }
    // The walking command left in Inverse: forward, side (metres).
    static void ExpectCommand(float goal, float side, const std::string& what, double tol = 1e-5) {
        EXPECT_NEAR(goal, Inverse::goalDistance, tol) << what;
        EXPECT_NEAR(side, Inverse::BeamDistance, tol) << what;
    }

    WorldModel world;
    const float* ballPredictX = nullptr;
};

TEST_F(StrategyTest, WalkingCommandsChooseTurnOnTheSpotStepOrCircleAndLimitTheirStrides) {
    Strategy s;
    const float kept = 9;  // a value that shows the command was left alone
    const int Spot = S_InverseRoatate, Circle = S_InverseBeamCircle;
    const struct Case {
        const char* what;
        std::function<int()> call;
        int state;
        float goal, side, turn;
    } cases[] = {
        {"14: a step", [&] { return s.JudgeRotateState(14); }, S_Step, kept, kept, 14},
        {"beyond 14: on the spot", [&] { return s.JudgeRotateState(-14.5f); }, Spot, kept, kept,
         -14.5f},
        {"side step cleared", [&] { return s.JudgeRotateState(3, 0.5f); }, S_Step, 0.5f, 0, 3},
        {"side limits forward", [&] { return s.JudgeRotateState(20, 0.5f, 0.1f); }, S_Step, 0.3f,
         0.1f, 20},
        {"and backward", [&] { return s.JudgeRotateState(20, -0.5f, 0.1f); }, S_Step, -0.3f, 0.1f,
         20},
        {"small side: no limit", [&] { return s.JudgeRotateState(20, 0.5f, 0.05f); }, S_Step, 0.5f,
         0.05f, 20},
        {"beyond 45: kept", [&] { return s.JudgeRotateState(50, 0.2f, 0); }, Spot, kept, kept, 50},
        {"tighter limit", [&] { return s.JudgeRotateState(12, 0.1f, 0, 11); }, Spot, kept, kept,
         12},
        {"circle from 11", [&] { return s.JudgeTorse_GoalToBall_Goal(-11, 0.1f); }, Circle, 0.1f,
         kept, -11},
        {"straight below", [&] { return s.JudgeTorse_GoalToBall_Goal(10.9f, 0.2f); }, S_Step, 0.2f,
         kept, 10.9f},
    };
    for (const Case& c : cases) {
        Inverse::goalDistance = Inverse::BeamDistance = kept;
        EXPECT_EQ(c.state, c.call()) << c.what;
        ExpectCommand(c.goal, c.side, c.what);
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
        const std::string what = std::to_string(c.dx) + " " + std::to_string(c.dy);
        EXPECT_EQ(c.state, s.JudgeRotateStateCanBack(c.angle, c.dx, c.dy)) << what;
        ExpectCommand(c.goal, c.side, what);
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
        Strategy s = Make({0, 0, 0, c.ballX, c.ballY});
        Inverse::goalDistance = Inverse::BeamDistance = 9;
        EXPECT_EQ(c.state, s.KickStrategy()) << c.what;
        ExpectCommand(c.goal, c.side, c.what, 1e-4);
        s.JudgeInverseStepOffsetAngle();  // the walk keeps turning to the ball
        EXPECT_FLOAT_EQ(s.myPlayer.mBallToTorse.angle, Inverse::rotateAngle) << c.what;
        EXPECT_FALSE(Strategy::findBall) << c.what;
    }
}

TEST_F(StrategyTest, PushStepsGrowFromShortToLongAndLongestNearTheGoalThenStopWhenTheBallIsLost) {
    const Scene atBall{0, 0, 0, 0.2f};  // at the feet, lined up towards the goal
    const Scene nearGoal{9.3f, 0, 0, 9.5f};
    const Scene wide{9.3f, -6, 0, 9.5f, -6};  // near the goal, but past its side
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
        EXPECT_TRUE(Strategy::findBall);
        EXPECT_FLOAT_EQ(c.goal, Inverse::goalDistance) << c.steps;
        s.JudgeInverseStepOffsetAngle();  // while pushing the walk heads for the goal
        EXPECT_FLOAT_EQ(s.myPlayer.mTorseToGoal.angleTorseToGoal, Inverse::rotateAngle);
    }
    // The ball no longer at the feet: stop, then the next decision approaches again.
    const Scene pushedAway{0, 0, 0, 1};
    EXPECT_EQ(S_Judge, Make(pushedAway).KickStrategy());
    EXPECT_FALSE(Strategy::findBall);
    EXPECT_EQ(S_Step, Make(pushedAway).KickStrategy());
    EXPECT_FLOAT_EQ(0.38f, Inverse::goalDistance);
}

TEST_F(StrategyTest, LineUpCirclesTheBallUntilTheHeadingSuitsAndRestartsWhenTheBallMoved) {
    // Reached the ball facing the side line: walk round it.
    EXPECT_EQ(S_InverseBeamCircle, Make({0, 0, 90, 0, 0.2f}).KickStrategy());
    EXPECT_NEAR(91.1, Inverse::rotateAngle, 0.1);  // heading minus the ball's bearing to goal
    EXPECT_NEAR(-0.01, Inverse::goalDistance, 1e-5);
    EXPECT_FALSE(Strategy::findBall);
    // Still lining up, but the ball has rolled 0.4 m since it was reached: start again, and the
    // approach needs no turn on the spot to a ball 0.6 m ahead.
    const Scene rolled{0, 0, 90, 0, 0.6f};
    EXPECT_EQ(S_Step, Make(rolled).KickStrategy());
    EXPECT_EQ(S_Step, Make(rolled).KickStrategy());
    EXPECT_NEAR(0.38, Inverse::goalDistance, 1e-5);
}

TEST_F(StrategyTest, HeadingThatSuitsThePush) {
    const struct Case {
        const char* what;
        Scene scene;
        bool suits;
    } cases[] = {
        {"near the own goal anything forward", {-9, 1, 80, -8.5f, 1}, true},
        {"near the own goal, backward", {-9, 1, 90, -8.5f, 1}, false},
        {"midfield within 60", {0, 0, 59, 0.2f, 0}, true},
        {"midfield beyond 60", {0, 0, 61, 0.2f, 0}, false},
        {"near the side line: between the posts and 20 more", {5, 5.5f, -40, 5, 5.2f}, true},
        {"near the side line, beyond", {5, 5.5f, -10, 5, 5.2f}, false},
        {"close to the goal: between the posts only", {9, 0.5f, -20, 9.2f, 0.5f}, true},
        {"close to the goal, past the post", {9, 0.5f, -55, 9.2f, 0.5f}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.suits, Make(c.scene).JudgeBallToGoal(0)) << c.what;
}

TEST_F(StrategyTest, FormationPointIsReachedWithinAQuarterMetreAndLeftBeyondFourTenths) {
    // The point straight ahead of the robot at the origin, and the state; ball 1 m ahead.
    const std::pair<float, int> steps[] = {{0.45f, S_Step}, {0.3f, S_Step},   {0.2f, S_Judge},
                                           {0.3f, S_Judge}, {0.39f, S_Judge}, {0.41f, S_Step},
                                           {0.3f, S_Step}};
    for (const auto& [pointX, state] : steps)
        EXPECT_EQ(state, Make({}).MoveGuidePointCanBack(pointX, 0)) << pointX;
    // Arrived, and the ball off to the side: turn to face it.
    EXPECT_EQ(S_InverseRoatate, Make({0, 0, 0, 0, 1}).MoveGuidePointCanBack(0.1f, 0));
}

TEST_F(StrategyTest, KeeperDivesWhenTheBallIsHeadingIntoTheOwnGoal) {
    const float intoGoal = -10.6f;
    ballPredictX = &intoGoal;
    Scene keeper{-10.1f, 0, 0, -9};
    EXPECT_EQ(S_KeeperCatch, Make(keeper).MoveGuidePointCanBack(-10, 0));
    // A team mate nearer to the goal keeps it: arriving needs being nearest to the goal ...
    ForgetBallPlay();
    keeper.mates.push_back({"1", -10.4f, 0});
    EXPECT_EQ(S_Judge, Make(keeper).MoveGuidePointCanBack(-10, 0));
    // ... but once arrived, staying near the point is enough.
    EXPECT_EQ(S_KeeperCatch, Make(keeper).MoveGuidePointCanBack(-9.8f, 0));
}

TEST_F(StrategyTest, GoingToAPointBehindOrPastATeamMate) {
    Strategy s = Make({});
    EXPECT_EQ(S_BackInverseStep, s.MoveGuidePointCanBack(-1, 0));
    EXPECT_FLOAT_EQ(-0.38f, Inverse::goalDistance);
    s.JudgeInverseStepOffsetAngle();  // walking backwards needs no turn
    EXPECT_NEAR(0, Inverse::rotateAngle, 1e-4);

    world.mSelfPlayHeadToSelfMap["4"] = {FlagLocation(0.5f, 0.2f, 0), 21.8f};
    EXPECT_EQ(S_Step, Make({}).MoveGuidePointCanBack(3, 0));
    ExpectCommand(0, -0.06f, "it stands on the left: pass on the right");
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
        Make({0, 0, 0, c.ballX, c.ballY}).CalMoveGuideCoordinate();
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
    // Number 6 a metre in front of its place walks back to it; the goalkeeper with hardly
    // anyone heard keeps its goal; alone the striker plays the ball; second nearest with a team
    // mate at the ball, 6 stands back as a supporter at the guard point (-1.5, 0), behind on the
    // right: backwards with a side step.
    const struct Case {
        const char* unum;
        Scene scene;
        int state;
        float goal, side;
    } cases[] = {
        {"6", {-4.5f, 0, 0, 1, 0, team}, S_BackInverseStep, -0.38f, 0},
        {"1", {-9.1f, 0, 0, 1, 0, {{"9", 0, 0}}}, S_BackInverseStep, -0.38f, 0},
        {"9", {}, S_Step, 0.38f, 0},
        {"6", {-1, 0.5f, 0, 0, 0, {{"9", 0.6f, 0}}}, S_BackInverseStep, -0.3f, -0.5f},
    };
    for (const Case& c : cases) {
        DATA::Unum = c.unum;
        Inverse::BeamDistance = 0;
        EXPECT_EQ(c.state, Make(c.scene).JudgeState_B()) << c.unum;
        ExpectCommand(c.goal, c.side, c.unum);
    }
    DATA::Unum = "1";  // the goalkeeper at its place, facing the ball
    EXPECT_EQ(S_Judge, Make({-10.1f}).JudgeState_B());
}

TEST_F(StrategyTest, BreakingThroughDribblesWithoutLiningUp) {
    const Scene sideways{0, 0, 90, 0, 0.2f};  // facing the side line: no line-up
    EXPECT_EQ(S_Step, Make(sideways).BreakBallStrategy());
    EXPECT_FLOAT_EQ(0.08f, Inverse::goalDistance);
    Inverse::stepCount = 2;
    EXPECT_EQ(S_Step, Make(sideways).BreakBallStrategy());
    EXPECT_FLOAT_EQ(0.16f, Inverse::goalDistance);
    EXPECT_EQ(S_Judge, Make({0, 0, 90, 0, 1}).BreakBallStrategy());
}

}  // namespace
