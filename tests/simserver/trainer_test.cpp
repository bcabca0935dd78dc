// Trainer commands and the state reply.

#include "sim/server/trainer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TrainerCommand One(const std::string& text) {
    std::vector<TrainerCommand> c = ParseTrainerCommands(text);
    EXPECT_EQ(1u, c.size()) << text;
    return c.empty() ? TrainerCommand() : c[0];
}

TEST(TrainerTest, EveryCommandOfTheDesign) {
    TrainerCommand k = One("(kickOff Right)");
    EXPECT_EQ(TrainerCommand::kKickOff, k.kind);
    EXPECT_FALSE(k.left);

    TrainerCommand m = One("(playMode goal_kick_left)");
    EXPECT_EQ(TrainerCommand::kPlayMode, m.kind);
    EXPECT_EQ(kGoalKickLeft, m.mode);

    TrainerCommand b = One("(ball (pos 1 -2 0.042) (vel 2 0 0.5))");
    EXPECT_EQ(TrainerCommand::kBall, b.kind);
    EXPECT_DOUBLE_EQ(-2, b.pos[1]);
    EXPECT_TRUE(b.hasVel);
    EXPECT_DOUBLE_EQ(0.5, b.vel[2]);
    EXPECT_FALSE(One("(ball (pos 1 0 0.042))").hasVel);

    TrainerCommand a = One("(agent (team Right) (unum 4) (pos -3 1 0.12) (rot 45) (tilt -90))");
    EXPECT_EQ(TrainerCommand::kAgent, a.kind);
    EXPECT_FALSE(a.left);
    EXPECT_EQ(4, a.unum);
    EXPECT_DOUBLE_EQ(-3, a.pos[0]);
    EXPECT_DOUBLE_EQ(45, a.rot);
    EXPECT_DOUBLE_EQ(-90, a.tilt);
    EXPECT_DOUBLE_EQ(0, One("(agent (team Left) (unum 1) (pos 0 0 0.4) (rot 0))").tilt);

    EXPECT_EQ(TrainerCommand::kGetState, One("(getState)").kind);
    EXPECT_EQ(TrainerCommand::kKillSim, One("(killsim)").kind);
}

TEST(TrainerTest, AnythingElseGetsAnError) {
    for (const char* text : {"(kickOff left)", "(playMode Playon)", "(ball (pos 1 0))",
                             "(ball (pos 1 0 nan))", "(agent (team Left) (unum 1) (pos 0 0 0.4))",
                             "(agent (team Up) (unum 1) (pos 0 0 0) (rot 0))",
                             "(agent (team Left) (unum 1.5) (pos 0 0 0) (rot 0))", "(getState now)",
                             "(dance)", "getState", "", "(kickOff Left"}) {
        std::vector<TrainerCommand> c = ParseTrainerCommands(text);
        ASSERT_EQ(1u, c.size()) << text;
        EXPECT_EQ(TrainerCommand::kInvalid, c[0].kind) << text;
        EXPECT_FALSE(c[0].error.empty());
    }
    std::vector<TrainerCommand> two = ParseTrainerCommands("(getState)(dance)");
    ASSERT_EQ(2u, two.size());
    EXPECT_EQ(TrainerCommand::kGetState, two[0].kind);
    EXPECT_EQ("unknown command", two[1].error);
}

TEST(TrainerTest, StateReplyOnOneLine) {
    WorldTruth t;
    t.time = 12.34;
    t.gameTime = 2.1;
    t.mode = kPlayOn;
    t.scoreRight = 1;
    t.ballPos[0] = 1;
    t.ballPos[2] = 0.042;
    t.ballVel[0] = -0.5;
    RobotTruth r;
    r.unum = 1;
    r.pos[0] = -3;
    r.pos[2] = 0.38;
    r.heading = 180;
    r.upz = 0.99;
    t.robots.push_back(r);
    r.left = false;
    r.unum = 2;
    r.fallen = true;
    t.robots.push_back(r);
    EXPECT_EQ(
        "(state (time 12.34) (gameTime 2.10) (playMode PlayOn) (score 0 1) "
        "(ball (pos 1.0000 0.0000 0.0420) (vel -0.5000 0.0000 0.0000)) "
        "(robot (team Left) (unum 1) (pos -3.0000 0.0000 0.3800) (heading 180.00) (upz 0.9900) "
        "(fallen 0)) "
        "(robot (team Right) (unum 2) (pos -3.0000 0.0000 0.3800) (heading 180.00) (upz 0.9900) "
        "(fallen 1)))",
        WriteState(t));
}

}  // namespace
