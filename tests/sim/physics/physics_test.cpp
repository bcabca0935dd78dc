// Through the physics: stance, servo, bad commands, joint signs, falls, ball, rooms, recovery.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "sim/physics/worldxml.h"
#include "sim_fixture.h"

using namespace sim;
using namespace simtest;

namespace {

// A body's origin relative to the torso, model frame (x right, y forward) to agent (x fwd, y left).
Vec3 BodyInAgentFrame(const World& w, int robot, const std::string& body) {
    const mjData* d = w.Data();
    const int torso = w.RobotAt(robot).torsoBody;
    const int id = mj_name2id(w.Model(), mjOBJ_BODY, (RobotPrefix(robot) + body).c_str());
    const Vec3 m =
        ToRot3(d->xmat + 9 * torso).ToLocal(ToVec3(d->xpos + 3 * id) - ToVec3(d->xpos + 3 * torso));
    return {m.y, -m.x, m.z};
}

}  // namespace

TEST(Motors, CrouchedStanceHoldsForAMinuteThenZeroCommandsHoldTheAngles) {
    OneRobot r;
    r.Crouch();
    const double weight = 4.6071 * 9.81;  // N
    for (int k = 0; k < 3000; ++k) {      // 60 s
        CommandToward(r.world, r.robot, CrouchedStance());
        r.world.StepCycle();
        if (k % 50 != 0) continue;
        const RobotSensors s = ReadSensors(r.world, r.robot);
        ASSERT_TRUE(s.feet[kLeftFoot].touching && s.feet[kRightFoot].touching) << "cycle " << k;
        ASSERT_NEAR(s.feet[kLeftFoot].force.z + s.feet[kRightFoot].force.z, weight, 0.01 * weight);
    }
    const RobotSensors before = ReadSensors(r.world, r.robot);
    EXPECT_NEAR(before.jointDeg[kLlj4], -77.0, 0.5);
    EXPECT_LT(Norm(before.accel - Vec3{0, 0, 9.81}), 0.05);      // the ground's push, torso frame
    EXPECT_NEAR(before.feet[kLeftFoot].centre.z, -0.01, 0.002);  // on the sole, foot frame
    CommandAll(r.world, r.robot, 0.0);
    Steps(r.world, 1500);  // 30 s
    for (int j = 0; j < kJointCount; ++j)
        EXPECT_NEAR(r.Deg(j), before.jointDeg[j], 0.1) << kJointNames[j].perceptor;
    EXPECT_GT(r.Truth().upZ, 0.99);
}

TEST(Motors, CommandActsOneCycleLateIsKeptAndStopsWithoutCreeping) {
    OneRobot r;
    r.Crouch();
    CommandAll(r.world, r.robot, 0.0);
    Steps(r.world, 5);
    const double start = r.Deg(kHj1);
    r.world.Command(r.robot, kHj1, 2.0);
    r.world.StepCycle();  // the step before the next perception: not yet
    EXPECT_NEAR(r.Deg(kHj1), start, 1e-3);
    Steps(r.world, 9);  // no new command: the last one is kept, 10 cycles of motion in all
    r.world.Command(r.robot, kHj1, 0.0);
    Steps(r.world, 40);
    const double moved = r.Deg(kHj1) - start;
    EXPECT_NEAR(moved, 2.0 * 0.2 * kDegPerRad, 0.3);  // 22.9 degrees
    Steps(r.world, 250);
    EXPECT_NEAR(r.Deg(kHj1) - start, moved, 0.02);
}

TEST(Motors, NonFiniteCommandsAreRefusedHugeOnesClampedAndGarbageKeepsTheWorldValid) {
    OneRobot r;
    const double garbage[] = {1e300, -1e300, std::nan(""), -HUGE_VAL};
    EXPECT_FALSE(r.world.Command(r.robot, kHj1, garbage[2]));
    EXPECT_TRUE(r.world.Command(r.robot, kHj1, garbage[1]));
    Steps(r.world, 6);
    const double a = r.Deg(kHj1);
    r.world.StepCycle();
    EXPECT_NEAR(r.Deg(kHj1) - a, -kMaxJointSpeedRadPerSec * 0.02 * kDegPerRad, 0.3);
    for (int k = 0; k < 250; ++k) {
        for (int j = 0; j < kJointCount; ++j) r.world.Command(r.robot, j, garbage[(k + j) % 4]);
        r.world.StepCycle();
    }
    for (int i = 0; i < r.world.Model()->nv; ++i)
        ASSERT_TRUE(std::isfinite(r.world.Data()->qvel[i]));
}

