// Cost of one decision: a Strategy built from copies of the body state and the world model,
// then JudgeState_B, with nine heard team mates and five seen opponents around a ball in
// midfield. The strategy's debugging lines go to a stream that discards them (their
// formatting is counted).

#include "behavior/strategy.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <iostream>
#include <streambuf>
#include <string>

#include "net/mytime.h"
#include "world/data.h"

namespace {

class NullBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return c; }
};

struct Scene {
    Player player{"11"};
    WorldModel world;
};

// Number 11 at (-3, 1) facing +x; the ball at (-1, 0.5); team mates 1 to 9 at their kick-off
// places, opponents 1 to 5 spread over the midfield.
Scene MakeScene() {
    DATA::Unum = "11";
    DATA::TeamSide = "left";
    DATA::SetPlayerLocation();
    MyTime::totalTime = 50;
    Scene s;
    OperateMatrix ops;
    ops.SetNormalMatrix(s.player.RGYRMatrix_Torse.Get());
    ops.SetNormalMatrix(s.player.RMatrix_Torse.Get());
    s.player.torseLocation = FlagLocation(-3, 1, 0.38f);
    ops.SetMatrix(s.player.RMatrix_Torse.Get(), -3, 1, 0.38f, s.player.TMatrix_Torse.Get());
    WorldModel& w = s.world;
    w.ballLocatoin.ballLocatoin = FlagLocation(-1, 0.5f, 0.04f);
    w.ballLocatoin.ballLocationToTorse = FlagLocation(2, -0.5f, -0.34f);
    w.ballLocatoin.time = MyTime::totalTime;
    for (int n = 1; n <= 9; ++n) {
        const FlagLocation& place = DATA::playerGroup[9 - n].location;
        w.mFriendPlayHeadMap[std::to_string(n)] = {place, 49.8f};
        w.mSelfPlayHeadToSelfMap[std::to_string(n)] = {FlagLocation(65535, 65535, 65535), 0};
    }
    const float opponents[5][2] = {{1, 0}, {0.5f, 2}, {0.5f, -2}, {3, 1}, {-0.7f, 0.6f}};
    for (int k = 0; k < 5; ++k) {
        const std::string key = std::to_string(k + 1);
        const FlagLocation head(opponents[k][0], opponents[k][1], 0.5f);
        w.mOppositePlayHeadMap[key] = {head, 49.9f};
        w.mOppositePlayHeadToSelfMap[key] = {
            FlagLocation(head.x + 3, head.y - 1, 0.12f),
            static_cast<float>(ArcToAngle(std::atan2(head.y - 1, head.x + 3)))};
    }
    s.player.CaculateBallToPart(w);
    s.player.myWorldModelTemp = w;
    return s;
}

void TimeDecisions(benchmark::State& state, const Scene& scene) {
    NullBuffer null;
    std::streambuf* out = std::cout.rdbuf(&null);
    for (auto _ : state) {
        Strategy strategy(scene.player, scene.world);
        benchmark::DoNotOptimize(strategy.JudgeState_B());
    }
    std::cout.rdbuf(out);
}

void BM_Decision(benchmark::State& state) {
    TimeDecisions(state, MakeScene());
}
BENCHMARK(BM_Decision);

void BM_DecisionAloneWithTheBall(benchmark::State& state) {
    Scene scene = MakeScene();
    scene.player.myWorldModelTemp.mFriendPlayHeadMap.clear();
    scene.world.mFriendPlayHeadMap.clear();
    TimeDecisions(state, scene);
}
BENCHMARK(BM_DecisionAloneWithTheBall);

}  // namespace

BENCHMARK_MAIN();
