// Perception parser: scanning, dispatch and the non-visual perceptors.

#include "perception/msgparse.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "behavior/naobehavior.h"
#include "body/player.h"
#include "net/mytime.h"
#include "world/data.h"
#include "world/worldmodel.h"

namespace {

// Perceptor names in joint identifier order, written out independently of the body code.
const char* const kJointNames[22] = {"hj1",  "hj2",  "llj1", "rlj1", "llj2", "rlj2", "llj3", "rlj3",
                                     "llj4", "rlj4", "llj5", "rlj5", "llj6", "rlj6", "laj1", "raj1",
                                     "laj2", "raj2", "laj3", "raj3", "laj4", "raj4"};

class MsgParseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MyTime::totalTime = -1;
        DATA::Unum = "1";
        DATA::TeamSide = "uninit";
        NaoBehavior::mState = S_NON;
    }
    void TearDown() override { SetUp(); }

    Player player{"1"};
    WorldModel world;
    MsgParse parser;
};

TEST_F(MsgParseTest, ParseSplitsTopLevelGroupsAndKeepsNestingInside) {
    std::list<std::string> groups = parser.Parse(" x (a 1)(b (c 2) (d))junk()");
    EXPECT_EQ(groups, (std::list<std::string>{"a 1", "b (c 2) (d)", ""}));

    // A stray ")" takes the depth below zero: the next "(" only brings it back to 0, so the
    // group after it is not recognised; the one after that is, once the count is back at 0.
    groups = parser.Parse(") (a) ((b)) (c)");
    EXPECT_EQ(groups, std::list<std::string>{"b"});
    EXPECT_TRUE(parser.Parse("(unclosed (x 1)").empty());
}

TEST_F(MsgParseTest, ValueReadersUsePrefixMatchAndSkipOneCharacter) {
    std::string value = "old";
    EXPECT_TRUE(parser.GetValue("(team left) (t 5)", "t", value));
    EXPECT_EQ(value, "am left");  // "t" matches the "team" group first; one character skipped
    EXPECT_TRUE(parser.GetValue("(pm PlayOn)", "pm", value));
    EXPECT_EQ(value, "PlayOn");
    EXPECT_TRUE(parser.GetValue("(unum)", "unum", value));
    EXPECT_EQ(value, "");
    value = "kept";
    EXPECT_FALSE(parser.GetValue("(te left)", "team", value));
    EXPECT_EQ(value, "kept");

    float number = 7;
    EXPECT_TRUE(parser.GetValue_A("now 12.75", "now", number));
    EXPECT_FLOAT_EQ(number, 12.75f);
    EXPECT_TRUE(parser.GetValue_A("ax -3.5e1junk", "zz", number));  // the name is not compared
    EXPECT_FLOAT_EQ(number, -35.0f);
    EXPECT_TRUE(parser.GetValue_A("ax abc", "ax", number));
    EXPECT_FLOAT_EQ(number, 0.0f);
    EXPECT_TRUE(parser.GetValue_A("ax", "ax", number));
    EXPECT_FLOAT_EQ(number, 0.0f);
}

TEST_F(MsgParseTest, GetFlagReadsThreeNumbersAndTheHeadWord) {
    float a = 0, b = 0, c = 0;
    std::string head;
    EXPECT_TRUE(parser.GetFlag("F1L (pol 2 -3.5 4e1)", "pol", a, b, c, head));
    EXPECT_FLOAT_EQ(a, 2.0f);
    EXPECT_FLOAT_EQ(b, -3.5f);
    EXPECT_FLOAT_EQ(c, 40.0f);
    EXPECT_EQ(head, "F1L");

    // Without inner groups the whole text is the only group.
    EXPECT_TRUE(parser.GetFlag("c 0.01 0.02 -0.01", "c", a, b, c, head));
    EXPECT_FLOAT_EQ(a, 0.01f);
    EXPECT_FLOAT_EQ(b, 0.02f);
    EXPECT_FLOAT_EQ(c, -0.01f);
    EXPECT_EQ(head, "c");

    a = b = c = 9;
    EXPECT_FALSE(parser.GetFlag("B (xyz 1 2 3)", "pol", a, b, c, head));
    EXPECT_EQ(a + b + c, 27.0f);
    // Missing numbers read as zero.
    EXPECT_TRUE(parser.GetFlag("B (pol 4)", "pol", a, b, c, head));
    EXPECT_FLOAT_EQ(a, 4.0f);
    EXPECT_FLOAT_EQ(b, 0.0f);
    EXPECT_FLOAT_EQ(c, 0.0f);
}

