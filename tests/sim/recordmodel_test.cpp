// The recording's robot model: a viewer that places the recorded bodies from the torso pose
// and the 22 joint angles alone draws every shape where the physics has it.
#include "sim/server/recordmodel.h"

#include <gtest/gtest.h>

#include <random>

#include "sim/placement.h"
#include "sim/worldxml.h"

namespace {

struct Quat {
    double w = 1, x = 0, y = 0, z = 0;
};

Quat Mul(const Quat& a, const Quat& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

sim::Vec3 Rotate(const Quat& q, sim::Vec3 v) {
    Quat p = Mul(Mul(q, {0, v.x, v.y, v.z}), {q.w, -q.x, -q.y, -q.z});
    return {p.x, p.y, p.z};
}

Quat AxisAngle(const double* axis, double rad) {
    double s = std::sin(rad / 2);
    return {std::cos(rad / 2), axis[0] * s, axis[1] * s, axis[2] * s};
}

struct Frame {
    sim::Vec3 pos;
    Quat rot;
};

// What a viewer does with a cycle record.
std::vector<Frame> PlaceBodies(const std::vector<RecordBody>& bodies, const RecordRobot& r) {
    std::vector<Frame> frames;
    for (const RecordBody& b : bodies) {
        Frame f;
        if (b.parent < 0) {
            f.pos = {r.pos[0], r.pos[1], r.pos[2]};
            f.rot = {r.quat[0], r.quat[1], r.quat[2], r.quat[3]};
        } else {
            const Frame& p = frames[b.parent];
            f.pos = p.pos + Rotate(p.rot, {b.pos[0], b.pos[1], b.pos[2]});
            f.rot = Mul(p.rot, {b.quat[0], b.quat[1], b.quat[2], b.quat[3]});
        }
        if (b.joint >= 0)
            f.rot = Mul(f.rot, AxisAngle(b.axis, r.joints[b.joint] / sim::kDegPerRad));
        frames.push_back(f);
    }
    return frames;
}

TEST(RecordModel, ShapesPlacedFromTheRecordMatchThePhysicsInAnyPose) {
    const RecordHeader header = MakeRecordHeader(300);
    ASSERT_EQ(static_cast<size_t>(kWireJointCount), header.joints.size());
    int joints = 0;
    for (const RecordBody& b : header.bodies) joints += b.joint >= 0;
    EXPECT_EQ(kWireJointCount, joints);  // every joint turns one body

    sim::World world(2);
    std::mt19937 rng(7);
    for (int trial = 0; trial < 5; ++trial) {
        const int robot = trial % 2;
        std::uniform_real_distribution<double> u(0, 1);
        sim::PlaceRobot(world, robot, {u(rng) * 4 - 2, u(rng) * 4 - 2, 0.5}, u(rng) * 360 - 180,
                        u(rng) * 180 - 90);
        mjData* d = world.Data();
        const sim::RobotLayout& layout = world.RobotAt(robot);
        for (int j = 0; j < kWireJointCount; ++j) {
            const sim::JointLimits lim = layout.limits[j];
            d->qpos[layout.jointQpos[j]] = lim.minRad + u(rng) * (lim.maxRad - lim.minRad);
        }
        mj_kinematics(world.Model(), d);
        // Through the record's text, as a viewer gets it.
        RecordCycle cycle, read;
        cycle.robots.push_back(RobotRecord(world, robot, {true, 1}));
        std::string error;
        ASSERT_TRUE(ReadCycleRecord(WriteCycleRecord(cycle), read, error)) << error;
        const RecordRobot& rec = read.robots[0];
        const std::vector<Frame> frames = PlaceBodies(header.bodies, rec);
        // Every shape of the record against the same geom of the physics.
        int compared = 0;
        for (size_t b = 0; b < header.bodies.size(); ++b)
            for (const RecordGeom& g : header.bodies[b].geoms) {
                const int id = mj_name2id(world.Model(), mjOBJ_GEOM,
                                          (sim::RobotPrefix(robot) + g.name).c_str());
                ASSERT_GE(id, 0) << g.name;
                const sim::Vec3 want = sim::ToVec3(d->geom_xpos + 3 * id);
                const sim::Vec3 got =
                    frames[b].pos + Rotate(frames[b].rot, {g.pos[0], g.pos[1], g.pos[2]});
                // The record keeps 0.1 deg per joint and mm: a few mm along a leg.
                EXPECT_LT(sim::Norm(got - want), 0.004) << g.name << " trial " << trial;
                ++compared;
            }
        EXPECT_EQ(12, compared);  // the head's sphere and 11 boxes
    }
}

}  // namespace
