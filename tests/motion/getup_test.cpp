// Get-ups, stumble catches and the keeper dive: the adaptive length of the get-ups' last move,
// the face-down get-up's repeated command and progress line, and the motions' lengths.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_text.h"

namespace {

class GetUpTest : public ::testing::Test {
  protected:
    void SetUp() override { EndAnyKeyframe(); }
    NaoAction action;
};

// Makes JudgeNonWaitCircle(JID_LARM_1, -120) answer `cycles`: the shoulder turns -1 degree per
// cycle and has cycles + 2 degrees to go.
void ShoulderNeeds(NaoAction& action, int cycles) {
    action.tempAngleChange[Player::JID_LARM_1] = -1.0f;
    action.myPlayer.mHingeJointSenseMap[Player::JID_LARM_1].angle = -118.0f + cycles;
}

TEST_F(GetUpTest, FaceUpLastMoveEndsWhenTheCounterReachesTheCorrectedLength) {
    // The move to the origin pose is at counter 50 (its planned length). Each correction is
    // applied on a cycle where the counter equals the length; silent on the cycles after 50.
    const struct {
        std::vector<int> corrections;
        int endsAt;
        std::vector<int> sending;  // counters on which joint commands were appended
    } cases[] = {
        {{0}, 50, {}},
        {{-10}, 50, {}},        // length 40: over at once, what was under way is not resent
        {{6, 0}, 56, {50}},     // 51 ... 55 silent, asked again at 56
        {{6, 3, 0}, 59, {50}},  // asked at 56 and 59
        {{6, -4}, 56, {50}},    // length 52 behind the counter: over, not waiting forever
        {{6, -40}, 56, {50}},   // the same with a correction far below
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.corrections));
        EndAnyKeyframe();
        NaoAction fresh;
        fresh.mStandUpFaceSky = NaoAction::StandUpFaceSky_4;
        size_t next = 0;
        int endedAt = -1;
        std::vector<int> sending;
        for (int counter = 50; counter < 200 && endedAt < 0; ++counter) {
            if (counter == fresh.mStandUpFaceSkyOriginCircle && next < c.corrections.size())
                ShoulderNeeds(fresh, c.corrections[next++]);
            std::stringstream ss;
            int tempCounter = counter;
            EXPECT_FALSE(fresh.ActionStandFaceSky(ss, tempCounter));
            if (!ss.str().empty()) sending.push_back(counter);
            if (fresh.mStandUpFaceSky == NaoAction::StandUpFaceSky_5) {
                endedAt = counter;
                EXPECT_EQ(tempCounter, 0);
            }
        }
        EXPECT_EQ(endedAt, c.endsAt);
        EXPECT_EQ(next, c.corrections.size());
        EXPECT_EQ(sending, c.sending);

        // Two cycles of holding, then the get-up is over and its length is back to 50.
        int counter = 1;
        std::stringstream ss;
        EXPECT_FALSE(fresh.ActionStandFaceSky(ss, counter));
        ++counter;
        EXPECT_TRUE(fresh.ActionStandFaceSky(ss, counter));
        EXPECT_EQ(fresh.mStandUpFaceSky, NaoAction::StandUpFaceSky_1);
        EXPECT_EQ(fresh.mStandUpFaceSkyOriginCircle, 50);
    }
}

TEST_F(GetUpTest, FaceDownLastMoveIsCorrectedOnceAtTwentyAndEndsAtItsLength) {
    const struct {
        int correction;
        int endsAt;
    } cases[] = {{0, 20}, {-5, 20}, {7, 27}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.correction);
        EndAnyKeyframe();
        NaoAction fresh;
        fresh.mStandUpFaceFloor = NaoAction::S_StandUpFaceFloor_4;
        int endedAt = -1;
        ::testing::internal::CaptureStdout();
        for (int counter = 1; counter < 100 && endedAt < 0; ++counter) {
            ShoulderNeeds(fresh, counter == 20 ? c.correction : 8);
            std::stringstream ss;
            int tempCounter = counter;
            if (fresh.ActionStandFaceFloor(ss, tempCounter)) endedAt = counter;
        }
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "mStandUpFaceFloorOriginCircle " + std::to_string(c.correction) + "\n");
        EXPECT_EQ(endedAt, c.endsAt);
        EXPECT_EQ(fresh.mStandUpFaceFloor, NaoAction::S_StandUpFaceFloor_1);
        EXPECT_EQ(fresh.mStandUpFaceFloorOriginCircle, 20);
    }
}

