// Real-time factor of synced sessions: pitchsim --sync with N velorunner agents, two teams of
// N/2 (the left one takes the odd one out), kicked off once all have joined and beamed, timed over
// 60 s of simulated time (simulated seconds per wall second), the server's own CPU share (its CPU
// time over the wall time), both plain ratios, and the CPU time per cycle of the server and of all
// the agents together (what a loaded machine inflates least); then the server's own split of its
// cycle (ms of wall time per cycle by stage, over the whole run, from its closing line). PITCHSIM
// and VELORUNNER in the environment name other builds' binaries, to compare two builds with one
// runner.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/simprocess.h"

namespace {

const double kMeasuredSimSeconds = 60;
const double kWarmUpSimSeconds = 2;  // every agent has joined and beamed

double SimTime(TrainerClient& trainer) {
    return NumberAfter(trainer.Command("(getState)"), "time");
}

// User plus system CPU time of a process, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;  // fields 3..13
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / sysconf(_SC_CLK_TCK);
}

double CpuSeconds(const std::vector<std::unique_ptr<ChildProcess>>& agents) {
    double sum = 0;
    for (const auto& a : agents) sum += CpuSeconds(a->Pid());
    return sum;
}

std::string Velorunner() {
    const char* other = std::getenv("VELORUNNER");
    return other ? other : VELORUNNER_BIN;
}

struct Span {
    double simSeconds;  // simulated time measured
    double cpuSeconds;  // the server's CPU time over it
    double simEnd;      // the simulation clock at the end
};

// Waits out kMeasuredSimSeconds of simulated time and sets the iteration's wall time, the
// real-time factor, the server's CPU share and the CPU time per cycle of the server and the
// agents.
Span MeasureSpan(benchmark::State& state, TrainerClient& trainer, pid_t server,
                 const std::vector<std::unique_ptr<ChildProcess>>& agents) {
    // The robots in the world when the span starts: an agent that failed to join shows here.
    const std::string state0 = trainer.Command("(getState)");
    state.counters["robots"] = static_cast<double>(Count(state0, "(robot "));
    const double sim0 = SimTime(trainer), cpu0 = CpuSeconds(server);
    const double agentsCpu0 = CpuSeconds(agents);
    const auto wall0 = std::chrono::steady_clock::now();
    double simNow = sim0;
    while (simNow - sim0 < kMeasuredSimSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        simNow = SimTime(trainer);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = CpuSeconds(server) - cpu0;
    const double agentsCpu = CpuSeconds(agents) - agentsCpu0;
    const double cycles = (simNow - sim0) / 0.02;
    state.SetIterationTime(wall);
    state.counters["realtime_factor"] = (simNow - sim0) / wall;
    state.counters["server_cpu_share"] = cpu / wall;
    state.counters["server_cpu_ms_per_cycle"] = 1000 * cpu / cycles;
    state.counters["agents_cpu_ms_per_cycle"] = 1000 * agentsCpu / cycles;
    return {simNow - sim0, cpu, simNow};
}

void BM_SyncedSession(benchmark::State& state) {
    const int robots = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PitchSim sim;
        if (!sim.Start({"--sync", "--quiet", "--noise=off"})) {
            state.SkipWithError("pitchsim did not start");
            return;
        }
        TrainerClient trainer;
        trainer.Connect(sim.TrainerPort());
        std::vector<std::unique_ptr<ChildProcess>> agents;
        const int leftTeam = (robots + 1) / 2;
        for (int k = 0; k < robots; ++k) {
            std::vector<std::string> args = {"--port=" + std::to_string(sim.AgentPort())};
            if (k < leftTeam) {
                args.push_back("--unum=" + std::to_string(1 + k));
            } else {
                args.push_back("--unum=" + std::to_string(1 + k - leftTeam));
                args.insert(args.end(), {"--team=Marrowfinch-B", "--key=rbq"});
            }
            agents.push_back(std::make_unique<ChildProcess>());
            agents.back()->Start(Velorunner(), args);
        }

        // Until every robot is in: with a few agents a synced world runs far faster than with
        // all of them, and would have its span over before the last one joined.
        for (double end = WallSeconds() + 60;
             Count(trainer.Command("(getState)"), "(robot ") < static_cast<size_t>(robots) &&
             WallSeconds() < end;)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const double joined = SimTime(trainer);
        while (SimTime(trainer) < joined + kWarmUpSimSeconds)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // A trainer on the port means no automatic kick-off: the match is started here.
        trainer.Command("(kickOff Left)");
        MeasureSpan(state, trainer, sim.process.Pid(), agents);

        trainer.Command("(killsim)");
        for (auto& a : agents) a->Wait(10);
        sim.process.Wait(10);
        const std::string out = sim.process.Stdout();
        const size_t split = out.find("cycle cost");
        for (const char* stage :
             {"physics", "step-wait", "sensors", "vision", "text", "send", "replies", "waiting"}) {
            const size_t at = out.find(std::string(" ") + stage + " ", split);
            if (split != std::string::npos && at != std::string::npos)
                state.counters[std::string(stage) + "_ms"] =
                    std::strtod(out.c_str() + at + std::strlen(stage) + 2, nullptr);
        }
    }
}
BENCHMARK(BM_SyncedSession)
    ->Arg(1)
    ->Arg(2)
    ->Arg(18)
    ->Arg(22)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// A 9 v 9 match of two velorunner teams, with (1) and without (0) a recording: what recording
// costs the synced match, and the recording's size per simulated minute. Agents join one at a
// time, as tools/match starts them.
void BM_SelfMatch(benchmark::State& state) {
    const bool record = state.range(0) != 0;
    const std::string path = "/tmp/bench_selfmatch_" + std::to_string(getpid()) + ".rec.zst";
    for (auto _ : state) {
        PitchSim sim;
        std::vector<std::string> options = {"--sync", "--quiet", "--auto-kickoff=0"};
        if (record) options.push_back("--record=" + path);
        if (!sim.Start(options)) {
            state.SkipWithError("pitchsim did not start");
            return;
        }
        TrainerClient trainer;
        trainer.Connect(sim.TrainerPort());
        std::vector<std::unique_ptr<ChildProcess>> agents;
        for (int k = 0; k < 18; ++k) {
            std::vector<std::string> args = {"--port=" + std::to_string(sim.AgentPort()),
                                             "--unum=" + std::to_string(1 + k % 9)};
            if (k >= 9) args.insert(args.end(), {"--team=Marrowfinch-B", "--key=rbq"});
            agents.push_back(std::make_unique<ChildProcess>());
            agents.back()->Start(VELORUNNER_BIN, args);
            const std::string team = k < 9 ? "Left" : "Right";
            for (int tries = 0; tries < 200; ++tries) {
                if (FindRobot(trainer.Command("(getState)"), team, 1 + k % 9).found) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        const double joined = SimTime(trainer);
        while (SimTime(trainer) < joined + kWarmUpSimSeconds)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        trainer.Command("(kickOff Left)");
        const Span span = MeasureSpan(state, trainer, sim.process.Pid(), agents);

        trainer.Command("(killsim)");
        for (auto& a : agents) a->Wait(10);
        sim.process.Wait(10);
        if (record) {
            std::ifstream in(path, std::ios::binary | std::ios::ate);
            state.counters["record_MB_per_sim_min"] =
                static_cast<double>(in.tellg()) / 1e6 / (span.simEnd / 60);
            std::remove(path.c_str());
        }
    }
}
BENCHMARK(BM_SelfMatch)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
