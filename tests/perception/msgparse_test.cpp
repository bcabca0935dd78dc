// Perception parser: groups, the non-visual perceptors, vision, hearing and hostile input.

#include "perception/msgparse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "behavior/naobehavior.h"
#include "net/mytime.h"
#include "world/data.h"

namespace {

// Perceptor names in joint identifier order, written out independently of the body code.
const std::string kJointNames[22] = {"hj1",  "hj2",  "llj1", "rlj1", "llj2", "rlj2", "llj3", "rlj3",
                                     "llj4", "rlj4", "llj5", "rlj5", "llj6", "rlj6", "laj1", "raj1",
                                     "laj2", "raj2", "laj3", "raj3", "laj4", "raj4"};

void ExpectFlag(const FlagLocation& f, double x, double y, double z, double tol = 1e-5) {
    EXPECT_NEAR(x, f.x, tol);
    EXPECT_NEAR(y, f.y, tol);
    EXPECT_NEAR(z, f.z, tol);
}

class MsgParseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MyTime::totalTime = 20.0f;
        DATA::Unum = "1";
        DATA::TeamSide = "uninit";
        NaoBehavior::mState = S_NON;
    }
    void Read(const std::string& msg) { parser.PareseMsg(msg, player, world); }

    Player player{"1"};
    WorldModel world;
    MsgParse parser;
};

TEST(MsgParseText, GroupsPolarConversionAndNumbers) {
    MsgParse parser;
    // A stray ")" takes the depth below zero for good: each "(" starts a group one level later.
    EXPECT_EQ(std::list<std::string>{"b"}, parser.Parse(") (a) ((b)) (c)"));

    ExpectFlag(Pol2RAngle(FlagLocation(3, 0, 90)), 0, 0, 3);
    ExpectFlag(Pol2RAngle(FlagLocation(4, 30, -20)), 3.25519, 1.87939, -1.36808, 1e-4);

    EXPECT_DOUBLE_EQ(179, GetNormalizedAngle(-181));
    EXPECT_NEAR(-70, GetNormalizedAngle(1e9 + 10), 1e-6);

    EXPECT_EQ(12, GlobalGetIntFromString(" 12ab"));
    EXPECT_EQ(0, GlobalGetIntFromString("99999999999"));
}

TEST_F(MsgParseTest, FullMessageFillsEveryDestinationAndAFootRecordOnlyItsFoot) {
    std::string msg =
        "(time (now 12.34))(GS (unum 7) (team left) (t 3.50) (pm BeforeKickOff))"
        "(ACC (n torso) (a 1 2 3))(GYR (n torso) (rt 50 -100 25))(agentstate (temp 40))"
        "(FRP (n lf) (c 0.01 0.02 -0.01) (f 1 -2 20))(FRP (n rf) (c -0.03 0.04 -0.02) (f -1 1 30))";
    for (int id = 0; id < 22; ++id)
        msg += "(HJ (n " + kJointNames[id] + ") (ax " + std::to_string(id - 10.5) + "))";
    Read(msg);
    EXPECT_FLOAT_EQ(12.34f, MyTime::totalTime);
    EXPECT_FLOAT_EQ(3.4f, world.mTime_5);  // 0.1 s before the game time
    for (int id = 0; id < 22; ++id) {
        const float angle = player.mHingeJointSenseMap[static_cast<Player::JointID>(id)].angle;
        EXPECT_NEAR(id - 10.5, angle, 1e-5) << kJointNames[id];
    }
    ExpectFlag(player.GYRAngle, 1, -2, 0.5);  // degrees per 20 ms cycle
    ExpectFlag(player.RightFRP.f, -1, 1, 30);
    EXPECT_FLOAT_EQ(12.34f, player.RightFRP.time);  // the time perceptor came first
    Read("(FRP (n rf) (f 0 0 22.5))");              // replaces the named foot only
    ExpectFlag(player.RightFRP.f, 0, 0, 22.5);
    ExpectFlag(player.LeftFRP.c, 0.01, 0.02, -0.01);
}

