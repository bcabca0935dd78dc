// Joint command encoder: velocity law, command layout, relative encoding with the one-cycle lag
// compensation and the hold marker, and the remaining-cycles estimate.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "command_text.h"
#include "motion/naoaction.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

class EncoderTest : public ::testing::Test {
  protected:
    void SetUp() override { EndAnyKeyframe(); }

    // Absolute targets in the keyframe convention, all held except the ones set in `pose`.
    std::string Encode(const NaoAction::KeyframePose& pose, double priod) {
        return action.RelativeTranslateAngleToMsg(pose, priod);
    }

    NaoAction action;
};

TEST_F(EncoderTest, ConstructionStartsEveryMotionAtItsFirstPhaseAtRest) {
    EXPECT_EQ(action.mStandUpFaceSkyOriginCircle, 50);
    EXPECT_EQ(action.mStandUpFaceFloorOriginCircle, 20);
    EXPECT_EQ(action.mWalkState, NaoAction::S_UpRightFoot);
    EXPECT_EQ(action.mQawTOVK, 0);
    EXPECT_EQ(NaoAction::S_QawTOVK0, 199);
    EXPECT_EQ(NaoAction::S_QawTOVK200, 200);
    EXPECT_EQ(action.mCounter, 0);
    EXPECT_EQ(action.mPauseCounter, 0);
    for (float increment : action.tempAngleChange) EXPECT_EQ(increment, 0.0f);
}

TEST_F(EncoderTest, VelocityLawUsesTheCutPiAndThreeDecimalsRoundedAwayFromZero) {
    EXPECT_DOUBLE_EQ(action.TranslateAngleToArc(1), 0.873);
    // 6.53 degrees per cycle lies below the half with pi cut at 3.1415926, above it with full pi.
    EXPECT_DOUBLE_EQ(action.TranslateAngleToArc(6.53), 5.698);
    // Exact halves in double arithmetic: away from zero, on both sides.
    EXPECT_DOUBLE_EQ(action.TranslateAngleToArc(-9000), -7853.982);
    EXPECT_DOUBLE_EQ(action.TranslateAngleToArc(0.0028647890245221486), 0.003);
    EXPECT_DOUBLE_EQ(action.TranslateAngleToArc(-0.0005729578049044297), -0.001);
    const double tiny = action.TranslateAngleToArc(-0.0004);
    EXPECT_EQ(tiny, 0.0);
    EXPECT_TRUE(std::signbit(tiny));
}

TEST_F(EncoderTest, CommandHasTheTwentyTwoGroupsInEffectorOrder) {
    const std::string stop = action.TranslateAngleToMsg(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                        0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(stop,
              "(he1 0)(he2 0)(lae1 0)(rae1 0)(lae2 0)(rae2 0)(lae3 0)(rae3 0)(lae4 0)(rae4 0)"
              "(lle1 0)(rle1 0)(lle2 0)(rle2 0)(lle3 0)(rle3 0)(lle4 0)(rle4 0)(lle5 0)(rle5 0)"
              "(lle6 0)(rle6 0)");
    // Argument i drives group i, with no sign change and no head swap.
    const auto v = Velocities(action.TranslateAngleToMsg(1, 0, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                         0, 0, 0, 0, 0, 0, 0, 1.5 / 0.8726646111));
    EXPECT_EQ(v.at("he1"), "0.873");
    EXPECT_EQ(v.at("he2"), "0");
    EXPECT_EQ(v.at("lae1"), "-0.873");
    EXPECT_EQ(v.at("rle6"), "1.5");
}

TEST_F(EncoderTest, VelocityTextIsTheStreamDefaultFormatting) {
    const double increments[] = {-0.0004, 0.0004, 1, -1, 30, 1e6, -1e6, 123.456, -0.01, 0.1};
    for (double increment : increments) {
        std::ostringstream expected;
        expected << action.TranslateAngleToArc(increment);
        const auto groups = Groups(action.TranslateAngleToMsg(increment, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                              0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
        ASSERT_EQ(groups.size(), 22u);
        EXPECT_EQ(groups[0].second, expected.str()) << increment;
    }
    const auto v = Velocities(action.TranslateAngleToMsg(-0.0004, 1e6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(v.at("he1"), "-0");
    EXPECT_EQ(v.at("he2"), "872665");  // six significant digits
}

TEST_F(EncoderTest, KeyframeFormSwapsTheHeadAndAppliesTheSignColumn) {
    const auto v = Velocities(action.TranslateAngleToMsg_A(1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                           1, 1, 1, 1, 1, 1, 1, 1));
    EXPECT_EQ(v.at("he1"), "0");
    EXPECT_EQ(v.at("he2"), "0.873");
    for (const char* negated : {"lae1", "rae1", "lle3", "rle3", "lle4", "rle4", "lle5", "rle5"}) {
        EXPECT_EQ(v.at(negated), "-0.873") << negated;
    }
    for (const char* kept : {"lae2", "rae2", "lae3", "rae3", "lae4", "rae4", "lle1", "rle1", "lle2",
                             "rle2", "lle6", "rle6"}) {
        EXPECT_EQ(v.at(kept), "0.873") << kept;
    }
}

TEST_F(EncoderTest, SecondStageSpreadsDeltasOverThePeriodAndRemembersTheIncrements) {
    // Arguments are already in effector order and joint sign: no swap, no negation.
    const std::string text = action.TranslateAngleToMsg_A(0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                          0, 0, 0, 0, 0, 0, 0, -3, 2.0);
    const auto v = Velocities(text);
    EXPECT_EQ(v.at("lae1"), "0.873");
    EXPECT_EQ(v.at("rle6"), "-1.309");
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LARM_1], 1.0f);
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RLEG_6], -1.5f);
    EXPECT_EQ(action.temp_change, text);
}

TEST_F(EncoderTest, HeadPitchTargetMovesOnlyHe2) {
    NaoAction::KeyframePose pose{};
    pose[0] = 30;  // head1
    const auto v = Velocities(Encode(pose, 1));
    EXPECT_EQ(v.at("he2"), "26.18");
    EXPECT_EQ(v.at("he1"), "0");
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_HEAD_2], 30.0f);
    EXPECT_EQ(action.tempAngleChange[Player::JID_HEAD_1], 0.0f);
}

