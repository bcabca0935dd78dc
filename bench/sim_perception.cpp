// Cost of writing the perceptions of one cycle for 22 robots: sensors, the camera (landmarks,
// ball, robots and, with lines on, every field line clipped to the view) and the text, on a
// vision cycle and on a cycle without vision. Noise and calibration errors on, as by default.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "sim/physics/field.h"
#include "sim/physics/placement.h"
#include "sim/physics/sensors.h"
#include "sim/physics/vision.h"
#include "sim/physics/world.h"
#include "sim/server/perception.h"

namespace {

constexpr int kRobots = 22;

PolarReading Reading(const sim::Polar& p) {
    return {p.distance, p.horizontalDeg, p.verticalDeg};
}

// Two teams in their halves facing each other, the ball on the centre spot.
void LineUp(sim::World& world) {
    for (int i = 0; i < kRobots; ++i) {
        const bool left = i < 11;
        const double x = (left ? -1 : 1) * (1.0 + 0.9 * (i % 11)), y = -5.0 + (i % 11);
        sim::BeamRobot(world, i, x, y, left ? 0.0 : 180.0);
    }
}

// One robot's perception, as the server assembles it from the readings.
RobotPerception Perceive(const sim::World& world, sim::Vision& vision,
                         const sim::CameraCalibration& calibration, int robot, bool visionCycle) {
    const sim::RobotSensors s = sim::ReadSensors(world, robot);
    RobotPerception p;
    p.time = world.Time();
    p.identified = true;
    p.unum = robot % 11 + 1;
    p.leftSide = robot < 11;
    p.playMode = "PlayOn";
    p.gyro[0] = s.gyroDegPerSec.x, p.gyro[1] = s.gyroDegPerSec.y, p.gyro[2] = s.gyroDegPerSec.z;
    p.acc[0] = s.accel.x, p.acc[1] = s.accel.y, p.acc[2] = s.accel.z;
    for (int j = 0; j < sim::kJointCount; ++j) p.joints[j] = s.jointDeg[j];
    p.leftFoot.touching = s.feet[0].touching;
    p.rightFoot.touching = s.feet[1].touching;
    if (!visionCycle) return p;
    p.visionCycle = true;
    const sim::VisionReading v = vision.See(world, robot, calibration);
    for (const sim::SeenLandmark& l : v.landmarks) p.objects.push_back({l.name, Reading(l.pol)});
    if (v.ballSeen) p.objects.push_back({"B", Reading(v.ball)});
    for (const sim::SeenRobot& r : v.robots) {
        SeenRobot seen;
        seen.team = r.robot < 11 ? "Marrowfinch" : "Opponents";
        seen.unum = r.robot % 11 + 1;
        for (const sim::SeenPart& part : r.parts)
            seen.parts.push_back({part.name, Reading(part.pol)});
        p.robots.push_back(seen);
    }
    for (const sim::SeenLine& l : v.lines) p.lines.push_back({Reading(l.a), Reading(l.b)});
    return p;
}

// args: lines (0/1), vision cycle (0/1).
void BM_PerceptionsOfACycle(benchmark::State& state) {
    const bool lines = state.range(0) != 0, visionCycle = state.range(1) != 0;
    sim::World world(kRobots);
    LineUp(world);
    world.StepCycle();
    sim::Vision vision(true, 1, lines);
    std::vector<sim::CameraCalibration> calibration;
    for (int i = 0; i < kRobots; ++i) calibration.push_back(vision.DrawCalibration());
    size_t bytes = 0, lineGroups = 0;
    for (auto _ : state) {
        bytes = lineGroups = 0;
        for (int i = 0; i < kRobots; ++i) {
            const RobotPerception p = Perceive(world, vision, calibration[i], i, visionCycle);
            const std::string text = WritePerception(p);
            benchmark::DoNotOptimize(text.data());
            bytes += text.size();
            lineGroups += p.lines.size();
        }
    }
    state.counters["bytes_per_robot"] = static_cast<double>(bytes) / kRobots;
    state.counters["lines_per_robot"] = static_cast<double>(lineGroups) / kRobots;
}
BENCHMARK(BM_PerceptionsOfACycle)
    ->ArgNames({"lines", "vision"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

// The field lines alone: every marking clipped to the view of each of the 22 cameras.
void BM_FieldLinesOfACycle(benchmark::State& state) {
    sim::World world(kRobots);
    LineUp(world);
    std::vector<sim::Pose> cameras;
    for (int i = 0; i < kRobots; ++i) cameras.push_back(sim::CameraPose(world, i));
    size_t pieces = 0;
    for (auto _ : state) {
        pieces = 0;
        for (const sim::Pose& camera : cameras)
            for (const sim::FieldLine& l : sim::FieldLines())
                pieces += sim::ClipToView(camera, l.a, l.b).size();
        benchmark::DoNotOptimize(pieces);
    }
    state.counters["lines_per_robot"] = static_cast<double>(pieces) / kRobots;
}
BENCHMARK(BM_FieldLinesOfACycle)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
