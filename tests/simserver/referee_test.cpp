// The referee over ball positions: kick-offs, the game clock, goals, halves.

#include "sim/server/referee.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

RefereeInput BallAt(double x, double y, double z, int agents = 1) {
    RefereeInput in;
    in.ballPos[0] = x;
    in.ballPos[1] = y;
    in.ballPos[2] = z;
    in.agentsJoined = agents;
    return in;
}

// Runs n cycles with the given input.
void RunCycles(Referee& r, int cycles, const RefereeInput& in) {
    for (int i = 0; i < cycles; ++i) r.Step(in);
}

TEST(RefereeTest, PlayModeNamesRoundTrip) {
    for (int i = 0; i < kPlayModeCount; ++i) {
        PlayMode m = kPlayOn;
        ASSERT_TRUE(ParsePlayMode(PlayModeName(static_cast<PlayMode>(i)), m));
        EXPECT_EQ(i, m);
    }
    EXPECT_STREQ("KickOff_Left", PlayModeName(kKickOffLeft));
    EXPECT_STREQ("corner_kick_right", PlayModeName(kCornerKickRight));
    PlayMode m;
    EXPECT_FALSE(ParsePlayMode("playon", m));
}

TEST(RefereeTest, AutomaticKickOffAfterTheFirstAgentJoinedAndClockStillBefore) {
    Referee r(300, 5);
    RunCycles(r, 100, BallAt(0, 0, 0.042, 0));  // nobody there: nothing happens
    EXPECT_EQ(kBeforeKickOff, r.mode);
    RefereeInput in = BallAt(0, 0, 0.042, 1);
    RunCycles(r, 249, in);
    EXPECT_EQ(kBeforeKickOff, r.mode);
    EXPECT_DOUBLE_EQ(0, r.gameTime);
    r.Step(in);  // 250 cycles = 5 s
    EXPECT_EQ(kKickOffLeft, r.mode);
    EXPECT_TRUE(r.TakeBallToCentre());
    EXPECT_FALSE(r.TakeBallToCentre());
    std::vector<RefereeEvent> events = r.TakeEvents();
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(kKickOffLeft, events[0].mode);
    r.Step(in);
    EXPECT_NEAR(0.02, r.gameTime, 1e-12);
}

TEST(RefereeTest, AnyTrainerCommandOrZeroSecondsTurnsTheAutomaticKickOffOff) {
    Referee trained(300, 5);
    trained.NoteTrainerCommand();
    RunCycles(trained, 1000, BallAt(0, 0, 0.042));
    EXPECT_EQ(kBeforeKickOff, trained.mode);

    Referee off(300, 0);
    RunCycles(off, 1000, BallAt(0, 0, 0.042));
    EXPECT_EQ(kBeforeKickOff, off.mode);
    off.TrainerKickOff(false);
    EXPECT_EQ(kKickOffRight, off.mode);
    EXPECT_TRUE(off.TakeBallToCentre());
}

TEST(RefereeTest, KickOffTurnsIntoPlayOnWhenTouchedOrAfterFifteenSeconds) {
    Referee touched(300, 0);
    touched.TrainerKickOff(true);
    RefereeInput in = BallAt(0, 0, 0.042);
    RunCycles(touched, 10, in);
    EXPECT_EQ(kKickOffLeft, touched.mode);
    in.ballTouched = true;
    touched.Step(in);
    EXPECT_EQ(kPlayOn, touched.mode);

    Referee waited(300, 0);
    waited.TrainerKickOff(false);
    RunCycles(waited, 749, BallAt(0, 0, 0.042));
    EXPECT_EQ(kKickOffRight, waited.mode);
    waited.Step(BallAt(0, 0, 0.042));
    EXPECT_EQ(kPlayOn, waited.mode);
}

