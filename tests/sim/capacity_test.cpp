// A full match's worth of robots: the fixed MuJoCo buffers hold every contact.
#include <gtest/gtest.h>

#include "sim/placement.h"
#include "sim/truth.h"
#include "sim/world.h"

using namespace sim;

TEST(Capacity, TwentyTwoRobotsLyingInAHeapLoseNoContact) {
    World w(22);
    ASSERT_EQ(w.RobotCount(), 22);
    // Side by side in two rows, touching, face down and on their backs by turns, as after a
    // scramble for the ball.
    for (int i = 0; i < 22; ++i)
        PlaceRobot(w, i, {0.3 * (i % 11) - 1.5, 0.45 * (i / 11), 0.1}, 90.0, i % 2 ? 90.0 : -90.0);
    for (int k = 0; k < 50; ++k) w.StepCycle();
    const mjData* d = w.Data();
    EXPECT_EQ(d->warning[mjWARN_CONTACTFULL].number, 0);
    EXPECT_EQ(d->warning[mjWARN_CNSTRFULL].number, 0);
    EXPECT_LT(d->maxuse_efc, w.Model()->njmax);
    EXPECT_LT(d->maxuse_con, w.Model()->nconmax * 0.8);  // with room for a worse scramble
    EXPECT_EQ(w.Recoveries(), 0);
    for (int i = 0; i < 22; ++i) EXPECT_GT(RobotGroundTruth(w, i).torso.z, 0.0);  // none sank
}
