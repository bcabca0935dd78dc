// Get-ups: the adaptive length of the last move, the face-down get-up's repeated command.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_text.h"

namespace {

TEST(GetUpTest, FaceUpLastMoveEndsWhenTheCounterReachesTheCorrectedLength) {
    // A correction (shoulder cycles to go, minus 2) applies when the counter reaches the length.
    const struct {
        std::vector<int> corrections;
        int endsAt;
        std::vector<int> sending;  // counters on which joint commands were appended
    } cases[] = {
        {{-10}, 50, {}},        // length 40: over at once, what was under way is not resent
        {{6, 3, 0}, 59, {50}},  // 51 ... 55 silent, asked again at 56 and 59
        {{6, -4}, 56, {50}},    // length 52 behind the counter: over, not waiting forever
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
            if (counter == fresh.mStandUpFaceSkyOriginCircle && next < c.corrections.size()) {
                fresh.tempAngleChange[Player::JID_LARM_1] = -1.0f;
                fresh.myPlayer.mHingeJointSenseMap[Player::JID_LARM_1].angle =
                    -118.0f + c.corrections[next++];
            }
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

TEST(GetUpTest, FaceDownGetUpSendsTheCommandOfItsArmsDownKeyframeTwiceAndPrintsOnce) {
    EndAnyKeyframe();
    NaoAction action;
    // A still body: the shoulder needs 18 more cycles at counter 20; 21+2+2+7+1+22+38 cycles.
    std::vector<std::string> texts;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunFromZero(action, &NaoAction::ActionStandFaceFloor, 185,
                          [&](int, const std::string& text) { texts.push_back(text); }),
              (std::vector<int>{93, 185}));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "mStandUpFaceFloorOriginCircle 18\nmStandUpFaceFloorOriginCircle 18\n");

    // The arms-down keyframe ends on cycle 32; cycle 33 repeats its text.
    EXPECT_EQ(texts[32], texts[31]);
    EXPECT_NE(texts[33], texts[32]);
    EXPECT_EQ(Velocities(texts[32]).size(), 22u);
}

}  // namespace