TEST_F(MsgParseTest, UnumAndTeamAreReadOnlyBeforeKickOff) {
    Read("(GS (unum 3) (team right) (t 0.00) (pm BeforeKickOff))");
    EXPECT_EQ("3", DATA::Unum);
    EXPECT_EQ("right", DATA::TeamSide);
    EXPECT_FLOAT_EQ(-0.1f, world.mTime_5);
    // The gate looks at the mode before the group: switching back to BeforeKickOff is too late.
    world.sMatchState = "PlayOn";
    Read("(GS (unum 9) (team left) (t 61.2) (pm BeforeKickOff))");
    EXPECT_EQ("3", DATA::Unum);
    EXPECT_EQ("right", DATA::TeamSide);
    EXPECT_FLOAT_EQ(61.2f, world.mTime);
}

TEST_F(MsgParseTest, UnknownJointSkipsTheRestOfItsGroupOnly) {
    testing::internal::CaptureStderr();
    Read("(HJ (n xyz) (ax 5) (n hj2) (ax 9))(HJ (ax 4) (n hj1))(HJ (n raj4) (ax 7))");
    EXPECT_EQ("(NaoBehavior) unknown joint id!\n", testing::internal::GetCapturedStderr());
    ASSERT_EQ(1u, player.mHingeJointSenseMap.size());  // ax before the name is ignored too
    EXPECT_FLOAT_EQ(7.0f, player.mHingeJointSenseMap[Player::JID_RARM_4].angle);
}

TEST_F(MsgParseTest, MissingValuesStayStaleAndUnparsableNumbersReadAsZero) {
    Read("(time (later 5))(time)");
    EXPECT_FLOAT_EQ(20.0f, MyTime::totalTime);
    // NaN, infinity and magnitudes beyond 1e6 count as unparsable.
    Read("(time (now nan))(GYR (rt 1e6 -1e6 1))");
    EXPECT_FLOAT_EQ(0.0f, MyTime::totalTime);
    ExpectFlag(player.GYRAngle, 20000, -20000, 0.02);
    Read("(GYR (rt inf 1e999 -1.000001e6))");
    ExpectFlag(player.GYRAngle, 0, 0, 0);
}

TEST_F(MsgParseTest, HostileInputIsReadWithoutFaults) {
    // clang-format off
    std::vector<std::string> inputs = {"(", "))))(", "(G)", "(S)", "(h)", "(See ((((P)))))",
        "(See (P (h) (id) (team)))", "(See (B (pol 1 2", "(HJ (n", "(GS (unum", "(hear ..k4q5-1y"};
    // clang-format on
    inputs.push_back(std::string("(time (now 1\0 2))(GYR (rt 1 2 3))", 33));
    inputs.push_back("(time (now 0." + std::string(5000, '0') + "1))");
    std::string garbage;
    std::minstd_rand random(12345);
    const char alphabet[] = "()( )ntGSYHFhPBLpolk4q01.-e\0yafcrid";
    for (int i = 0; i < 16380; ++i) garbage += alphabet[random() % (sizeof(alphabet) - 1)];
    inputs.push_back(garbage);
    NaoBehavior::mState = S_HeadRotate;
    for (const std::string& input : inputs) Read(input);
    Read("(time (now 8.5))(HJ (n hj1) (ax 12))");  // and keeps working
    EXPECT_FLOAT_EQ(8.5f, MyTime::totalTime);
    EXPECT_FLOAT_EQ(12.0f, player.mHingeJointSenseMap[Player::JID_HEAD_1].angle);
}

