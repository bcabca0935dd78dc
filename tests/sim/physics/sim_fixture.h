// Helpers shared by the simulator tests: driving a robot like an agent does.
#pragma once

#include <algorithm>
#include <array>

#include "sim/physics/field.h"
#include "sim/physics/geometry.h"
#include "sim/physics/placement.h"
#include "sim/physics/robotdesc.h"
#include "sim/physics/sensors.h"
#include "sim/physics/truth.h"
#include "sim/physics/world.h"

namespace simtest {

using Angles = std::array<double, sim::kJointCount>;  // degrees, in the order of kJointNames

constexpr int kHj1 = 0, kHj2 = 1, kLlj2 = 4, kLlj3 = 6, kRlj3 = 7, kLlj4 = 8, kRlj4 = 9, kLlj5 = 10,
              kRlj5 = 11;  // in kJointNames

// The agent's crouched stance: hip pitch 24.5, knee -77, ankle pitch 52.49, as sensed.
inline Angles CrouchedStance() {
    Angles a{};
    a[kLlj3] = a[kRlj3] = 24.5;
    a[kLlj4] = a[kRlj4] = -77.0;
    a[kLlj5] = a[kRlj5] = 52.49;
    return a;
}

// One cycle of a proportional velocity law towards the targets, from the sensed angles.
inline void CommandToward(sim::World& world, int robot, const Angles& targetDeg) {
    const sim::RobotSensors s = sim::ReadSensors(world, robot);
    for (int j = 0; j < sim::kJointCount; ++j)
        world.Command(robot, j, 0.2 * (targetDeg[j] - s.jointDeg[j]) / sim::kDegPerRad / 0.02);
}

inline void CommandAll(sim::World& world, int robot, double radPerSec) {
    for (int j = 0; j < sim::kJointCount; ++j) world.Command(robot, j, radPerSec);
}

inline void Steps(sim::World& world, int cycles) {
    for (int k = 0; k < cycles; ++k) world.StepCycle();
}

// A world with one robot standing with zero joint angles at (x, y), facing headingDeg.
struct OneRobot {
    sim::World world;
    int robot = world.AddRobot();
    explicit OneRobot(double x = 0, double y = 0, double headingDeg = 0) {
        sim::PlaceBall(world, {5, 5, sim::kBallRadius});  // clear of the robot
        sim::BeamRobot(world, robot, x, y, headingDeg);
    }
    // Lowers the robot into the crouched stance over 1 s and lets it settle for another.
    void Crouch() {
        for (int k = 1; k <= 100; ++k) {
            Angles target = CrouchedStance();
            for (double& a : target) a *= std::min(1.0, k / 50.0);
            CommandToward(world, robot, target);
            world.StepCycle();
        }
    }
    double Deg(int joint) const { return sim::ReadSensors(world, robot).jointDeg[joint]; }
    sim::RobotTruth Truth() const { return sim::RobotGroundTruth(world, robot); }
};

}  // namespace simtest
