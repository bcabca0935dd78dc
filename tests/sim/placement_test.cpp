// Beams, trainer placements, and robots joining and leaving a running world.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/truth.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

TEST(Placement, BeamStandsTheRobotOnItsFeetFacingTheHeading) {
    OneRobot r;
    r.Crouch();
    const RobotSensors crouched = ReadSensors(r.world, r.robot);
    for (double heading : {30.0, 180.0, -90.0}) {
        BeamRobot(r.world, r.robot, -4.0, 2.5, heading);
        const RobotTruth t = RobotGroundTruth(r.world, r.robot);
        EXPECT_NEAR(t.headingDeg, heading, 1e-9);
        EXPECT_NEAR(t.torso.x, -4.0, 1e-9);
        EXPECT_NEAR(t.torso.y, 2.5, 1e-9);
        EXPECT_NEAR(t.upZ, 1.0, 1e-12);
        EXPECT_NEAR(LowestPointZ(r.world, r.robot), 0.0, 1e-9);
        const RobotSensors s = ReadSensors(r.world, r.robot);
        for (int j = 0; j < kJointCount; ++j) EXPECT_DOUBLE_EQ(s.jointDeg[j], crouched.jointDeg[j]);
        for (int k = 0; k < r.world.Model()->nv; ++k) {
            if (k < r.world.Layout().ballDof || k >= r.world.Layout().ballDof + 6) {
                EXPECT_EQ(r.world.Data()->qvel[k], 0.0);
            }
        }
    }
    r.world.StepCycle();
    const RobotSensors s = ReadSensors(r.world, r.robot);
    EXPECT_TRUE(s.feet[kLeftFoot].touching && s.feet[kRightFoot].touching);
    Steps(r.world, 100);
    EXPECT_FALSE(RobotGroundTruth(r.world, r.robot).fallen);
}

TEST(Placement, RobotLaidFaceDownOrOnItsBackStaysDown) {
    for (double tilt : {90.0, -90.0}) {
        OneRobot r;
        PlaceRobot(r.world, r.robot, {1, 1, 0.12}, 45, tilt);
        RobotTruth t = RobotGroundTruth(r.world, r.robot);
        EXPECT_TRUE(t.fallen);
        EXPECT_NEAR(t.upZ, 0.0, 1e-9);
        // The torso's forward axis points down when face down, up when on the back.
        const int torso = r.world.RobotAt(r.robot).torsoBody;
        const double forwardZ = ToRot3(r.world.Data()->xmat + 9 * torso).Column(1).z;
        EXPECT_NEAR(forwardZ, tilt > 0 ? -1.0 : 1.0, 1e-9);
        EXPECT_GE(LowestPointZ(r.world, r.robot), -1e-9);  // nothing placed inside the ground
        CommandAll(r.world, r.robot, 0.0);
        Steps(r.world, 250);
        t = RobotGroundTruth(r.world, r.robot);
        EXPECT_TRUE(t.fallen);
        EXPECT_LT(std::fabs(t.upZ), 0.3);
        EXPECT_NEAR(t.torso.x, 1.0, 0.1);
        EXPECT_NEAR(t.torso.y, 1.0, 0.1);
    }
}

TEST(Placement, UprightAtTheTrainersHeightDropsOntoItsFeet) {
    OneRobot r;
    PlaceRobot(r.world, r.robot, {-3, 0, 0.40}, 0);
    EXPECT_NEAR(RobotGroundTruth(r.world, r.robot).torso.z, 0.40, 1e-12);
    Steps(r.world, 50);
    const RobotTruth t = RobotGroundTruth(r.world, r.robot);
    EXPECT_FALSE(t.fallen);
    EXPECT_NEAR(t.torso.z, 0.385, 0.003);
}