TEST(RefereeTest, GoalOnlyWhenTheBallFullyCrossedBetweenThePostsUnderTheBar) {
    struct Case {
        double x, y, z;
        PlayMode expected;
    } cases[] = {
        {10.5 + 0.042 + 0.001, 0, 0.042, kGoalLeft},  // into the right team's goal
        {-10.5 - 0.043, 1.0, 0.042, kGoalRight},      // into the left team's goal
        {10.5 + 0.041, 0, 0.042, kPlayOn},            // still touching the line
        {11.0, 1.06, 0.042, kPlayOn},                 // outside the post
        {11.0, -1.06, 0.042, kPlayOn},
        {11.0, 0, 0.81, kPlayOn},  // over the bar
    };
    for (const Case& c : cases) {
        Referee r(300, 0);
        r.TrainerPlayMode(kPlayOn);
        r.Step(BallAt(c.x, c.y, c.z));
        EXPECT_EQ(c.expected, r.mode) << c.x << " " << c.y << " " << c.z;
        EXPECT_EQ(c.expected == kGoalLeft ? 1 : 0, r.scoreLeft);
        EXPECT_EQ(c.expected == kGoalRight ? 1 : 0, r.scoreRight);
    }
}

TEST(RefereeTest, AfterThreeSecondsOfGoalTheOtherTeamKicksOffAndTheGoalCountsOnce) {
    Referee r(300, 0);
    r.TrainerPlayMode(kPlayOn);
    r.TakeEvents();
    RefereeInput inGoal = BallAt(11, 0, 0.042);
    r.Step(inGoal);
    ASSERT_EQ(kGoalLeft, r.mode);
    EXPECT_TRUE(r.BeamAllowed());
    std::vector<RefereeEvent> events = r.TakeEvents();
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(RefereeEvent::kGoal, events[0].kind);
    RunCycles(r, 149, inGoal);  // the ball stays in the net
    EXPECT_EQ(kGoalLeft, r.mode);
    EXPECT_EQ(1, r.scoreLeft);
    r.Step(inGoal);
    EXPECT_EQ(kKickOffRight, r.mode);
    EXPECT_TRUE(r.TakeBallToCentre());
    EXPECT_FALSE(r.BeamAllowed());
}

TEST(RefereeTest, HalvesEndOnTheGameClockThenGameOver) {
    Referee r(10, 0);
    r.TrainerKickOff(true);
    r.TrainerPlayMode(kPlayOn);
    RefereeInput in = BallAt(3, 3, 0.042);
    RunCycles(r, 499, in);
    EXPECT_EQ(kPlayOn, r.mode);
    r.Step(in);
    EXPECT_EQ(kBeforeKickOff, r.mode);
    EXPECT_EQ(2, r.half);
    EXPECT_DOUBLE_EQ(10, r.gameTime);
    // The automatic kick-off belongs to the first half only; the clock stands still.
    RunCycles(r, 500, in);
    EXPECT_EQ(kBeforeKickOff, r.mode);
    EXPECT_DOUBLE_EQ(10, r.gameTime);
    r.TrainerKickOff(false);
    RunCycles(r, 500, in);
    EXPECT_EQ(kGameOver, r.mode);
    EXPECT_DOUBLE_EQ(20, r.gameTime);
    RunCycles(r, 100, BallAt(11, 0, 0.042));  // nothing counts any more
    EXPECT_EQ(0, r.scoreLeft);
    EXPECT_DOUBLE_EQ(20, r.gameTime);
}

TEST(RefereeTest, BeamsOnlyWhileStoppedBeforeAKickOff) {
    Referee r(300, 0);
    EXPECT_TRUE(r.BeamAllowed());
    for (PlayMode m : {kKickOffLeft, kPlayOn, kKickInRight, kGameOver}) {
        r.TrainerPlayMode(m);
        EXPECT_FALSE(r.BeamAllowed()) << PlayModeName(m);
    }
    r.TrainerPlayMode(kGoalRight);
    EXPECT_TRUE(r.BeamAllowed());
}

}  // namespace