TEST_F(EncoderTest, KneeTargetIsNegatedAndSpreadOverThePeriod) {
    NaoAction::KeyframePose pose{};
    pose[16] = 77;  // legl4
    EXPECT_EQ(Velocities(Encode(pose, 1)).at("lle4"), "-67.195");
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -77.0f);

    action.SetTempAngleChangleInit();
    EXPECT_EQ(Velocities(Encode(pose, 20)).at("lle4"), "-3.36");
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -3.85f);
    EXPECT_EQ(action.tempAngleChange[Player::JID_RLEG_4], 0.0f);
}

TEST_F(EncoderTest, IncrementUnderWayIsCountedAsDone) {
    NaoAction::KeyframePose pose{};
    pose[16] = 77;  // legl4: the knee at -77 as reported
    SetSensed(action, Player::JID_LLEG_4, -77);
    action.tempAngleChange[Player::JID_LLEG_4] = 2;
    EXPECT_EQ(Velocities(Encode(pose, 1)).at("lle4"), "-1.745");
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -2.0f);

    action.tempAngleChange[Player::JID_LLEG_4] = 2;
    EXPECT_EQ(Velocities(Encode(pose, 20)).at("lle4"), "-0.087");
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -0.1f);
}

TEST_F(EncoderTest, ExactZeroHoldsAMovingJointInsteadOfDrivingItToZero) {
    SetSensed(action, Player::JID_RARM_2, 10);
    action.tempAngleChange[Player::JID_RARM_2] = 2;
    SetSensed(action, Player::JID_HEAD_1, -40);
    action.tempAngleChange[Player::JID_HEAD_1] = -3;
    NaoAction::KeyframePose pose{};
    pose[5] = -0.0;   // armr2: either sign of zero holds
    pose[9] = 0.001;  // armr4: a tiny value is a real target
    const auto v = Velocities(Encode(pose, 4));
    EXPECT_EQ(v.at("rae2"), "0");
    EXPECT_EQ(v.at("he1"), "0");
    EXPECT_EQ(action.tempAngleChange[Player::JID_RARM_2], 0.0f);
    EXPECT_EQ(action.tempAngleChange[Player::JID_HEAD_1], 0.0f);
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RARM_4], 0.00025f);
}

TEST_F(EncoderTest, AllZeroTargetsStopEveryJoint) {
    const float sensed[] = {12.3f, -45.6f, 77.7f, -0.2f, 101.1f, -88.8f, 3.3f};
    for (int jid = 0; jid < 22; ++jid) {
        SetSensed(action, static_cast<Player::JointID>(jid), sensed[jid % 7]);
        action.tempAngleChange[jid] = 0.37f * (jid % 5) - 0.5f;
    }
    for (double priod : {1.0, 7.0}) {
        const auto groups = Groups(Encode(NaoAction::KeyframePose{}, priod));
        ASSERT_EQ(groups.size(), 22u);
        for (const auto& group : groups) {
            EXPECT_TRUE(group.second == "0" || group.second == "-0") << group.first;
        }
        for (float increment : action.tempAngleChange) EXPECT_NEAR(increment, 0.0f, 1e-5f);
    }
}