TEST(Placement, JoiningRobotLeavesEveryBodysStateUntouched) {
    OneRobot r(-2, 0, 0);
    r.Crouch();
    PlaceBall(r.world, {1, 1, kBallRadius}, {1.5, 0, 0});
    Steps(r.world, 10);
    const mjData* d = r.world.Data();
    const RobotLayout before = r.world.RobotAt(r.robot);
    std::vector<double> qpos(d->qpos + before.rootQpos,
                             d->qpos + before.rootQpos + 7 + kJointCount);
    const RobotSensors sensed = ReadSensors(r.world, r.robot);
    const BallTruth ball = BallGroundTruth(r.world);
    const long cycle = r.world.Cycle();

    const int added = r.world.AddRobot();
    EXPECT_EQ(added, 1);
    EXPECT_EQ(r.world.Cycle(), cycle);
    d = r.world.Data();
    const RobotLayout after = r.world.RobotAt(r.robot);
    for (size_t i = 0; i < qpos.size(); ++i) EXPECT_EQ(d->qpos[after.rootQpos + i], qpos[i]);
    const RobotSensors sensedAfter = ReadSensors(r.world, r.robot);
    for (int j = 0; j < kJointCount; ++j) EXPECT_EQ(sensedAfter.jointDeg[j], sensed.jointDeg[j]);
    EXPECT_NEAR(sensedAfter.gyroDegPerSec.x, sensed.gyroDegPerSec.x, 1e-9);
    const BallTruth ballAfter = BallGroundTruth(r.world);
    EXPECT_EQ(ballAfter.pos.x, ball.pos.x);
    EXPECT_EQ(ballAfter.vel.x, ball.vel.x);

    const RobotTruth newcomer = RobotGroundTruth(r.world, added);
    EXPECT_NEAR(newcomer.torso.y, -7.6, 1e-9);
    EXPECT_NEAR(newcomer.headingDeg, 90.0, 1e-9);
    for (int k = 0; k < 100; ++k) {
        CommandToward(r.world, r.robot, CrouchedStance());
        r.world.StepCycle();
    }
    EXPECT_FALSE(RobotGroundTruth(r.world, r.robot).fallen);
    EXPECT_FALSE(RobotGroundTruth(r.world, added).fallen);
    // The ball rolled on from where it was, as fast as it was.
    const double k = kBallDecayPerSecond;
    EXPECT_NEAR(BallGroundTruth(r.world).pos.x,
                ball.pos.x + ball.vel.x / k * (1 - std::exp(-k * 2.0)), 0.02);
}

TEST(Placement, RobotsParkApartAndLeavingShiftsTheOthersDown) {
    World w;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w.AddRobot(), i);
    Steps(w, 5);
    for (int i = 0; i < 3; ++i)
        for (int k = i + 1; k < 3; ++k) {
            const Vec3 a = RobotGroundTruth(w, i).torso, b = RobotGroundTruth(w, k).torso;
            EXPECT_GT(std::hypot(a.x - b.x, a.y - b.y), 0.5);
        }
    BeamRobot(w, 2, 3, 3, 0);
    const Vec3 third = RobotGroundTruth(w, 2).torso;
    w.RemoveRobot(0);
    EXPECT_EQ(w.RobotCount(), 2);
    EXPECT_EQ(RobotGroundTruth(w, 1).torso.x, third.x);
    // The freed spot is reused by the next robot.
    const int again = w.AddRobot();
    EXPECT_EQ(again, 2);
    EXPECT_NEAR(RobotGroundTruth(w, again).torso.x, -10.0, 1e-9);
    Steps(w, 20);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(RobotGroundTruth(w, i).fallen);
}

TEST(Placement, WorldBuiltWithRobotsParksThemLikeJoiningOnes) {
    World w(4);
    ASSERT_EQ(w.RobotCount(), 4);
    for (int i = 0; i < 4; ++i) {
        const RobotTruth t = RobotGroundTruth(w, i);
        EXPECT_NEAR(t.torso.x, -10.0 + 0.7 * i, 1e-9);
        EXPECT_NEAR(t.torso.y, -7.6, 1e-9);
        EXPECT_NEAR(t.headingDeg, 90.0, 1e-9);
        EXPECT_NEAR(LowestPointZ(w, i), 0.0, 1e-9);
    }
    Steps(w, 25);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(RobotGroundTruth(w, i).fallen);
}
