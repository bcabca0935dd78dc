// Keyframe engine and the basic motions: keyframe timing under the caller's counting (counter
// from 0, plus one after every cycle), the motions' ends, offsets and out-of-range phases.

#include <gtest/gtest.h>

#include <vector>

#include "command_text.h"

namespace {

class KeyframeTest : public ::testing::Test {
  protected:
    void SetUp() override { EndAnyKeyframe(); }
    NaoAction action;
    std::stringstream ss;
};

TEST_F(KeyframeTest, KeyframeResendsItsFirstTextForPeriodPlusOneCycles) {
    NaoAction::KeyframePose pose{};
    pose[16] = 60;  // legl4
    int counter = 0;
    std::string first;
    for (int cycle = 0; cycle <= 3; ++cycle, ++counter) {
        std::stringstream out;
        EXPECT_EQ(action.ActionState(4, 5, out, pose, counter, 3), cycle < 3 ? 4 : 5) << cycle;
        if (cycle == 0) first = out.str();
        EXPECT_EQ(out.str(), first) << cycle;
        action.myPlayer.mHingeJointSenseMap[Player::JID_LLEG_4].angle = -10.0f * (cycle + 1);
    }
    EXPECT_EQ(counter, 1);                               // reset at the end, then counted
    EXPECT_EQ(Velocities(first).at("lle4"), "-17.453");  // -60 / 3 per cycle

    // A one-cycle keyframe ends in the cycle it starts, whatever the counter; the knee is at
    // -40 with -20 under way, so legl4 70 leaves -10 for this cycle.
    counter = 7;
    pose[16] = 70;
    std::stringstream once;
    EXPECT_EQ(action.ActionState(2, 3, once, pose, counter, 1.0), 3);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(Velocities(once.str()).at("lle4"), "-8.727");
}

TEST_F(KeyframeTest, PausingKeyframeMovesThenStops) {
    std::vector<std::string> knee;
    for (int cycle = 0, counter = 0; cycle < 6; ++cycle, ++counter) {
        std::stringstream out;  // legl4 20 over 2 cycles, pause 3
        EXPECT_EQ(action.ActionState(1, 2, out, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20,
                                     0, 0, 0, 0, 0, counter, 2, 3),
                  cycle < 5 ? 1 : 2);
        knee.push_back(Velocities(out.str()).at("lle4"));
    }
    // Counter 0..2 move, then the pause sends the stop command for three cycles.
    EXPECT_EQ(knee, (std::vector<std::string>{"-8.727", "-8.727", "-8.727", "0", "0", "0"}));
}

TEST_F(KeyframeTest, HeadSweepFromTheOriginPoseHandsOverOnCounterTwo) {
    for (int counter : {0, 1, 2}) {
        EXPECT_EQ(action.mRotateHead, NaoAction::S_RotateHead1) << counter;
        EXPECT_FALSE(action.ActionHeadRotate(ss, counter));
    }
    EXPECT_EQ(action.mRotateHead, NaoAction::S_RotateHead2);
}

TEST_F(KeyframeTest, StepOffsetShiftsTheLeftHipOfTheLastKeyframe) {
    // The last keyframe's legl3 is offset - 40 (- 15 stepping back), negated, over 3 cycles.
    const struct {
        bool (NaoAction::*motion)(std::stringstream&, int&, float);
        float offset, hip;
    } cases[] = {{&NaoAction::ActionStepFast, 0, 40.0f / 3},
                 {&NaoAction::ActionStepFast, 10, 10},
                 {&NaoAction::ActionBackStep, 0, 5}};
    for (const auto& c : cases) {
        EndAnyKeyframe();
        NaoAction last;
        last.mStepFast = NaoAction::S_Step_DownLeftFootFast;
        last.mBackStep = NaoAction::S_BackStep_DownLeftFoot;
        int counter = 0;
        (last.*c.motion)(ss, counter, c.offset);
        EXPECT_FLOAT_EQ(last.tempAngleChange[Player::JID_LLEG_3], c.hip) << c.offset;
    }
}

TEST_F(KeyframeTest, OutOfRangePhases) {
    // Steps and plain turns run their first keyframe.
    action.mBackStep = static_cast<NaoAction::eState_BackStep>(7);
    int counter = 0;
    EXPECT_FALSE(action.ActionBackStep(ss, counter, 0));
    EXPECT_EQ(action.mBackStep, NaoAction::S_BackStep_UpRightFoot);

    // The walk and the head sweep send nothing and keep their phase and the counter.
    action.mWalkState = NaoAction::S_WalkWait;
    action.mRotateHead = static_cast<NaoAction::eState_RotateHead>(5);
    std::stringstream nothing;
    counter = 4;
    EXPECT_FALSE(action.ActionWalk(nothing, counter));
    EXPECT_FALSE(action.ActionHeadRotate(nothing, counter));
    EXPECT_TRUE(nothing.str().empty());
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(action.mRotateHead, 5);
}

}  // namespace
