// The gait-generated walking actions: one command per call, the legs' targets interleaved in
// effector order with their signs, the restarts and step ends of each walking kind.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "command_text.h"
#include "motion/naoaction.h"
#include "walk/gait_fixture.h"

namespace {

class WalkActionTest : public GaitTest {
  protected:
    void SetUp() override {
        GaitTest::SetUp();
        EndAnyKeyframe();
        action.SetPlayerInfo(Player("1"), WorldModel());
    }

    // Calls the action once per cycle as the behaviour does; returns the cycles (from 1) that
    // reported true. Every call must append exactly one command.
    template <typename Action>
    std::vector<int> TrueCycles(Action act, int cycles) {
        std::vector<int> ends;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            std::stringstream ss;
            if ((action.*act)(ss, counter)) ends.push_back(cycle);
            EXPECT_EQ(Groups(ss.str()).size(), 22u) << cycle;
            ++counter;
        }
        return ends;
    }

    double Velocity(const std::string& text, const std::string& effector) {
        return std::atof(Velocities(text)[effector].c_str());
    }

    NaoAction action;
    int counter = 0;
};

}  // namespace

TEST_F(WalkActionTest, StrategyWalkSendsBothLegsForOneCycle) {
    TrueCycles(&NaoAction::ActionInverseStepAI, 6);
    EXPECT_EQ(Inverse::stepCount, 1);  // restarted: the left foot swings first
    EXPECT_EQ(Inverse::Tsup, 0.28f);
    // Mid-step (cycle 7 of 14) the left foot is lifted beside the right one.
    action.SetTempAngleChangleInit();
    std::stringstream ss;
    action.ActionInverseStepAI(ss, counter);
    EXPECT_EQ(Inverse::oneStepCount, 7);
    EXPECT_EQ(action.mInverseStep, 0);

    // The targets of this cycle, solved again from the gait's state.
    Player body("1");
    FootLocationAndAngle left, right;
    FlagLocation torse;
    gait.GetTorseAndAnkle(left, right, torse);
    LegInverseAngle l = body.InverseFromLeftFootToTorse(left.angle, left.location, torse);
    LegInverseAngle r = body.InverseFromRightFootToTorse(right.angle, right.location, torse);
    // Sensed angles are 0 and no increment is under way: the whole change in one cycle, joints
    // 3, 4 and 5 with reversed signs.
    const std::string text = ss.str();
    struct Expect {
        const char* effector;
        double target;
    };
    const Expect expects[] = {
        {"lle1", l.q2},  {"rle1", r.q2},  {"lle2", l.q3},  {"rle2", r.q3},
        {"lle3", -l.q4}, {"rle3", -r.q4}, {"lle4", -l.q5}, {"rle4", -r.q5},
        {"lle5", -l.q6}, {"rle5", -r.q6}, {"lle6", l.q7},  {"rle6", r.q7},
    };
    for (const Expect& e : expects)
        EXPECT_NEAR(Velocity(text, e.effector), action.TranslateAngleToArc(e.target), 1e-9)
            << e.effector;
    EXPECT_NE(l.q5, r.q5);  // swing and support legs differ
    // Head pitched down 30 degrees; the arms are held.
    EXPECT_NEAR(Velocity(text, "he2"), action.TranslateAngleToArc(-30), 1e-9);
    for (const char* arm : {"lae1", "rae1", "lae2", "rae2", "lae3", "rae3", "lae4", "rae4"})
        EXPECT_EQ(Velocity(text, arm), 0) << arm;
}

TEST_F(WalkActionTest, StrategyWalkEndsItsSecondStepOnCycleTwenty) {
    Strategy::findBall = true;
    std::vector<int> ends = TrueCycles(&NaoAction::ActionInverseStepAI, 20);
    EXPECT_EQ(ends, std::vector<int>{20});
    EXPECT_EQ(Inverse::Tsup, 0.2f);
}

TEST_F(WalkActionTest, RotateAndCircleStepTimings) {
    Inverse::rotateAngle = 10;
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseRotate, 8), std::vector<int>{8});
    ResetGait();
    Inverse::rotateAngle = 10;
    std::stringstream first;
    action.ActionInverseBeamCircle(first, counter);
    ++counter;
    EXPECT_EQ(Inverse::stepCount, 3);
    EXPECT_EQ(Velocity(first.str(), "he1"), 0);  // head yaw held
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseBeamCircle, 11), std::vector<int>{11});
}

TEST_F(WalkActionTest, StoppingWalkZeroesTheCommandOnEveryCall) {
    Inverse::goalDistance = 0.2f;
    Inverse::BeamDistance = 0.05f;
    Inverse::rotateAngle = 6;
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseStepAIEnd, 28), std::vector<int>{28});
    EXPECT_EQ(Inverse::goalDistance, 0);
    EXPECT_EQ(Inverse::BeamDistance, 0);
    EXPECT_EQ(Inverse::rotateAngle, 0);
    // Called again after the walk has stopped (a restart follows the true result).
    Inverse::goalDistance = 0.1f;
    Inverse::rotateAngle = 3;
    TrueCycles(&NaoAction::ActionInverseStepAIEnd, 1);
    EXPECT_EQ(Inverse::goalDistance, 0);
    EXPECT_EQ(Inverse::rotateAngle, 0);
    EXPECT_EQ(Inverse::stepCount, 1);
}

TEST_F(WalkActionTest, FixedTestWalkSpreadsEachCommandOverTwoCycles) {
    testing::internal::CaptureStdout();
    std::stringstream ss;
    EXPECT_FALSE(action.ActionInverseStep(ss, counter));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(" mInverseStep 0 mCounter 0\n"), std::string::npos);
    EXPECT_EQ(action.mInverseStep, NaoAction::S_InverseStep_UpRightFoot);

    Player body("1");
    FootLocationAndAngle left, right;
    FlagLocation torse;
    gait.GetTorseAndAnkle(left, right, torse);
    LegInverseAngle l = body.InverseFromLeftFootToTorse(left.angle, left.location, torse);
    EXPECT_NEAR(Velocity(ss.str(), "lle4"), action.TranslateAngleToArc(-l.q5 / 2), 1e-9);
    EXPECT_EQ(Velocity(ss.str(), "he1"), 0);
}
