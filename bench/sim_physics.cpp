// Physics cost of the simulator per 20 ms cycle: 1, 2, 18 and 22 robots standing in the
// crouched stance plus the ball, and 22 robots lying on the ground. The "rtf" counter is the
// real-time factor (simulated seconds per wall-clock second).
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <thread>

#include "sim/physics/placement.h"
#include "sim/physics/sensors.h"
#include "sim/physics/vision.h"
#include "sim/physics/world.h"

namespace {

// Hip pitch, knee and ankle pitch of the crouched stance, degrees, by joint index.
void CommandCrouch(sim::World& world, int robot, double fraction) {
    const sim::RobotSensors s = sim::ReadSensors(world, robot);
    std::array<double, sim::kJointCount> target{};
    target[6] = target[7] = 24.5 * fraction;
    target[8] = target[9] = -77.0 * fraction;
    target[10] = target[11] = 52.49 * fraction;
    for (int j = 0; j < sim::kJointCount; ++j)
        world.Command(robot, j, 0.2 * (target[j] - s.jointDeg[j]) / sim::kDegPerRad / 0.02);
}

// Robots on a grid 2 m apart, clear of the ball on the centre spot.
void Populate(sim::World& world, int robots, bool lying) {
    for (int i = 0; i < robots; ++i) {
        const double x = -9.0 + 2.0 * (i % 10), y = -5.0 + 2.5 * (i / 10);
        if (lying)
            sim::PlaceRobot(world, i, {x, y, 0.1}, 0.0, i % 2 ? 90.0 : -90.0);
        else
            sim::BeamRobot(world, i, x, y, 0.0);
    }
    for (int k = 1; k <= 100; ++k) {
        for (int i = 0; i < robots; ++i) CommandCrouch(world, i, std::min(1.0, k / 50.0));
        world.StepCycle();
    }
}

void RunCycles(benchmark::State& state, sim::World& world) {
    const int robots = world.RobotCount();
    for (auto _ : state) {
        for (int i = 0; i < robots; ++i)
            for (int j = 0; j < sim::kJointCount; ++j) world.Command(i, j, 0.0);
        world.StepCycle();
    }
    state.counters["rtf"] =
        benchmark::Counter(sim::kCycleSeconds * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["recoveries"] = world.Recoveries();
}

// Arguments: robots, and the rooms the model has (the server's: 22); empty rooms are stored
// away and cost only their share of the per-body passes.
void BM_CycleStanding(benchmark::State& state) {
    sim::World world(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    Populate(world, world.RobotCount(), false);
    RunCycles(state, world);
}
BENCHMARK(BM_CycleStanding)
    ->Args({1, 1})
    ->Args({2, 2})
    ->Args({18, 18})
    ->Args({22, 22})
    ->Args({1, 22})
    ->Args({2, 22})
    ->Args({18, 22})
    ->Unit(benchmark::kMillisecond);

void BM_CycleFallen(benchmark::State& state) {
    sim::World world(static_cast<int>(state.range(0)));
    Populate(world, world.RobotCount(), true);
    RunCycles(state, world);
}
BENCHMARK(BM_CycleFallen)->Arg(22)->Unit(benchmark::kMillisecond);

// What the server adds per cycle: every robot's sensors, and vision every third cycle.
void BM_ReadoutAllRobots(benchmark::State& state) {
    sim::World world(static_cast<int>(state.range(0)));
    Populate(world, world.RobotCount(), false);
    sim::Vision vision(true, 1);
    for (auto _ : state) {
        for (int i = 0; i < world.RobotCount(); ++i) {
            benchmark::DoNotOptimize(sim::ReadSensors(world, i));
            benchmark::DoNotOptimize(vision.See(world, i));
        }
    }
}
BENCHMARK(BM_ReadoutAllRobots)->Arg(22)->Unit(benchmark::kMicrosecond);

// A robot joining a running world of 21: the model is rebuilt and every state carried over.
void BM_JoinTwentySecond(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        sim::World world(21);
        state.ResumeTiming();
        world.AddRobot();
    }
}
BENCHMARK(BM_JoinTwentySecond)->Unit(benchmark::kMillisecond)->Iterations(5);

// A robot joining a world of 21 built with room for 22, then the first robot leaving: no
// rebuild, the later robots move down one room.
void BM_JoinAndLeaveWithRoom(benchmark::State& state) {
    sim::World world(21, 22);
    for (auto _ : state) {
        world.AddRobot();
        world.RemoveRobot(0);
    }
}
BENCHMARK(BM_JoinAndLeaveWithRoom)->Unit(benchmark::kMillisecond);

// What a join costs the loop when the model needs another room: the model is built on another
// thread (not timed), taking it between two cycles is.
void BM_AdoptRoomForTwentySecond(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        sim::World world(21);
        world.RequestRooms(22);
        while (world.FreeRooms() == 0) {
            state.ResumeTiming();
            const bool adopted = world.AdoptPreparedRooms();
            state.PauseTiming();
            if (!adopted) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        world.AddRobot();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AdoptRoomForTwentySecond)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