// Worked by hand from the agent's link table; hip yaw-pitch axis (0, 1, -+1)/sqrt2 left/right.
TEST(Kinematics, SingleJointPosesMatchTheAgentsForwardKinematics) {
    OneRobot r;
    const auto expect = [&](const char* body, int joint, double deg, Vec3 agent) {
        for (int j = 0; j < kJointCount; ++j)
            r.world.Data()->qpos[r.world.RobotAt(r.robot).jointQpos[j]] =
                j == joint ? deg / kDegPerRad : 0;
        mj_kinematics(r.world.Model(), r.world.Data());
        EXPECT_LT(Norm(BodyInAgentFrame(r.world, r.robot, body) - agent), 1e-5)
            << body << " " << joint;
    };
    expect("lankle", kLlj3, 90, {0.21, 0.055, -0.11});           // hip pitch: leg forward
    expect("lankle", kLlj4, -90, {-0.105, 0.055, -0.235});       // knee: shin backward
    expect("lankle", 2, -90, {0.145563, 0.168536, -0.221464});   // llj1
    expect("rankle", 3, -90, {0.145563, -0.168536, -0.221464});  // rlj1, mirrored
}

TEST(Kinematics, PositiveCommandsTurnTheDocumentedWay) {
    OneRobot r(0, 0, 0);  // facing +x; its left is +y
    Steps(r.world, 10);
    EXPECT_NEAR(r.Truth().torso.z, 0.385, 2e-3);  // the sole lies 0.05 below the ankle
    const Vec3 view0 = ReadSensors(r.world, r.robot).camera.rot.Column(1);
    for (int j : {kHj1, kHj2}) r.world.Command(r.robot, j, 1.0);
    Steps(r.world, 8);
    const Vec3 view1 = ReadSensors(r.world, r.robot).camera.rot.Column(1);
    EXPECT_GT(view1.z - view0.z, 0.1);  // the view axis rises
    EXPECT_GT(view1.y - view0.y, 0.1);  // and turns to the left
    const Vec3 foot0 = BodyInAgentFrame(r.world, r.robot, "lfoot");
    for (int j : {kLlj2, kLlj3}) r.world.Command(r.robot, j, 1.0);
    Steps(r.world, 8);
    const Vec3 foot1 = BodyInAgentFrame(r.world, r.robot, "lfoot");
    EXPECT_GT(foot1.x - foot0.x, 0.015);  // the foot goes forward
    EXPECT_GT(foot1.y - foot0.y, 0.01);   // and to the left
}

TEST(Placement, KnockedRobotFallsTheNamedWayAndItsGyroSeesTheTurn) {
    // Model frame: x right, y forward; the gyro in the torso frame, deg/s.
    const struct {
        KnockDirection direction;
        int axis;      // model axis pointing straight down or up at the end
        double endZ;   // its z at the end
        int gyroAxis;  // model axis of the turn
        double gyroSign;
    } cases[] = {
        {KnockDirection::kFront, 1, -1, 0, -1},  // face down: forward axis down, pitching over
        {KnockDirection::kBack, 1, +1, 0, +1},
        {KnockDirection::kLeft, 0, +1, 1, -1},  // onto its left side: the right axis up
        {KnockDirection::kRight, 0, -1, 1, +1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.direction));
        OneRobot r(1, -2, 45);
        r.Crouch();
        KnockRobot(r.world, r.robot, c.direction);
        CommandToward(r.world, r.robot, CrouchedStance());
        r.world.StepCycle();
        const Vec3 gyro = ReadSensors(r.world, r.robot).gyroDegPerSec;
        const double turn[3] = {gyro.x, gyro.y, gyro.z};
        EXPECT_GT(c.gyroSign * turn[c.gyroAxis], 60.0);  // a real turn, well above noise
        for (int k = 0; k < 150; ++k) {
            CommandToward(r.world, r.robot, CrouchedStance());
            r.world.StepCycle();
        }
        EXPECT_TRUE(r.Truth().fallen);
        const int torso = r.world.RobotAt(r.robot).torsoBody;
        const Vec3 axis = ToRot3(r.world.Data()->xmat + 9 * torso).Column(c.axis);
        EXPECT_GT(c.endZ * axis.z, 0.7) << axis.z;
        // It fell where it stood, not thrown across the pitch.
        EXPECT_LT(std::hypot(r.Truth().torso.x - 1, r.Truth().torso.y + 2), 0.5);
    }
}

TEST(Ball, DroppedFromOneMetreBouncesAndComesToRest) {
    World w;
    PlaceBall(w, {1, 2, 1.0});
    double reboundTop = -1;          // the highest point after first reaching the ground
    for (int k = 0; k < 250; ++k) {  // 5 s
        w.StepCycle();
        const double z = BallGroundTruth(w).pos.z;
        if (reboundTop >= 0 || z < kBallRadius + 0.005) reboundTop = std::max(reboundTop, z);
    }
    EXPECT_GT(reboundTop, 0.1);  // bounced up again
    EXPECT_LT(reboundTop, 0.8);  // losing energy
    EXPECT_NEAR(BallGroundTruth(w).pos.z, kBallRadius, 0.003);
    EXPECT_LT(Norm(BallGroundTruth(w).vel), 1e-3);
}

