// Per-cycle cost of the body model: the kinematic rebuild with both foot tips, a gyro update,
// and the body copy that every cycle hands to the behaviour.

#include <benchmark/benchmark.h>

#include "body/player.h"

namespace {

Player MovingBody() {
    Player p("4");
    for (int id = 0; id < Player::kJointCount; ++id)
        p.mHingeJointSenseMap[static_cast<Player::JointID>(id)].angle = 3.0f * id - 30;
    return p;
}

void BM_SetBodyTMatrixAndFootTips(benchmark::State& state) {
    Player p = MovingBody();
    float x, y, z;
    for (auto _ : state) {
        p.SetBodyTMatrix();
        p.GetLFootHead_Location(x, y, z);
        p.GetRFootHead_Location(x, y, z);
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_SetBodyTMatrixAndFootTips);

void BM_GyroUpdate(benchmark::State& state) {
    Player p = MovingBody();
    p.GYRAngle = FlagLocation(0.3f, -0.2f, 0.5f);
    for (auto _ : state) {
        p.SetGYRTMatrix_Torse();
        benchmark::DoNotOptimize(p.RGYRMatrix_Torse.Get());
    }
}
BENCHMARK(BM_GyroUpdate);

void BM_PlayerCopy(benchmark::State& state) {
    Player p = MovingBody();
    p.SetBodyTMatrix();
    for (auto _ : state) {
        Player copy = p;
        benchmark::DoNotOptimize(copy.TMatrix_Torse[0][0]);
    }
}
BENCHMARK(BM_PlayerCopy);

}  // namespace

BENCHMARK_MAIN();