TEST_F(MsgParseTest, LandmarksNearestFirstOfEqualsAndBallOnlyVisionClearsThem) {
    Read("(See (F1L (pol 2 90 0)) (L (pol 1 2 3) (pol 4 5 6)))");
    ASSERT_EQ(1u, world.mFlagMap.size());  // lines are not stored
    ExpectFlag(world.mFlagMap["F1L"].c, 0, 2, 0);
    Read("(See (G1L (pol 4 10 0)) (F1L (pol 3 0 0)) (F2L (pol 3 5 0)) (G2R (pol 3.5 0 0)))");
    EXPECT_EQ("F1L", player.minDistanceName);
    Read("(See (F2R (pol 9 0 0)) (G2L (pol 8.99 0 0)))");
    EXPECT_EQ("G2L", player.minDistanceName);
    EXPECT_EQ(2u, world.mFlagMap.size());  // the earlier landmarks are gone
    MyTime::totalTime = 20.5f;
    Read("(HJ (n hj1) (ax 20))(HJ (n hj2) (ax -10))(See (B (pol 1 -30 0)))");
    EXPECT_TRUE(world.mFlagMap.empty());
    ExpectFlag(world.ballLocatoin.ballLocatoinToHead, std::sqrt(3.0) / 2, -0.5, 0);
    EXPECT_FLOAT_EQ(20.5f, world.ballLocatoin.time);
    EXPECT_FLOAT_EQ(20.0f, world.ballLocatoin.angleHead1);
    EXPECT_FLOAT_EQ(-30.0f, Player::sphereAngleBallToHead1);
}

TEST_F(MsgParseTest, HeadSweepSightingsAreRecordedOnlyWhileSweeping) {
    Read("(HJ (n hj1) (ax 45))(HJ (n hj2) (ax -5))(See (F1R (pol 5 0 0)))");
    EXPECT_TRUE(world.mFFlagMap.empty());
    NaoBehavior::mState = S_HeadRotate;
    Read("(See (F1R (pol 5 0 0)) (B (pol 1 0 0)))");
    ASSERT_EQ(1u, world.mFFlagMap.size());  // the ball is not a landmark
    ExpectFlag(world.mFFlagMap["F1R"].c, 5, 0, 0);
    EXPECT_FLOAT_EQ(45.0f, world.mFFlagMap["F1R"].angleHead1);
    // While the gyro turns 0.01 degrees or more the place is kept; negative rates pass (signed).
    NaoBehavior::mState = S_GYRRotateHead;
    player.GYRAngle = FlagLocation(0, 0.02f, 0);
    Read("(See (F1R (pol 6 90 0)))");
    ExpectFlag(world.mFFlagMap["F1R"].c, 5, 0, 0);
    player.GYRAngle = FlagLocation(-3, -1, -0.5f);
    Read("(See (F1R (pol 6 90 0)))");
    ExpectFlag(world.mFFlagMap["F1R"].c, 0, 6, 0);
}

TEST_F(MsgParseTest, HearingTakesATeamMatesPositionBehindAValidKey) {
    Read("(hear 12.30 -30.5 k4q3-1.5y2)");
    ExpectFlag(world.mFriendPlayHeadMap["3"].head, -1.5, 2, 0);
    DATA::Unum = "3";
    Read("(hear 13.00 self k4q30y0)");
    EXPECT_FLOAT_EQ(-1.5f, world.mFriendPlayHeadMap["3"].head.x);  // own message ignored
    // No key, sender 0 or not a digit, no y, the key at position 0 or 1 of the group or at 200.
    const std::string pad199 = "(hear " + std::string(194, 'x');
    Read("(hear 1.0 10 x4q2-1y1)(hear 1.0 10 k4q0-1y1)(hear 1.0 10 k4qa-1y1)(hear 1.0 10 k4q5-1)");
    Read("(k4q6-1y1)(hk4q7-1y1)" + pad199 + "xk4q5-2y3)");
    EXPECT_EQ(1u, world.mFriendPlayHeadMap.size());
    Read("(hek4q8-1y1)" + pad199 + "k4q4-2y3)");  // positions 2 and 199 are allowed
    EXPECT_EQ(1u, world.mFriendPlayHeadMap.count("8"));
    EXPECT_EQ(1u, world.mFriendPlayHeadMap.count("4"));
}

}  // namespace
