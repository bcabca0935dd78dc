// One cycle's perception work: parsing a full message and the per-cycle analysis.

#include <benchmark/benchmark.h>

#include <string>

#include "body/player.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "world/worldmodel.h"

namespace {

const char* const kJointNames[22] = {"hj1",  "hj2",  "llj1", "rlj1", "llj2", "rlj2", "llj3", "rlj3",
                                     "llj4", "rlj4", "llj5", "rlj5", "llj6", "rlj6", "laj1", "raj1",
                                     "laj2", "raj2", "laj3", "raj3", "laj4", "raj4"};

// A message as the server sends it in play: every perceptor, vision with landmarks, ball,
// two robots and a line, and one team message.
std::string FullMessage() {
    std::string msg =
        "(time (now 123.46))(GS (t 45.20) (pm PlayOn))(GYR (n torso) (rt 0.52 -1.21 3.05))"
        "(ACC (n torso) (a 0.01 -0.02 9.81))";
    for (int i = 0; i < 22; ++i)
        msg += "(HJ (n " + std::string(kJointNames[i]) + ") (ax " + std::to_string(i - 11.5) + "))";
    msg +=
        "(FRP (n lf) (c 0.01 0.02 -0.01) (f 0.1 0.2 22.5))"
        "(FRP (n rf) (c -0.01 0.03 -0.01) (f -0.1 0.1 21.7))"
        "(See (G1L (pol 4.52 10.1 2.3)) (G2L (pol 4.9 -12.4 2.1)) (F1L (pol 6.1 40.2 -5.2))"
        " (B (pol 1.21 5.33 -20.4)) (P (team Opp) (id 4) (head (pol 2.1 3.2 4.3))"
        " (rlowerarm (pol 2.2 3.1 -1.1)) (llowerarm (pol 2.2 4.1 -1.2))"
        " (rfoot (pol 2.3 3.0 -9.1)) (lfoot (pol 2.3 4.0 -9.2)))"
        " (P (team Marrowfinch) (id 3) (head (pol 5.1 -20.2 1.3)))"
        " (L (pol 1.1 -20.2 -30.1) (pol 3.2 20.2 -10.4)))"
        "(hear 123.40 -30.50 k4q3-1.5y2)";
    return msg;
}

void BM_PareseMsg(benchmark::State& state) {
    Player player("1");
    WorldModel world;
    MsgParse parser;
    const std::string msg = FullMessage();
    for (auto _ : state) {
        parser.PareseMsg(msg, player, world);
        benchmark::DoNotOptimize(world.mFlagMap);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(msg.size()));
}
BENCHMARK(BM_PareseMsg);

void BM_DataAnalyse(benchmark::State& state) {
    Player player("1");
    WorldModel world;
    MsgParse parser;
    parser.PareseMsg(FullMessage(), player, world);
    for (auto _ : state) {
        player.DataAnalyse(world);
        benchmark::DoNotOptimize(player.torseLocation);
    }
}
BENCHMARK(BM_DataAnalyse);

}  // namespace

BENCHMARK_MAIN();