TEST_F(MsgParseTest, FullMessageFillsEveryDestination) {
    std::string msg =
        "(time (now 12.34))(GS (unum 7) (team left) (t 3.50) (pm BeforeKickOff))"
        "(ACC (n torso) (a 1 2 3))(GYR (n torso) (rt 50 -100 25))";
    for (int id = 0; id < 22; ++id) {
        msg += "(HJ (n " + std::string(kJointNames[id]) + ") (ax " + std::to_string(id * 1.5 - 10) +
               "))";
    }
    msg +=
        "(FRP (n lf) (c 0.01 0.02 -0.01) (f 1 -2 20))"
        "(FRP (n rf) (c -0.03 0.04 -0.02) (f -0.5 0.5 30))(agentstate (temp 40))";
    parser.PareseMsg(msg, player, world);

    EXPECT_FLOAT_EQ(MyTime::totalTime, 12.34f);
    EXPECT_FLOAT_EQ(world.mTime, 3.5f);
    EXPECT_FLOAT_EQ(world.mTime_5, 3.4f);
    EXPECT_EQ(world.sMatchState, "BeforeKickOff");
    EXPECT_EQ(DATA::Unum, "7");
    EXPECT_EQ(DATA::TeamSide, "left");

    ASSERT_EQ(player.mHingeJointSenseMap.size(), 22u);
    for (int id = 0; id < 22; ++id) {
        const Player::HingeJointSense& sense =
            player.mHingeJointSenseMap[static_cast<Player::JointID>(id)];
        EXPECT_NEAR(sense.angle, id * 1.5 - 10, 1e-5) << kJointNames[id];
        EXPECT_EQ(sense.rate, 0.0f);
    }

    EXPECT_FLOAT_EQ(player.GYRAngle.x, 1.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.y, -2.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.z, 0.5f);
    EXPECT_FLOAT_EQ(parser.myGYRCount.y, -2.0f);

    EXPECT_FLOAT_EQ(player.LeftFRP.c.y, 0.02f);
    EXPECT_FLOAT_EQ(player.LeftFRP.f.x, 1.0f);
    EXPECT_FLOAT_EQ(player.LeftFRP.f.z, 20.0f);
    EXPECT_FLOAT_EQ(player.LeftFRP.time, 12.34f);  // the time perceptor came first
    EXPECT_FLOAT_EQ(player.RightFRP.c.x, -0.03f);
    EXPECT_FLOAT_EQ(player.RightFRP.c.z, -0.02f);
    EXPECT_FLOAT_EQ(player.RightFRP.f.y, 0.5f);
    EXPECT_FLOAT_EQ(player.RightFRP.time, 12.34f);
}

TEST_F(MsgParseTest, UnumAndTeamAreReadOnlyBeforeKickOff) {
    const std::string gs = "(GS (unum 3) (team right) (t 0.00) (pm BeforeKickOff))";
    parser.PareseMsg(gs, player, world);
    EXPECT_EQ(DATA::Unum, "3");
    EXPECT_EQ(DATA::TeamSide, "right");
    EXPECT_FLOAT_EQ(world.mTime, 0.0f);
    EXPECT_FLOAT_EQ(world.mTime_5, -0.1f);

    // The gate looks at the play mode as it stood before the group: a group that switches
    // back to BeforeKickOff does not count.
    world.sMatchState = "PlayOn";
    parser.PareseMsg("(GS (unum 9) (team left) (t 61.2) (pm BeforeKickOff))", player, world);
    EXPECT_EQ(DATA::Unum, "3");
    EXPECT_EQ(DATA::TeamSide, "right");
    EXPECT_EQ(world.sMatchState, "BeforeKickOff");
    EXPECT_FLOAT_EQ(world.mTime, 61.2f);
}

