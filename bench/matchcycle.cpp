// The agent's whole cycle (parse, analyse, think with its command encoding) on a recorded
// stream: pitchsim runs a team of eight velorunner agents (numbers 1 to 8) and a recording
// client as number 9 of the same team, which answers every perception with (syn) and keeps
// 20 s of its perceptions after kick-off. The benchmark then replays them, in order and over
// again, into one agent's objects, and reports the median and the 99th percentile of a cycle's
// CPU time.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "behavior/naobehavior.h"
#include "body/player.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "support/simprocess.h"
#include "world/data.h"
#include "world/worldmodel.h"

namespace {

const int kRecordedCycles = 1000;  // 20 s

// CPU time of this thread, microseconds: on a shared machine the wall clock also counts the
// time the thread waited for a core.
double ThreadCpuMicros() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};

std::vector<std::string> RecordStream() {
    std::vector<std::string> stream;
    PitchSim sim;
    if (!sim.Start({"--sync", "--quiet", "--noise=off", "--auto-kickoff=0"})) return stream;
    TrainerClient trainer;
    trainer.Connect(sim.TrainerPort());
    std::vector<std::unique_ptr<ChildProcess>> agents;
    for (int unum = 1; unum <= 8; ++unum) {
        agents.push_back(std::make_unique<ChildProcess>());
        agents.back()->Start(VELORUNNER_BIN, {"--port=" + std::to_string(sim.AgentPort()),
                                              "--unum=" + std::to_string(unum)});
    }
    WireClient recorder;
    std::string perception;
    if (recorder.Connect(sim.AgentPort())) {
        recorder.Send("(scene rsg/agent/nao/nao.rsg)");
        if (recorder.Receive(perception))
            recorder.Send("(init (unum 9)(teamname " + DATA::TeamName + "))(syn)");
        bool kickedOff = false;
        while (static_cast<int>(stream.size()) < kRecordedCycles && recorder.Receive(perception)) {
            if (!kickedOff && NumberAfter(perception, "now") > 3) {
                trainer.Command("(kickOff Left)");
                kickedOff = true;
            }
            if (kickedOff) stream.push_back(perception);
            recorder.Send("(syn)");
        }
    }
    recorder.Close();
    sim.Stop();
    for (auto& agent : agents) agent->Wait(10);
    return stream;
}

void BM_AgentCycleOnRecordedStream(benchmark::State& state) {
    static const std::vector<std::string> stream = RecordStream();
    if (stream.empty()) {
        state.SkipWithError("no perception stream recorded");
        return;
    }
    DATA::Unum = "9";
    DATA::TeamSide = "left";
    DATA::SetPlayerLocation();
    NaoBehavior behavior("9");
    Player player("9");
    WorldModel world;
    MsgParse parser;
    NullBuffer null;
    std::streambuf* out = std::cout.rdbuf(&null);
    std::vector<double> cycles;
    size_t next = 0;
    for (auto _ : state) {
        const std::string& msg = stream[next];
        next = (next + 1) % stream.size();
        const double start = ThreadCpuMicros();
        parser.PareseMsg(msg, player, world);
        player.DataAnalyse(world);
        std::string reply = behavior.Think(msg, player, world);
        ++WorldModel::circleCount;
        benchmark::DoNotOptimize(reply);
        cycles.push_back(ThreadCpuMicros() - start);
    }
    std::cout.rdbuf(out);
    std::sort(cycles.begin(), cycles.end());
    state.counters["median_us"] = cycles[cycles.size() / 2];
    state.counters["p99_us"] = cycles[cycles.size() * 99 / 100];
    state.counters["messages"] = static_cast<double>(stream.size());
}
BENCHMARK(BM_AgentCycleOnRecordedStream)->Iterations(20000);

}  // namespace

BENCHMARK_MAIN();
