// Keyframe engine and the basic locomotion motions: timing of keyframes under the caller's
// counting, the one-cycle and pausing variants, the motions' tables and their phase handling.

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "command_text.h"
#include "motion/naoaction.h"
#include "net/mytime.h"

namespace {

class KeyframeTest : public ::testing::Test {
  protected:
    void SetUp() override { EndAnyKeyframe(); }

    NaoAction action;
    std::stringstream ss;
};

NaoAction::KeyframePose LeftKnee(double legl4) {
    NaoAction::KeyframePose pose{};
    pose[16] = legl4;
    return pose;
}

// Calls a motion once per cycle as the behaviour does (counter from 0, plus one after every
// cycle) and returns the cycles (1-based) on which it reported its end.
template <typename Motion>
std::vector<int> EndCycles(Motion motion, int cycles) {
    std::vector<int> ends;
    int counter = 0;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        std::stringstream ss;
        if (motion(ss, counter)) ends.push_back(cycle);
        EXPECT_EQ(Groups(ss.str()).size(), 22u) << "cycle " << cycle;
        ++counter;
    }
    return ends;
}

TEST_F(KeyframeTest, KeyframeSendsOnePeriodPlusOneFromZeroAndComputesItsTextOnce) {
    int counter = 0;
    std::vector<std::string> sent;
    for (int cycle = 0; cycle <= 3; ++cycle) {
        std::stringstream out;
        const int next = action.ActionState(4, 5, out, LeftKnee(60), counter, 3);
        EXPECT_EQ(next, cycle < 3 ? 4 : 5) << cycle;
        sent.push_back(out.str());
        // The sensed angle changes, but the keyframe keeps its first text.
        SetSensed(action, Player::JID_LLEG_4, -10.0f * (cycle + 1));
        ++counter;
    }
    EXPECT_EQ(counter, 1);  // reset to 0 at the end, then counted by the caller
    EXPECT_EQ(Velocities(sent[0]).at("lle4"), "-17.453");  // -60 / 3 per cycle
    for (const std::string& text : sent) EXPECT_EQ(text, sent[0]);
    EXPECT_TRUE(action.temp_change.empty());

    // The next keyframe starts with a text computed from the angles now reported.
    std::stringstream out;
    action.ActionState(5, 6, out, LeftKnee(60), counter, 3);
    EXPECT_NE(out.str(), sent[0]);
}

TEST_F(KeyframeTest, OneCycleKeyframeEndsAtOnceAndLeavesANewTextDue) {
    int counter = 7;
    std::stringstream first;
    EXPECT_EQ(action.ActionState(2, 3, first, LeftKnee(10), counter, 1.0), 3);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(Velocities(first.str()).at("lle4"), "-8.727");

    counter = 1;
    std::stringstream second;
    EXPECT_EQ(action.ActionState(3, 4, second, LeftKnee(30), counter, 10), 3);
    // Computed afresh: 30 degrees to go minus the 10 under way, over 10 cycles.
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -2.0f);
}

TEST_F(KeyframeTest, CounterPastThePeriodEndsTheKeyframeWithWhateverTextItHolds) {
    int counter = 25;
    EXPECT_EQ(action.ActionState(1, 2, ss, LeftKnee(30), counter, 10), 2);
    EXPECT_EQ(counter, 0);
    EXPECT_TRUE(ss.str().empty());
}

TEST_F(KeyframeTest, WaitKeyframeSendsTheStopCommandForItsLength) {
    int counter = 0;
    for (int cycle = 0; cycle < 3; ++cycle) {
        std::stringstream out;
        EXPECT_EQ(action.ActionState(6, 7, out, counter, 3), 6);
        for (const auto& group : Groups(out.str())) EXPECT_EQ(group.second, "0");
        ++counter;
    }
    EXPECT_EQ(action.ActionState(6, 7, ss, counter, 3), 7);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(Groups(ss.str()).size(), 22u);
}