TEST_F(MsgParseTest, TeamGroupIsAlsoReadAsTime) {
    parser.PareseMsg("(GS (t 7.5) (team right) (pm PlayOn))", player, world);
    EXPECT_FLOAT_EQ(world.mTime, 0.0f);
    EXPECT_FLOAT_EQ(world.mTime_5, -0.1f);
    EXPECT_EQ(world.sMatchState, "PlayOn");
}

TEST_F(MsgParseTest, UnknownJointSkipsTheRestOfItsGroupOnly) {
    testing::internal::CaptureStderr();
    parser.PareseMsg("(HJ (n xyz) (ax 5) (n hj2) (ax 9))(HJ (ax 4) (n hj1))(HJ (n raj4) (ax 7))",
                     player, world);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "(NaoBehavior) unknown joint id!\n");
    ASSERT_EQ(player.mHingeJointSenseMap.size(), 1u);  // ax before the name is ignored too
    EXPECT_FLOAT_EQ(player.mHingeJointSenseMap[Player::JID_RARM_4].angle, 7.0f);
}

TEST_F(MsgParseTest, GyroRatesBecomeDegreesPerCycleAndAccumulate) {
    parser.PareseMsg("(GYR (n torso) (rt 50 -100 0))", player, world);
    EXPECT_FLOAT_EQ(player.GYRAngle.x, 1.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.y, -2.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.z, 0.0f);
    parser.PareseMsg("(GYR (n torso) (rt 50 -100 0))(GYR (n torso))", player, world);
    EXPECT_FLOAT_EQ(parser.myGYRCount.x, 2.0f);
    EXPECT_FLOAT_EQ(parser.myGYRCount.y, -4.0f);
    EXPECT_FLOAT_EQ(parser.myGYRCount.z, 0.0f);

    // 4500 deg/s about z is a quarter turn in one cycle: the torso x axis then points along +y.
    MsgParse fresh;
    Player turning("1");
    fresh.PareseMsg("(GYR (n torso) (rt 0 0 4500))", turning, world);
    EXPECT_NEAR(turning.RGYRMatrix_Torse[1][0], 1.0f, 1e-5);
    EXPECT_NEAR(turning.RMatrix_Torse[0][0], 0.0f, 1e-5);
}

TEST_F(MsgParseTest, FootPressureReplacesOnlyTheNamedFoot) {
    player.LeftFRP.c = FlagLocation(0.5f, 0.5f, 0.5f);
    player.LeftFRP.time = 1.0f;
    MyTime::totalTime = 4.2f;
    parser.PareseMsg("(FRP (n rf) (c 0.01 0.02 -0.01) (f 0 0 22.5))", player, world);
    EXPECT_FLOAT_EQ(player.RightFRP.c.x, 0.01f);
    EXPECT_FLOAT_EQ(player.RightFRP.c.y, 0.02f);
    EXPECT_FLOAT_EQ(player.RightFRP.c.z, -0.01f);
    EXPECT_FLOAT_EQ(player.RightFRP.f.z, 22.5f);
    EXPECT_FLOAT_EQ(player.RightFRP.time, 4.2f);
    EXPECT_FLOAT_EQ(player.LeftFRP.c.x, 0.5f);
    EXPECT_FLOAT_EQ(player.LeftFRP.time, 1.0f);

    // A record without its foot name counts as the left foot; the whole record is replaced.
    parser.PareseMsg("(FRP (f 1 2 3))", player, world);
    EXPECT_FLOAT_EQ(player.LeftFRP.c.x, 0.0f);
    EXPECT_FLOAT_EQ(player.LeftFRP.f.y, 2.0f);
    EXPECT_FLOAT_EQ(player.LeftFRP.time, 0.0f);
}

