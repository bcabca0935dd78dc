// Recording cost per 20 ms cycle of a match with 18 robots: taking the records from the world,
// writing the cycle's JSON line, and compressing it into the recording file. Counters: "bytes"
// compressed per cycle and "MB_per_min" per simulated minute (for moving robots whose joints
// swing; a real match's figure is in its report folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/physics/placement.h"
#include "sim/physics/world.h"
#include "sim/record/recordfile.h"
#include "sim/record/recordmodel.h"

namespace {

const int kRobots = 18;
const int kCycles = 500;

// 18 robots on a grid whose joints swing at different rates, recorded for kCycles cycles.
struct MovingMatch {
    sim::World world{kRobots};
    std::vector<RecordCycle> cycles;

    MovingMatch() {
        for (int i = 0; i < kRobots; ++i)
            sim::BeamRobot(world, i, -9.0 + 2.0 * (i % 9), i < 9 ? -3.0 : 3.0, 0.0);
        for (int k = 0; k < kCycles; ++k) {
            for (int i = 0; i < kRobots; ++i)
                for (int j = 0; j < sim::kJointCount; ++j)
                    world.Command(i, j, 0.5 * std::sin(0.05 * k * (1 + j % 5) + i));
            world.StepCycle();
            cycles.push_back(Snapshot(k));
        }
    }

    RecordCycle Snapshot(int k) const {
        RecordCycle c;
        c.time = 0.02 * (k + 1);
        c.gameTime = c.time;
        c.playMode = "PlayOn";
        c.teamLeft = "Marrowfinch";
        c.teamRight = "Marrowfinch-B";
        for (int i = 0; i < kRobots; ++i)
            c.robots.push_back(RobotRecord(world, i, {i < 9, 1 + i % 9}));
        return c;
    }
};

MovingMatch& Match() {
    static MovingMatch match;
    return match;
}

void BM_TakeRobotRecords(benchmark::State& state) {
    MovingMatch& m = Match();
    int k = 0;
    for (auto _ : state) benchmark::DoNotOptimize(m.Snapshot(k++));
}
BENCHMARK(BM_TakeRobotRecords)->Unit(benchmark::kMicrosecond);

void BM_WriteCycleLine(benchmark::State& state) {
    MovingMatch& m = Match();
    size_t k = 0, bytes = 0;
    for (auto _ : state) {
        const std::string line = WriteCycleRecord(m.cycles[k++ % m.cycles.size()]);
        bytes += line.size();
        benchmark::DoNotOptimize(line.data());
    }
    state.counters["json_bytes"] = static_cast<double>(bytes) / state.iterations();
}
BENCHMARK(BM_WriteCycleLine)->Unit(benchmark::kMicrosecond);

// Line and compression together, a frame ended every 50 cycles as pitchsim does.
void BM_RecordCycle(benchmark::State& state) {
    MovingMatch& m = Match();
    const std::string path = "/tmp/bench_record_" + std::to_string(getpid()) + ".zst";
    RecordFileWriter writer;
    std::string error;
    if (!writer.Open(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    size_t k = 0;
    for (auto _ : state) {
        writer.WriteLine(WriteCycleRecord(m.cycles[k % m.cycles.size()]));
        if (++k % 50 == 0) writer.EndFrame();
    }
    writer.Close();
    const double perCycle = static_cast<double>(writer.BytesWritten()) / state.iterations();
    state.counters["bytes"] = perCycle;
    state.counters["MB_per_min"] = perCycle * 3000 / 1e6;
    std::remove(path.c_str());
}
BENCHMARK(BM_RecordCycle)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