TEST_F(KeyframeTest, PausingKeyframeMovesThenStopsForThePause) {
    int counter = 0;
    std::vector<int> phases;
    std::vector<std::string> knee;
    for (int cycle = 0; cycle < 6; ++cycle) {
        std::stringstream out;
        NaoAction::KeyframePose p = LeftKnee(20);
        phases.push_back(action.ActionState(
            1, 2, out, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11],
            p[12], p[13], p[14], p[15], p[16], p[17], p[18], p[19], p[20], p[21], counter, 2, 3));
        knee.push_back(Velocities(out.str()).at("lle4"));
        ++counter;
    }
    // Counter 0..2 move (counter > period ends the move), then three cycles of pause.
    EXPECT_EQ(phases, (std::vector<int>{1, 1, 1, 1, 1, 2}));
    EXPECT_EQ(knee, (std::vector<std::string>{"-8.727", "-8.727", "-8.727", "0", "0", "0"}));
}

TEST_F(KeyframeTest, PausingKeyframeWithoutPauseEndsWhenTheMoveEnds) {
    int counter = 3;
    NaoAction::KeyframePose p = LeftKnee(20);
    const int next = action.ActionState(1, 2, ss, p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7],
                                        p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15], p[16],
                                        p[17], p[18], p[19], p[20], p[21], counter, 2, 0);
    EXPECT_EQ(next, 2);
    EXPECT_EQ(counter, 0);
}

TEST_F(KeyframeTest, WalkEndsAfterNinetyOneCyclesThenEveryNinety) {
    auto walk = [this](std::stringstream& out, int& counter) {
        return action.ActionWalk(out, counter);
    };
    EXPECT_EQ(EndCycles(walk, 271), (std::vector<int>{91, 181, 271}));
    EXPECT_EQ(action.mWalkState, NaoAction::S_UpRightFoot);
}

TEST_F(KeyframeTest, WalkKeyframesFollowTheTable) {
    int counter = 0;
    action.ActionWalk(ss, counter);  // S_UpRightFoot, 10 cycles, from rest
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RLEG_4], -9.0f);  // legr4 90
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RLEG_5], 5.0f);   // legr5 -50
    EXPECT_EQ(action.tempAngleChange[Player::JID_LLEG_2], 0.0f);         // held

    action.mWalkState = NaoAction::S_GravityToRight;
    action.SetTempAngleChangleInit();
    EndAnyKeyframe();
    counter = 0;
    action.ActionWalk(ss, counter);                                         // 20 cycles
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_2], 0.75f);     // legl2 15
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_6], -0.75f);    // legl6 -15
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_3], -0.0005f);  // legl3 0.01
}

TEST_F(KeyframeTest, HeadSweepHandsOverOnCounterTwo) {
    int counter = 0;
    EXPECT_FALSE(action.ActionHeadRotate(ss, counter));
    EXPECT_EQ(action.mRotateHead, NaoAction::S_RotateHead1);
    // Origin pose, head yaw to -120.001, over 2 cycles from rest.
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_HEAD_1], -60.0005f);
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_HEAD_2], -15.0f);   // head1 -30
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LARM_1], -60.0f);   // arml1 120
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RARM_2], -10.0f);   // armr2 -20
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -38.5f);   // legl4 77
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RLEG_5], 26.245f);  // legr5 -52.49
    // The origin pose's tiny values are real targets, not holds.
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_6], -0.00005f);
    counter = 1;
    EXPECT_FALSE(action.ActionHeadRotate(ss, counter));
    EXPECT_EQ(action.mRotateHead, NaoAction::S_RotateHead1);
    counter = 2;
    EXPECT_FALSE(action.ActionHeadRotate(ss, counter));
    EXPECT_EQ(action.mRotateHead, NaoAction::S_RotateHead2);
    EXPECT_EQ(counter, 0);
}