TEST_F(MsgParseTest, MissingAndMalformedValuesKeepStaleOrGiveZero) {
    MyTime::totalTime = 3.0f;
    parser.PareseMsg("(time (later 5))(time)", player, world);
    EXPECT_FLOAT_EQ(MyTime::totalTime, 3.0f);
    parser.PareseMsg("(time (now abc))", player, world);
    EXPECT_FLOAT_EQ(MyTime::totalTime, 0.0f);
    // Text that atof would turn into NaN, infinity or a magnitude beyond 1e6 counts as
    // unparsable.
    parser.PareseMsg("(time (now nan))(GYR (rt 1e6 -1e6 1))", player, world);
    EXPECT_FLOAT_EQ(MyTime::totalTime, 0.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.x, 20000.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.y, -20000.0f);
    parser.PareseMsg("(GYR (rt inf 1e999 -1.000001e6))", player, world);
    EXPECT_FLOAT_EQ(player.GYRAngle.x, 0.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.y, 0.0f);
    EXPECT_FLOAT_EQ(player.GYRAngle.z, 0.0f);
    parser.PareseMsg("", player, world);
    EXPECT_FLOAT_EQ(MyTime::totalTime, 0.0f);
}

TEST_F(MsgParseTest, HostileInputIsReadWithoutFaults) {
    std::vector<std::string> inputs = {
        "(",
        ")",
        "((((",
        "))))(",
        "()",
        "(G)",
        "(H)",
        "(S)",
        "(h)",
        "(t)",
        "(F)",
        "(See (",
        "(See ((((P)))))",
        "(See (P (h) (l) (r) (id) (team)))",
        "(See (F1L (pol",
        "(See (B (pol 1 2",
        "(HJ (n",
        "(HJ (a",
        "(GS (pm",
        "(GS (unum",
        "(hear k4q",
        "(hear ..k4q",
        "(hear ..k4q5",
        "(hear ..k4q5y",
        "(hear ..k4q5-1y",
        std::string("(time (now 1\0 2))(GYR (rt 1 2 3))", 33),
        "(time (now " + std::string(5000, '9') + "))",
        "(time (now 0." + std::string(5000, '0') + "1))",
        "(See (F1L (pol " + std::string(3000, '1') + " 1 1)))",
    };
    std::string garbage;
    unsigned state = 12345;
    for (int i = 0; i < 16380; ++i) {
        state = state * 1103515245u + 12345u;
        const char alphabet[] = "()( )ntGSYHFhPBLpolk4q01.-e\0yafcrid";
        garbage += alphabet[(state >> 16) % (sizeof(alphabet) - 1)];
    }
    inputs.push_back(garbage);
    NaoBehavior::mState = S_HeadRotate;
    for (const std::string& input : inputs) parser.PareseMsg(input, player, world);

    // The parser keeps working afterwards.
    parser.PareseMsg("(time (now 8.5))(HJ (n hj1) (ax 12))", player, world);
    EXPECT_FLOAT_EQ(MyTime::totalTime, 8.5f);
    EXPECT_FLOAT_EQ(player.mHingeJointSenseMap[Player::JID_HEAD_1].angle, 12.0f);
}

TEST(GlobalGetIntFromStringTest, ReadsTheLeadingIntegerLikeAStream) {
    EXPECT_EQ(GlobalGetIntFromString(" 12ab"), 12);
    EXPECT_EQ(GlobalGetIntFromString("-7"), -7);
    EXPECT_EQ(GlobalGetIntFromString("+3.9"), 3);
    EXPECT_EQ(GlobalGetIntFromString("x1"), 0);
    EXPECT_EQ(GlobalGetIntFromString(""), 0);
    EXPECT_EQ(GlobalGetIntFromString("99999999999"), 0);
}

}  // namespace