TEST(Ball, KickedAtTwoMetresPerSecondRollsAndStops) {
    World w;
    PlaceBall(w, {0, 0, kBallRadius}, {0, -2, 0});
    w.StepCycle();
    EXPECT_NEAR(BallGroundTruth(w).vel.y, -2.0, 0.05);  // rolling, not skidding to a halt
    Steps(w, 500);                                      // 10 s
    const BallTruth b = BallGroundTruth(w);
    // Exponential decay of the speed, which the agents' ball predictor assumes: v0 / k.
    EXPECT_NEAR(-b.pos.y, 2.0 / kBallDecayPerSecond, 0.05);
    w.StepCycle();
    EXPECT_NEAR(BallGroundTruth(w).pos.y, b.pos.y, 1e-4);  // stopped, not creeping
}

namespace {

std::vector<sim::Vec3> Torsos(const sim::World& world) {
    std::vector<sim::Vec3> torsos;
    for (int i = 0; i < world.RobotCount(); ++i)
        torsos.push_back(sim::RobotGroundTruth(world, i).torso);
    return torsos;
}

void ExpectSamePlaces(const std::vector<sim::Vec3>& want, const std::vector<sim::Vec3>& got) {
    ASSERT_LE(want.size(), got.size());
    for (size_t i = 0; i < want.size(); ++i) EXPECT_LT(sim::Norm(want[i] - got[i]), 1e-9) << i;
}

TEST(Rooms, JoiningAndLeavingWithoutRebuildingAndGrowingAside) {
    sim::World world(3, 4);
    const double xs[] = {-6, -4, -2};
    for (int i = 0; i < 3; ++i) sim::BeamRobot(world, i, xs[i], 1, 0);
    Steps(world, 5);
    const mjModel* model = world.Model();
    std::vector<sim::Vec3> before = Torsos(world);

    // The first leaves: the others move down one index, where they stood.
    world.RemoveRobot(0);
    EXPECT_EQ(2, world.RobotCount());
    EXPECT_EQ(2, world.FreeRooms());
    ExpectSamePlaces({before[1], before[2]}, Torsos(world));
    // Two join into the empty rooms: upright beside the touch line, no rebuild.
    EXPECT_EQ(2, world.AddRobot());
    EXPECT_EQ(3, world.AddRobot());
    EXPECT_EQ(model, world.Model());
    EXPECT_EQ(0, world.FreeRooms());
    for (int i = 2; i < 4; ++i) {
        EXPECT_NEAR(-7.6, sim::RobotGroundTruth(world, i).torso.y, 0.01);
        EXPECT_GT(sim::RobotGroundTruth(world, i).upZ, 0.99);
    }
    Steps(world, 5);

    // A bigger model is built aside while the world runs, then taken between two cycles.
    before = Torsos(world);
    world.RequestRooms(6);
    int cycles = 0;
    while (!world.AdoptPreparedRooms() && cycles < 1000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        cycles++;
    }
    EXPECT_NE(model, world.Model());
    EXPECT_EQ(2, world.FreeRooms());
    ExpectSamePlaces(before, Torsos(world));
    // Empty rooms never show: nothing of them near the field, no touches, no blow-up.
    Steps(world, 50);
    for (const sim::Vec3& t : Torsos(world)) EXPECT_TRUE(std::fabs(t.x) < 11 && std::fabs(t.y) < 8);
    EXPECT_EQ(0, world.Recoveries());
}

TEST(Recovery, ABodyThatBreaksThePhysicsEveryCycleIsPutBack) {
    for (bool ballOffends : {true, false}) {  // the offender: the ball far away, or robot 0
        SCOPED_TRACE(ballOffends);
        sim::World world;
        sim::BeamRobot(world, world.AddRobot(), -2, 0, 0);
        sim::BeamRobot(world, world.AddRobot(), -4, 2, 0);
        sim::PlaceBall(world, {3, 3, sim::kBallRadius});
        Steps(world, 10);
        const sim::Vec3 bystander = sim::RobotGroundTruth(world, 1).torso;
        if (ballOffends)
            sim::PlaceBall(world, {1e30, 0, 0.042});
        else
            sim::PlaceRobot(world, 0, {0, 1e30, 0.4}, 0, 0);
        Steps(world, 50);
        EXPECT_LE(world.Recoveries(), 2);  // rolled back at most twice, then repaired
        const sim::Vec3 ball = sim::BallGroundTruth(world).pos;
        const sim::Vec3 robot = sim::RobotGroundTruth(world, 0).torso;
        EXPECT_LT(std::hypot(ball.x, ball.y), ballOffends ? 0.5 : 15);  // 0.5: the centre spot
        EXPECT_LT(std::hypot(robot.x, robot.y), 15);
        EXPECT_FALSE(sim::RobotGroundTruth(world, 0).fallen);
        const sim::Vec3 now = sim::RobotGroundTruth(world, 1).torso;
        EXPECT_LT(std::hypot(now.x - bystander.x, now.y - bystander.y), 0.05);
    }
}

}  // namespace
