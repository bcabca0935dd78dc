// The referee over ball positions and touches.
#include "sim/referee/referee.h"

#include <gtest/gtest.h>

#include "sim/referee/outofplay.h"

namespace {

RefereeInput BallAt(double x, double y, double z = 0.042, int agents = 1) {
    return RefereeInput{{x, y, z}, {}, agents};
}

RefereeInput Touched(double x, double y, std::vector<BallTouch> touches) {
    RefereeInput in = BallAt(x, y);
    in.touches = std::move(touches);
    return in;
}

const BallTouch kLeft9{true, 9}, kLeft2{true, 2}, kRight4{false, 4};

void RunCycles(Referee& r, int cycles, const RefereeInput& in) {
    for (int i = 0; i < cycles; ++i) r.Step(in);
}

// A referee in PlayOn after a kick-off by `leftKicksOff`, the ball last touched by `last`.
Referee InPlay(bool leftKicksOff, TouchTeam last) {
    Referee r(300, 0);
    r.TrainerKickOff(leftKicksOff);
    if (last == kNobody) {
        r.TrainerPlayMode(kPlayOn);
    } else {
        r.Step(Touched(0, 0, {{leftKicksOff, 1}}));
        r.Step(Touched(0, 0, {last == kLeftTeam ? kLeft9 : kRight4}));
    }
    r.Step(BallAt(0, 0));
    double spot[3];
    r.TakeBallSpot(spot);
    r.TakeEvents();
    return r;
}

TEST(RefereeTest, BallOutOfPlayGivesTheSetPlayOfTheRulesAtItsSpot) {
    const double kX = 10.5, kY = 7, kR = kBallRadius;
    struct Case {
        bool leftKicksOff;
        TouchTeam last;
        double from[3], to[3];
        PlayMode expected;
        double spot[2];
    } cases[] = {
        // clang-format off
        {true,  kLeftTeam,  {2, 6.9, kR},    {2.4, 7.1, kR},   kKickInRight,     {2.2, kY}},
        {true,  kRightTeam, {-3, -7, kR},    {-3, -7.05, kR},  kKickInLeft,      {-3, -kY}},
        {false, kNobody,    {1, 7, kR},      {1, 7.05, kR},    kKickInLeft,      {1, kY}},
        {true,  kRightTeam, {10.5, 3, kR},   {10.55, 3, kR},   kCornerKickLeft,  {kX, kY}},
        {true,  kLeftTeam,  {10.5, -3, kR},  {10.55, -3, kR},  kGoalKickRight,   {kX - 1, 0}},
        {true,  kLeftTeam,  {-10.5, -2, kR}, {-10.55, -2, kR}, kCornerKickRight, {-kX, -kY}},
        {false, kNobody,    {-10.5, 2, kR},  {-10.55, 2, kR},  kGoalKickLeft,    {-kX + 1, 0}},
        {true,  kLeftTeam,  {0, 7, kR},      {0, 7.04, kR},    kPlayOn,          {0, 0}},
        // clang-format on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Referee r = InPlay(c.leftKicksOff, c.last);
        r.Step(RefereeInput{{c.from[0], c.from[1], c.from[2]}, {}, 1});
        r.Step(RefereeInput{{c.to[0], c.to[1], c.to[2]}, {}, 1});
        EXPECT_EQ(c.expected, r.mode);
        double spot[3];
        ASSERT_EQ(c.expected != kPlayOn, r.TakeBallSpot(spot));
        if (c.expected == kPlayOn) continue;
        EXPECT_NEAR(c.spot[0], spot[0], 1e-9);
        EXPECT_NEAR(c.spot[1], spot[1], 1e-9);
        EXPECT_EQ(kBallRadius, spot[2]);
        EXPECT_EQ(0, r.scoreLeft + r.scoreRight);
    }
}

TEST(RefereeTest, SetPlaysAreRepeatedOnTheOthersTouchAndEndAfterFifteenSecondsUntouched) {
    // The kick-off after a goal: the other team's touch puts the ball back on the spot.
    Referee r = InPlay(false, kNobody);
    RunCycles(r, 151, BallAt(11, 0));
    ASSERT_EQ(kKickOffRight, r.mode);
    double spot[3];
    ASSERT_TRUE(r.TakeBallSpot(spot));
    r.TakeEvents();
    r.Step(Touched(0.3, 0, {kLeft2}));
    EXPECT_TRUE(r.TakeBallSpot(spot) && spot[0] == 0 && spot[1] == 0);
    EXPECT_EQ(kKickOffRight, r.mode);
    EXPECT_EQ(1u, r.TakeEvents().size());
    // A kick-in lasts 15 s untouched; a repeat does not restart the count.
    r = InPlay(false, kNobody);
    r.Step(BallAt(3, -7.2));
    RunCycles(r, 400, BallAt(3, -7));
    r.Step(Touched(3, -7, {kRight4}));
    RunCycles(r, 348, BallAt(3, -7));
    EXPECT_EQ(kKickInLeft, r.mode);
    r.Step(BallAt(3, -7));
    EXPECT_EQ(kPlayOn, r.mode);
}

TEST(RefereeTest, GoalOnlyWhenTheBallFullyCrossedBetweenThePostsUnderTheBar) {
    const struct {
        double x, y, z;
        PlayMode expected;
    } cases[] = {
        {-10.5 - 0.043, 1.0, 0.042, kGoalRight},  // into the left team's goal
        {10.5 + 0.041, 0, 0.042, kPlayOn},        // still touching the line
        {11.0, 1.06, 0.042, kGoalKickRight},      // outside a post, over the bar: out of play
        {11.0, 0, 0.81, kGoalKickRight},
    };
    for (const auto& c : cases) {
        Referee r(300, 0);
        r.TrainerPlayMode(kPlayOn);
        r.Step(BallAt(c.x, c.y, c.z));
        EXPECT_EQ(c.expected, r.mode) << c.x << " " << c.y << " " << c.z;
        EXPECT_TRUE(r.scoreLeft == 0 && r.scoreRight == (c.expected == kGoalRight ? 1 : 0));
    }
}

TEST(RefereeTest, AfterThreeSecondsOfGoalTheOtherTeamKicksOffAndTheGoalCountsOnce) {
    Referee r(300, 0);
    r.TrainerPlayMode(kPlayOn);
    EXPECT_FALSE(r.BeamAllowed());
    RunCycles(r, 150, BallAt(10.5 + 0.043, 0));  // the ball stays in the net
    EXPECT_EQ(kGoalLeft, r.mode);
    EXPECT_TRUE(r.BeamAllowed());
    r.Step(BallAt(11, 0));
    EXPECT_EQ(kKickOffRight, r.mode);
    EXPECT_EQ(1, r.scoreLeft);
    double spot[3];
    EXPECT_TRUE(r.TakeBallSpot(spot) && spot[0] == 0 && spot[1] == 0);
    EXPECT_FALSE(r.BeamAllowed());
}

TEST(RefereeTest, KickOffFiveSecondsAfterTheFirstAgentThenHalfTimeTheOtherSideThenGameOver) {
    Referee r(10, 5), trained(10, 5);
    RunCycles(r, 100, BallAt(0, 0, 0.042, 0));  // nobody there: nothing happens
    RunCycles(r, 249, BallAt(3, 3));
    EXPECT_EQ(kBeforeKickOff, r.mode);
    r.Step(BallAt(3, 3));  // 250 cycles = 5 s
    EXPECT_EQ(kKickOffLeft, r.mode);
    trained.NoteTrainerCommand();  // unless the trainer acted
    RunCycles(trained, 1000, BallAt(0, 0));
    EXPECT_EQ(kBeforeKickOff, trained.mode);
    r.TrainerPlayMode(kPlayOn);
    while (r.mode != kBeforeKickOff) r.Step(BallAt(3, 3));
    EXPECT_TRUE(r.half == 2 && r.gameTime == 10);
    RunCycles(r, 249, BallAt(3, 3));
    EXPECT_EQ(kBeforeKickOff, r.mode);
    EXPECT_EQ(10, r.gameTime);  // the clock stands still in the break
    r.Step(BallAt(3, 3));       // 5 s into the break: the other side
    EXPECT_EQ(kKickOffRight, r.mode);
    RunCycles(r, 500, BallAt(3, 3));
    EXPECT_TRUE(r.mode == kGameOver && r.gameTime == 20);
    // Over: nothing counts any more, the clock stands, the time in the mode runs on.
    RunCycles(r, 100, BallAt(11, 0));
    EXPECT_TRUE(r.scoreLeft == 0 && r.gameTime == 20);
    EXPECT_NEAR(2.0, r.SecondsInMode(), 1e-9);
}

}  // namespace
