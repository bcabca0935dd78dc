// The strategy's decisions on constructed scenes: walking commands, ball play, formation points.

#include "behavior/strategy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <utility>

#include "net/mytime.h"
#include "walk/inverse.h"
#include "world/data.h"

namespace {

// A scene in the field frame (metres, degrees): the robot and the ball.
struct Scene {
    float x = 0, y = 0, heading = 0, ballX = 1, ballY = 0;
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

        WorldModel w;
        w.ballLocatoin.ballLocatoin = FlagLocation(s.ballX, s.ballY, 0.04f);
        w.ballLocatoin.ballPredictLocation = w.ballLocatoin.ballLocatoin;
        w.ballLocatoin.time = MyTime::totalTime;  // seen now
        const double h = s.heading * M_PI / 180;
        const float dx = s.ballX - s.x, dy = s.ballY - s.y;
        w.ballLocatoin.ballLocationToTorse =
            FlagLocation(static_cast<float>(std::cos(h) * dx + std::sin(h) * dy),
                         static_cast<float>(-std::sin(h) * dx + std::cos(h) * dy), -0.34f);
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
        {"side limits backward", [&] { return s.JudgeRotateState(20, -0.5f, 0.1f); }, S_Step, -0.3f,
         0.1f, 20},
        {"small side: no limit", [&] { return s.JudgeRotateState(20, 0.5f, 0.05f); }, S_Step, 0.5f,
         0.05f, 20},
        {"beyond 45: kept", [&] { return s.JudgeRotateState(50, 0.2f, 0); }, Spot, kept, kept, 50},
        {"circle from 11", [&] { return s.JudgeTorse_GoalToBall_Goal(-11, 0.1f); }, Circle, 0.1f,
         kept, -11},
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
        {5, -0.3f, 0, S_BackInverseStep, -0.48f, 0},  // near: straight at the point
        {20, 0.3f, 0.1f, S_InverseRoatate, 9, 9},     // near: turn first beyond 11 degrees
    };
    for (const Case& c : cases) {
        Inverse::goalDistance = Inverse::BeamDistance = 9;
        const std::string what = std::to_string(c.dx) + " " + std::to_string(c.dy);
        EXPECT_EQ(c.state, s.JudgeRotateStateCanBack(c.angle, c.dx, c.dy)) << what;
        ExpectCommand(c.goal, c.side, what);
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
        {0, atBall, 0.08f}, {1, atBall, 0.08f},   {2, atBall, 0.12f}, {3, atBall, 0.12f},
        {4, atBall, 0.16f}, {4, nearGoal, 0.24f}, {4, wide, 0.16f},
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
    // The push that begins on stopping steps (or any state but a walk under way) is walked by
    // a walk started afresh, counting from step 0: its first two steps are short too.
    const struct Start {
        eState walking;
        int stepsBefore;
        int stepsThen[3];
        float goalThen[3];
    } starts[] = {
        {S_InverseStepEnd, 6, {2, 3, 4}, {0.12f, 0.12f, 0.16f}},
        {S_Step, 6, {7, 8, 10}, {0.08f, 0.12f, 0.16f}},
    };
    for (const Start& start : starts) {
        ForgetBallPlay();
        Make({0, 0, 0, 1}).KickStrategy();  // approach
        NaoBehavior::mState = start.walking;
        Inverse::stepCount = start.stepsBefore;
        EXPECT_EQ(S_Step, Make(atBall).KickStrategy());  // reached, lined up: push
        EXPECT_FLOAT_EQ(0.08f, Inverse::goalDistance);
        NaoBehavior::mState = S_Step;
        for (int i = 0; i < 3; ++i) {
            Inverse::stepCount = start.stepsThen[i];
            Make(atBall).KickStrategy();
            EXPECT_FLOAT_EQ(start.goalThen[i], Inverse::goalDistance)
                << start.walking << " at step " << start.stepsThen[i];
        }
    }
    NaoBehavior::mState = S_NON;
    // The ball no longer at the feet: stop, then the next decision approaches again.
    const Scene pushedAway{0, 0, 0, 1};
    EXPECT_EQ(S_Judge, Make(pushedAway).KickStrategy());
    EXPECT_FALSE(Strategy::findBall);
    EXPECT_EQ(S_Step, Make(pushedAway).KickStrategy());
    EXPECT_FLOAT_EQ(0.38f, Inverse::goalDistance);
}

TEST_F(StrategyTest, BesideAPostOnTheGoalLineTheLineUpEndsWithinTheCirclesTolerance) {
    // The ball on the goal line 0.5 m outside the right post: the posts lie between 85 and 89
    // degrees from it, the goal centre at 88.5. At the ball, 3.5 degrees off that bearing the
    // push begins (circling would not turn it nearer); 16.5 degrees off it circles.
    const struct Case {
        float heading;
        int state;
        bool pushing;
    } cases[] = {{92, S_Step, true}, {105, S_InverseBeamCircle, false}};
    for (const Case& c : cases) {
        ForgetBallPlay();
        const double h = c.heading * M_PI / 180;
        const Scene scene{static_cast<float>(10.46 - 0.2 * std::cos(h)),
                          static_cast<float>(-1.55 - 0.2 * std::sin(h)), c.heading, 10.46f, -1.55f};
        EXPECT_EQ(c.state, Make(scene).KickStrategy()) << c.heading;
        EXPECT_EQ(c.pushing, Strategy::findBall) << c.heading;
    }
}

TEST_F(StrategyTest, FormationPointIsReachedWithinAQuarterMetreAndLeftBeyondFourTenths) {
    // The point straight ahead of the robot at the origin, and the state; ball 1 m ahead.
    const std::pair<float, int> steps[] = {
        {0.3f, S_Step}, {0.2f, S_Judge}, {0.39f, S_Judge}, {0.41f, S_Step}, {0.3f, S_Step}};
    for (const auto& [pointX, state] : steps)
        EXPECT_EQ(state, Make({}).MoveGuidePointCanBack(pointX, 0)) << pointX;
    // Arrived, and the ball off to the side: turn to face it.
    EXPECT_EQ(S_InverseRoatate, Make({0, 0, 0, 0, 1}).MoveGuidePointCanBack(0.1f, 0));
}

}  // namespace
