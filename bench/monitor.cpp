// What the web monitor costs the simulation thread per streamed cycle: handing a 9 v 9 cycle
// record (about 4.5 kB) to the stream hub while 0, 1 or 5 viewer threads take every record.
// The record's JSON is bench_record's BM_WriteCycleLine (shared with the recording).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sim/monitor/monitorstream.h"

namespace {

void BM_PublishWithViewers(benchmark::State& state) {
    const int viewers = static_cast<int>(state.range(0));
    StreamHub hub;
    hub.SetHeader("{}");
    std::atomic<bool> running{true};
    std::atomic<long> taken{0};
    std::vector<std::thread> threads;
    for (int v = 0; v < viewers; ++v)
        threads.emplace_back([&] {
            StreamHub::Cursor cursor = hub.Join();
            std::vector<StreamHub::Record> got;
            while (running) {
                got.clear();
                if (hub.Read(cursor, got, std::chrono::milliseconds(10)) == StreamHub::kLagged)
                    cursor = hub.Join();
                taken += static_cast<long>(got.size());
            }
            hub.Leave();
        });
    const std::string record(4500, 'x');
    for (auto _ : state) hub.Publish(record);
    running = false;
    for (std::thread& t : threads) t.join();
    state.counters["taken_per_publish"] =
        viewers ? static_cast<double>(taken) / state.iterations() / viewers : 0;
}
BENCHMARK(BM_PublishWithViewers)
    ->Arg(0)
    ->Arg(1)
    ->Arg(5)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