TEST_F(GetUpTest, FaceDownGetUpSendsTheCommandOfItsArmsDownKeyframeTwiceAndPrintsOnce) {
    // A body that does not move: the origin move turns the shoulder -6 degrees per cycle from 0
    // towards -120, so at counter 20 it still needs 20 - 2 cycles and the move lasts 38.
    // Get-up: 21 + 2 + 2 + 7 + 1 (the repeat) + 22 + 38 cycles, then one less each time.
    std::vector<std::string> texts;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunFromZero(action, &NaoAction::ActionStandFaceFloor, 185,
                          [&](int, const std::string& text) { texts.push_back(text); }),
              (std::vector<int>{93, 185}));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "mStandUpFaceFloorOriginCircle 18\nmStandUpFaceFloorOriginCircle 18\n");

    // The arms-down keyframe ends on cycle 32; cycle 33 repeats its text instead of starting
    // the next keyframe, which computes a new one on cycle 34.
    EXPECT_EQ(texts[32], texts[31]);
    EXPECT_NE(texts[33], texts[32]);
    EXPECT_EQ(Velocities(texts[32]).size(), 22u);
}

TEST_F(GetUpTest, StumbleKeyframesThatDifferFromAMirrorImage) {
    // Leg keyframes over 4 cycles from rest: the right one moves its right shoulder and right hip
    // roll 20 degrees where the left one puts its counterparts at 0.
    NaoAction left, right;
    left.mStumbleLeft = NaoAction::S_Stumble_Left_Leg;
    right.mStubleRight = NaoAction::S_Stumble_Right_Leg;
    int counter = 0;
    std::stringstream ss;
    left.ActionStumble_Left(ss, counter);
    EndAnyKeyframe();
    counter = 0;
    right.ActionStumble_Right(ss, counter);
    EXPECT_FLOAT_EQ(left.tempAngleChange[Player::JID_LARM_1], -0.000025f);  // arml1 0.0001
    EXPECT_FLOAT_EQ(right.tempAngleChange[Player::JID_RARM_1], -5.0f);      // armr1 20
    EXPECT_FLOAT_EQ(right.tempAngleChange[Player::JID_RLEG_2], 5.0f);       // legr2 20
    EXPECT_FLOAT_EQ(left.tempAngleChange[Player::JID_LLEG_3], 2.5f);        // legl3 -10
    EXPECT_FLOAT_EQ(right.tempAngleChange[Player::JID_RLEG_3], 2.5f);       // legr3 -10
}

TEST_F(GetUpTest, PhasesOutsideTheMotions) {
    // The get-ups and the keeper send nothing; the stumbles run their first keyframe.
    NaoAction a;
    a.mStandUpFaceSky = static_cast<NaoAction::eState_StandUpFaceSky>(7);
    a.mStandUpFaceFloor = static_cast<NaoAction::eState_StandUpFaceFloor>(9);
    a.mKeeperCatch = static_cast<NaoAction::eState_KeeperCatch>(10);
    a.mStumbleLeft = static_cast<NaoAction::eState_Stumble_Left>(2);
    int counter = 3;
    std::stringstream nothing, stumble;
    EXPECT_FALSE(a.ActionStandFaceSky(nothing, counter));
    EXPECT_FALSE(a.ActionStandFaceFloor(nothing, counter));
    EXPECT_FALSE(a.ActionKeeperCatch(nothing, counter));
    EXPECT_TRUE(nothing.str().empty());
    EXPECT_EQ(counter, 3);
    counter = 0;
    a.ActionStumble_Left(stumble, counter);
    EXPECT_EQ(a.mStumbleLeft, NaoAction::S_Stumble_Left_Arm);
}

}  // namespace
