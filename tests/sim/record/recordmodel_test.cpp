// Shapes placed from a cycle record (torso pose, joints) land where the physics has them.
#include "sim/record/recordmodel.h"

#include <gtest/gtest.h>

#include <random>

#include "sim/physics/placement.h"
#include "sim/physics/worldxml.h"

namespace {

struct Frame {
    mjtNum pos[3], quat[4];
};

// What a viewer does with a cycle record: each body from its parent, turned about its joint.
std::vector<Frame> PlaceBodies(const std::vector<RecordBody>& bodies, const RecordRobot& r) {
    std::vector<Frame> frames;
    for (const RecordBody& b : bodies) {
        Frame f{{r.pos[0], r.pos[1], r.pos[2]}, {r.quat[0], r.quat[1], r.quat[2], r.quat[3]}};
        if (b.parent >= 0) {
            const Frame& p = frames[b.parent];
            mju_rotVecQuat(f.pos, b.pos, p.quat);
            mju_addTo3(f.pos, p.pos);
            mju_mulQuat(f.quat, p.quat, b.quat);
        }
        if (b.joint >= 0) {
            mjtNum turn[4];
            mju_axisAngle2Quat(turn, b.axis, r.joints[b.joint] / sim::kDegPerRad);
            mju_mulQuat(f.quat, f.quat, turn);
        }
        frames.push_back(f);
    }
    return frames;
}

TEST(RecordModel, ShapesPlacedFromTheRecordMatchThePhysicsInAnyPose) {
    // The header and the cycles go through the record's text, as a viewer gets them.
    RecordHeader header;
    std::string error;
    const std::string headerLine = WriteHeaderRecord(MakeRecordHeader(300));
    ASSERT_TRUE(ReadHeaderRecord(headerLine, header, error)) << error;
    EXPECT_EQ(headerLine, WriteHeaderRecord(header));

    sim::World world(2);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (int trial = 0; trial < 5; ++trial) {
        const int robot = trial % 2;
        sim::PlaceRobot(world, robot, {u(rng) * 4 - 2, u(rng) * 4 - 2, 0.5}, u(rng) * 360 - 180,
                        u(rng) * 180 - 90);
        mjData* d = world.Data();
        const sim::RobotLayout& layout = world.RobotAt(robot);
        for (int j = 0; j < sim::kJointCount; ++j) {
            const sim::JointLimits lim = layout.limits[j];
            d->qpos[layout.jointQpos[j]] = lim.minRad + u(rng) * (lim.maxRad - lim.minRad);
        }
        mj_kinematics(world.Model(), d);
        RecordCycle cycle, read;
        cycle.robots.push_back(RobotRecord(world, robot, {true, 1}));
        ASSERT_TRUE(ReadCycleRecord(WriteCycleRecord(cycle), read, error)) << error;
        const std::vector<Frame> frames = PlaceBodies(header.bodies, read.robots[0]);
        int compared = 0;
        for (size_t b = 0; b < header.bodies.size(); ++b)
            for (const RecordGeom& g : header.bodies[b].geoms) {
                const int id = mj_name2id(world.Model(), mjOBJ_GEOM,
                                          (sim::RobotPrefix(robot) + g.name).c_str());
                ASSERT_GE(id, 0) << g.name;
                mjtNum got[3];
                mju_rotVecQuat(got, g.pos, frames[b].quat);
                mju_addTo3(got, frames[b].pos);
                // The record keeps 0.1 deg per joint and mm: a few mm along a leg.
                EXPECT_LT(sim::Norm(sim::ToVec3(got) - sim::ToVec3(d->geom_xpos + 3 * id)), 0.004)
                    << g.name << " trial " << trial;
                ++compared;
            }
        EXPECT_EQ(12, compared);  // the head's sphere and 11 boxes
    }
}

}  // namespace
