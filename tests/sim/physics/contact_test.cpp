// The contacts between a robot's feet and the field: soft friction without a limit, a foot
// sliding at a speed proportional to the sideways force on it, whatever its load.
#include <gtest/gtest.h>

#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

// The mean sideways speed (m/s) of the feet of a crouched robot whose feet are each pushed
// sideways (model x) with pushPerFoot N while its torso is pressed down with extraLoad N.
double FootSlideSpeed(double pushPerFoot, double extraLoad) {
    OneRobot r;
    r.Crouch();
    const mjModel* m = r.world.Model();
    mjData* d = r.world.Data();
    const RobotLayout& layout = r.world.RobotAt(r.robot);
    const int feet[2] = {m->geom_bodyid[layout.footGeom[kLeftFoot]],
                         m->geom_bodyid[layout.footGeom[kRightFoot]]};
    double startX = 0;
    const int settle = 50, measured = 50;
    for (int k = 0; k < settle + measured; ++k) {
        if (k == settle) startX = d->xpos[3 * feet[0]];
        CommandToward(r.world, r.robot, CrouchedStance());
        for (int foot : feet) d->xfrc_applied[6 * foot] = pushPerFoot;
        d->xfrc_applied[6 * layout.torsoBody + 2] = -extraLoad;
        r.world.StepCycle();
    }
    std::printf("push %g load %g: %g m/s\n", pushPerFoot, extraLoad,
                (d->xpos[3 * feet[0]] - startX) / (measured * 0.02));
    return (d->xpos[3 * feet[0]] - startX) / (measured * 0.02);
}

}  // namespace

TEST(Contacts, ALoadedFootSlidesSidewaysInProportionToThePush) {
    const double kSlipPerNewton = 5e-3;  // m/s per N of sideways force on one foot
    for (double push : {2.0, 5.0, 10.0})
        for (double load : {0.0, 30.0}) {
            SCOPED_TRACE(std::to_string(push) + " N, load " + std::to_string(load));
            const double speed = FootSlideSpeed(push, load);
            EXPECT_GT(speed, kSlipPerNewton * push / 1.5);
            EXPECT_LT(speed, kSlipPerNewton * push * 1.5);
        }
}
