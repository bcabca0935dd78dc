// The referee over ball positions (kick-offs, the game clock, goals, halves, beam rules) and
// the routing of spoken messages.
#include "sim/server/referee.h"

#include <gtest/gtest.h>

#include "sim/server/hearing.h"

namespace {

RefereeInput BallAt(double x, double y, double z = 0.042, int agents = 1) {
    return RefereeInput{{x, y, z}, false, agents};
}

void RunCycles(Referee& r, int cycles, const RefereeInput& in) {
    for (int i = 0; i < cycles; ++i) r.Step(in);
}

TEST(RefereeTest, AutomaticKickOffFiveSecondsAfterTheFirstAgentUnlessTheTrainerActed) {
    Referee r(300, 5), trained(300, 5);
    RunCycles(r, 100, BallAt(0, 0, 0.042, 0));  // nobody there: nothing happens
    RunCycles(r, 249, BallAt(0, 0));
    EXPECT_EQ(kBeforeKickOff, r.mode);
    EXPECT_DOUBLE_EQ(0, r.gameTime);
    r.Step(BallAt(0, 0));  // 250 cycles = 5 s
    EXPECT_EQ(kKickOffLeft, r.mode);
    EXPECT_TRUE(r.TakeBallToCentre());
    EXPECT_FALSE(r.TakeBallToCentre());
    r.Step(BallAt(0, 0));
    EXPECT_NEAR(0.02, r.gameTime, 1e-12);
    trained.NoteTrainerCommand();
    RunCycles(trained, 1000, BallAt(0, 0));
    EXPECT_EQ(kBeforeKickOff, trained.mode);
}

TEST(RefereeTest, KickOffTurnsIntoPlayOnWhenTouchedOrAfterFifteenSeconds) {
    Referee touched(300, 0), waited(300, 0);
    touched.TrainerKickOff(true);
    RefereeInput in = BallAt(0, 0);
    RunCycles(touched, 10, in);
    EXPECT_EQ(kKickOffLeft, touched.mode);
    in.ballTouched = true;
    touched.Step(in);
    EXPECT_EQ(kPlayOn, touched.mode);
    waited.TrainerKickOff(false);
    RunCycles(waited, 749, BallAt(0, 0));
    EXPECT_EQ(kKickOffRight, waited.mode);
    waited.Step(BallAt(0, 0));
    EXPECT_EQ(kPlayOn, waited.mode);
}

TEST(RefereeTest, GoalOnlyWhenTheBallFullyCrossedBetweenThePostsUnderTheBar) {
    struct Case {
        double x, y, z;
        PlayMode expected;
    } cases[] = {
        {10.5 + 0.043, 0, 0.042, kGoalLeft},      // into the right team's goal
        {-10.5 - 0.043, 1.0, 0.042, kGoalRight},  // into the left team's goal
        {10.5 + 0.041, 0, 0.042, kPlayOn},        // still touching the line
        {11.0, 1.06, 0.042, kPlayOn},             // outside the post
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
    EXPECT_FALSE(r.BeamAllowed());
    RunCycles(r, 150, BallAt(11, 0));  // the ball stays in the net
    EXPECT_EQ(kGoalLeft, r.mode);
    EXPECT_TRUE(r.BeamAllowed());
    r.Step(BallAt(11, 0));
    EXPECT_EQ(kKickOffRight, r.mode);
    EXPECT_EQ(1, r.scoreLeft);
    EXPECT_TRUE(r.TakeBallToCentre());
    EXPECT_FALSE(r.BeamAllowed());
}

TEST(RefereeTest, HalvesEndOnTheGameClockThenGameOver) {
    Referee r(10, 0);
    r.TrainerKickOff(true);
    r.TrainerPlayMode(kPlayOn);
    RunCycles(r, 499, BallAt(3, 3));
    EXPECT_EQ(kPlayOn, r.mode);
    r.Step(BallAt(3, 3));
    EXPECT_TRUE(r.mode == kBeforeKickOff && r.half == 2 && r.gameTime == 10);
    RunCycles(r, 500, BallAt(3, 3));  // no automatic kick-off in the second half
    EXPECT_TRUE(r.mode == kBeforeKickOff && r.gameTime == 10);
    r.TrainerKickOff(false);
    RunCycles(r, 500, BallAt(3, 3));
    EXPECT_TRUE(r.mode == kGameOver && r.gameTime == 20);
    RunCycles(r, 100, BallAt(11, 0));  // nothing counts any more
    EXPECT_TRUE(r.scoreLeft == 0 && r.gameTime == 20);
}

TEST(HearingTest, DirectionPositiveLeftOneMessagePerTeamWithinFiftyMetres) {
    const std::vector<Utterance> north = {{1, true, {0, 5, 0}, 0, "n"}};      // the listener at 0
    const double headings[][2] = {{0, 90}, {90, 0}, {180, -90}, {-90, 180}};  // behind: +180
    for (const auto& h : headings)
        EXPECT_NEAR(h[1], HearFor(Listener{2, {0, 0, 0}, h[0]}, north)[0].direction, 1e-9) << h[0];
    const std::vector<Utterance> said = {{2, true, {0, 5, 0}, 0, "mine"},
                                         {5, true, {60, 5, 0}, 0, "far"},
                                         {3, true, {2, 5, 0}, 0, "second"},
                                         {4, true, {3, 5, 0}, 0, "third"},
                                         {7, false, {4, 5, 0}, 0, "theirs"}};
    // The speaker hears its own message without using up its team's slot; the one beyond 50 m
    // does not use it either.
    std::string heard;
    for (const HeardMessage& m : HearFor(Listener{2, {0, 5, 0}, 0}, said))
        heard += (m.self ? "*" : "") + m.text + " ";
    EXPECT_EQ("*mine second theirs ", heard);
    heard.clear();
    for (const HeardMessage& m : HearFor(Listener{9, {0, 0, 0}, 0}, said)) heard += m.text + " ";
    EXPECT_EQ("mine theirs ", heard);
}

}  // namespace
