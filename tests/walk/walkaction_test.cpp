// The gait-driven walking actions: one command per call, restarts and step ends of each kind.

#include <gtest/gtest.h>

#include <vector>

#include "gait_fixture.h"
#include "motion/command_text.h"

namespace {

class WalkActionTest : public GaitTest {
  protected:
    // Calls the action once per cycle; returns the cycles (from 1) that reported true.
    std::vector<int> TrueCycles(bool (NaoAction::*walk)(std::stringstream&, int&), int cycles) {
        std::vector<int> ends;
        for (int cycle = 1; cycle <= cycles; ++cycle, ++counter) {
            std::stringstream ss;
            if ((action.*walk)(ss, counter)) ends.push_back(cycle);
            EXPECT_EQ(Velocities(ss.str()).size(), 22u) << cycle;
        }
        return ends;
    }

    NaoAction action{Player("1")};
    int counter = 0;
};

TEST_F(WalkActionTest, StepEndsOfEachWalkingKind) {
    EndAnyKeyframe();
    Strategy::findBall = true;  // 0.2 s steps after a 0.28 s restart: true at the second step's end
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseStepAI, 20), std::vector<int>{20});
    InverseAction::tempBool = false;  // cleared by the behaviour: every step end is reported
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseStepAI, 10), std::vector<int>{10});
    TrueCycles(&NaoAction::ActionInverseStepAI, 1);  // not cleared: the gait restarts
    EXPECT_EQ(Inverse::stepCount, 1);

    ResetGait();
    Inverse::rotateAngle = 10;  // 4-cycle steps counted from step 0
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseRotate, 8), std::vector<int>{8});
    ResetGait();
    Inverse::rotateAngle = 10;  // 6-cycle steps from step 2: true at the end of step 4
    EXPECT_EQ(TrueCycles(&NaoAction::ActionInverseBeamCircle, 12), std::vector<int>{12});
}

}  // namespace
