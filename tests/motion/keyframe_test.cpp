// Keyframe engine: timing under the caller's counting, pauses.

#include <gtest/gtest.h>

#include <vector>

#include "command_text.h"

namespace {

TEST(KeyframeTest, KeyframeResendsItsFirstTextForPeriodPlusOneCycles) {
    EndAnyKeyframe();
    NaoAction action;
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

    // A one-cycle keyframe ends at once; knee at -40 with -20 under way: legl4 70 leaves -10.
    counter = 7;
    pose[16] = 70;
    std::stringstream once;
    EXPECT_EQ(action.ActionState(2, 3, once, pose, counter, 1.0), 3);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(Velocities(once.str()).at("lle4"), "-8.727");
}

TEST(KeyframeTest, PausingKeyframeMovesThenStops) {
    EndAnyKeyframe();
    NaoAction action;
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

}  // namespace