TEST_F(EncoderTest, NonFiniteTargetsAndPeriodsHoldTheJointInsteadOfReachingTheWire) {
    action.tempAngleChange[Player::JID_LLEG_4] = 2;
    action.tempAngleChange[Player::JID_RLEG_4] = 2;
    NaoAction::KeyframePose pose{};
    pose[16] = kNaN;   // legl4
    pose[17] = -kInf;  // legr4
    pose[14] = 30;     // legl3 stays a normal target
    std::string text = Encode(pose, 1);
    auto v = Velocities(text);
    EXPECT_EQ(v.at("lle4"), "0");
    EXPECT_EQ(v.at("rle4"), "0");
    EXPECT_EQ(v.at("lle3"), "-26.18");
    EXPECT_EQ(action.tempAngleChange[Player::JID_LLEG_4], 0.0f);
    EXPECT_EQ(action.tempAngleChange[Player::JID_RLEG_4], 0.0f);

    // A non-finite sensed angle under a hold, and a zero-length keyframe.
    SetSensed(action, Player::JID_HEAD_2, static_cast<float>(kNaN));
    text = Encode(pose, 0);
    EXPECT_EQ(text.find("nan"), std::string::npos);
    EXPECT_EQ(text.find("inf"), std::string::npos);
    for (const auto& group : Groups(text)) EXPECT_EQ(group.second, "0") << group.first;
    for (float increment : action.tempAngleChange) EXPECT_EQ(increment, 0.0f);

    text = action.TranslateAngleToMsg(kNaN, kInf, -kInf, 1e308, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0, 0, 0, 0);
    v = Velocities(text);
    EXPECT_EQ(v.at("he1"), "0");
    EXPECT_EQ(v.at("he2"), "0");
    EXPECT_EQ(v.at("lae1"), "0");
    EXPECT_EQ(v.at("rae1"), "0");
}

TEST_F(EncoderTest, SensedAnglesComeFromTheLatestPlayerInfo) {
    Player player;
    player.mHingeJointSenseMap[Player::JID_LLEG_4].angle = -40;
    action.SetPlayerInfo(player, WorldModel());
    NaoAction::KeyframePose pose{};
    pose[16] = 77;  // legl4: still 37 degrees to go
    EXPECT_EQ(Velocities(Encode(pose, 1)).at("lle4"), "-32.289");

    NaoAction withPlayer(player);
    EXPECT_EQ(Velocities(withPlayer.RelativeTranslateAngleToMsg(pose, 1)).at("lle4"), "-32.289");
}

TEST_F(EncoderTest, ResetClearsTheRememberedIncrements) {
    NaoAction::KeyframePose pose{};
    pose[2] = 120;  // arml1
    Encode(pose, 2);
    ASSERT_FLOAT_EQ(action.tempAngleChange[Player::JID_LARM_1], -60.0f);
    action.SetTempAngleChangleInit();
    for (float increment : action.tempAngleChange) EXPECT_EQ(increment, 0.0f);
}

TEST_F(EncoderTest, RemainingCyclesAtTheCurrentIncrement) {
    SetSensed(action, Player::JID_LARM_1, -90);
    action.tempAngleChange[Player::JID_LARM_1] = -10;
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), 1);  // 3 cycles, minus 2
    action.tempAngleChange[Player::JID_LARM_1] = -12;                   // 2.5 rounds to 3
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), 1);
    action.tempAngleChange[Player::JID_LARM_1] = 10;  // moving away: negative
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), -5);
    action.tempAngleChange[Player::JID_LARM_1] = -100;  // 0.3 rounds to 0
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), -2);
}

TEST_F(EncoderTest, RemainingCyclesStayDefinedForAJointAtRestAndBadInputs) {
    SetSensed(action, Player::JID_LARM_1, -90);
    action.tempAngleChange[Player::JID_LARM_1] = 0;
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), 0);
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -90), 0);
    action.tempAngleChange[Player::JID_LARM_1] = 1e-45f;  // the quotient overflows to infinity
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), 0);
    action.tempAngleChange[Player::JID_LARM_1] = 1e-30f;  // finite, beyond any int
    EXPECT_EQ(action.JudgeNonWaitCircle(Player::JID_LARM_1, -120), std::numeric_limits<int>::min());
    EXPECT_EQ(action.JudgeNonWaitCircle(22, -120), 0);
    EXPECT_EQ(action.JudgeNonWaitCircle(-1, -120), 0);
}

}  // namespace