TEST_F(KeyframeTest, HeadSweepEndsAfterItsFiveKeyframes) {
    auto sweep = [this](std::stringstream& out, int& counter) {
        return action.ActionHeadRotate(out, counter);
    };
    // 2 + 1, 20, 40, 2, 20 cycles; when it starts over, the first keyframe takes 2.
    EXPECT_EQ(EndCycles(sweep, 170), (std::vector<int>{85, 85 + 84}));
}

TEST_F(KeyframeTest, StepsEndAfterTheirFourKeyframes) {
    auto fast = [this](std::stringstream& out, int& counter) {
        return action.ActionStepFast(out, counter, 0);
    };
    EXPECT_EQ(EndCycles(fast, 25), (std::vector<int>{13, 25}));
    auto back = [this](std::stringstream& out, int& counter) {
        return action.ActionBackStep(out, counter, 0);
    };
    EXPECT_EQ(EndCycles(back, 13), (std::vector<int>{13}));
}

TEST_F(KeyframeTest, StepOffsetShiftsTheLeftHipOfTheLastKeyframe) {
    const struct {
        float offset;
        float hipIncrement;  // legl3 (offset - 40) negated, over 3 cycles from rest
    } cases[] = {{0, 40.0f / 3}, {10, 10.0f}};
    for (const auto& c : cases) {
        NaoAction fresh;
        EndAnyKeyframe();
        fresh.mStepFast = NaoAction::S_Step_DownLeftFootFast;
        int counter = 0;
        fresh.ActionStepFast(ss, counter, c.offset);
        EXPECT_FLOAT_EQ(fresh.tempAngleChange[Player::JID_LLEG_3], c.hipIncrement) << c.offset;
        EXPECT_FLOAT_EQ(fresh.tempAngleChange[Player::JID_RLEG_5], 13.3f);  // legr5 -39.9
    }

    NaoAction back;
    EndAnyKeyframe();
    back.mBackStep = NaoAction::S_BackStep_DownLeftFoot;
    int counter = 0;
    back.ActionBackStep(ss, counter, 0);
    EXPECT_FLOAT_EQ(back.tempAngleChange[Player::JID_LLEG_3], 5.0f);  // legl3 -15

    NaoAction step;
    EndAnyKeyframe();
    step.mStep = NaoAction::S_Step_DownLeftFoot;
    counter = 0;
    step.ActionStep(ss, counter, 4);
    EXPECT_FLOAT_EQ(step.tempAngleChange[Player::JID_LLEG_3], 12.0f);  // legl3 4 - 40
    EXPECT_FLOAT_EQ(step.tempAngleChange[Player::JID_LLEG_5], 10.1f);  // legl5 -30.3
    EXPECT_FLOAT_EQ(step.tempAngleChange[Player::JID_RLEG_5], 13.5f);  // legr5 -40.5
}

TEST_F(KeyframeTest, UnknownPhaseRunsTheFirstKeyframeOfStepsAndPlainTurns) {
    action.mBackStep = static_cast<NaoAction::eState_BackStep>(7);
    int counter = 0;
    EXPECT_FALSE(action.ActionBackStep(ss, counter, 0));
    EXPECT_EQ(Groups(ss.str()).size(), 22u);
    EXPECT_EQ(action.mBackStep, NaoAction::S_BackStep_UpRightFoot);
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RLEG_4], -25.0f);  // legr4 75

    NaoAction turn;
    EndAnyKeyframe();
    turn.mTurnRight = static_cast<NaoAction::eState_TurnRight>(-3);
    counter = 2;  // the 2-cycle walk-ready keyframe ends here
    std::stringstream out;
    EXPECT_FALSE(turn.ActionTurnRight(out, counter));
    EXPECT_EQ(turn.mTurnRight, NaoAction::S_TurnRright_UpRight);
    EXPECT_EQ(counter, 0);
}

TEST_F(KeyframeTest, UnknownPhaseOfOtherMotionsSendsNothing) {
    action.mWalkState = NaoAction::S_WalkWait;
    action.mRotateHead = static_cast<NaoAction::eState_RotateHead>(5);
    action.mTurnLeft_30 = static_cast<NaoAction::eState_TurnLeft_30>(9);
    action.mTurnRight_30 = static_cast<NaoAction::eState_TurnRight_30>(7);
    int counter = 4;
    EXPECT_FALSE(action.ActionWalk(ss, counter));
    EXPECT_FALSE(action.ActionHeadRotate(ss, counter));
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(action.ActionTurnLeft_30(ss, counter));
    EXPECT_FALSE(action.ActionTurnRight_30(ss, counter));
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(ss.str().empty());
    EXPECT_EQ(counter, 4);
    EXPECT_EQ(action.mWalkState, NaoAction::S_WalkWait);
    EXPECT_EQ(action.mTurnLeft_30, 9);
}

// Ball 50 degrees to the left of the torso and of the head: the neck lags it by 10 degrees.
void PutBallLeft(NaoAction& action) {
    action.myPlayer.mBallToTorse.angle = 50;
    action.myPlayer.sphereAngleBallToHead = 5;
}

TEST_F(KeyframeTest, TurnsPrintTheirNameAndEndWithTheNeckOnTheBall) {
    struct Turn {
        bool (NaoAction::*motion)(std::stringstream&, int&);
        const char* line;
        double lastCycles;
    };
    const Turn turns[] = {
        {&NaoAction::ActionTurnLeft, "ActionTurnLeftActionTurnLeft40\n", 15},
        {&NaoAction::ActionTurnRight, "ActionTurnRightActionTurnRight40\n", 15},
        {&NaoAction::ActionTurnLeft_30, "ActionTurnLeft_30ActionTurnLeft_3040\n", 15},
        {&NaoAction::ActionTurnRight_30, "ActionTurnRight_30ActionTurnRight_3040\n", 15},
    };
    for (const Turn& turn : turns) {
        NaoAction fresh;
        EndAnyKeyframe();
        PutBallLeft(fresh);
        fresh.mTurnLeft = NaoAction::S_TurnLeft_GetFoot;
        fresh.mTurnRight = NaoAction::S_TurnRright_GetFoot;
        fresh.mTurnLeft_30 = NaoAction::S_TurnLeft_GetFoot2_30;
        fresh.mTurnRight_30 = NaoAction::S_TurnRright_GetFoot2_30;
        int counter = 0;
        std::stringstream out;
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE((fresh.*turn.motion)(out, counter));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), turn.line);
        EXPECT_FLOAT_EQ(fresh.tempAngleChange[Player::JID_HEAD_1], 40 / turn.lastCycles);
        EXPECT_EQ(fresh.tempAngleChange[Player::JID_HEAD_2], 0.0f);  // head pitch held
    }
}

TEST_F(KeyframeTest, TurnsStartFromTheWalkReadyPoseAndEndOnTime) {
    ::testing::internal::CaptureStdout();
    int counter = 0;
    action.ActionTurnLeft(ss, counter);
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LARM_1], -60.0f);  // arml1 120 over 2
    EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_4], -30.0f);  // legl4 60 over 2
    EXPECT_EQ(action.tempAngleChange[Player::JID_HEAD_1], 0.0f);          // head held
    EXPECT_EQ(action.tempAngleChange[Player::JID_HEAD_2], 0.0f);

    NaoAction left, right;
    EndAnyKeyframe();
    auto turnLeft = [&left](std::stringstream& out, int& c) { return left.ActionTurnLeft(out, c); };
    auto turnRight = [&right](std::stringstream& out, int& c) {
        return right.ActionTurnRight_30(out, c);
    };
    const std::vector<int> leftEnds = EndCycles(turnLeft, 48);
    const std::vector<int> rightEnds = EndCycles(turnRight, 83);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(leftEnds, (std::vector<int>{48}));   // 2 + 1, 10, 20, 15
    EXPECT_EQ(rightEnds, (std::vector<int>{83}));  // 2 + 1, 10, 10, 10, 20, 15, 15
}

}  // namespace
