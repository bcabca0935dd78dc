// Cost of one walking cycle: the gait's sub-step, two leg solutions and the joint command
// encoding (NaoAction::ActionInverseStepAI), and of its parts.

#include <benchmark/benchmark.h>

#include <sstream>

#include "behavior/strategy.h"
#include "motion/naoaction.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"

namespace {

void StartWalk() {
    Inverse::goalDistance = 0.16f;
    Inverse::BeamDistance = 0.02f;
    Inverse::rotateAngle = 2;
    Strategy::findBall = false;
    InverseAction::tempBool = true;
}

void BM_WalkingCycle(benchmark::State& state) {
    StartWalk();
    NaoAction action;
    action.SetPlayerInfo(Player("1"), WorldModel());
    int counter = 0;
    for (auto _ : state) {
        std::stringstream ss;
        if (action.ActionInverseStepAI(ss, counter)) InverseAction::tempBool = false;
        ++counter;
        benchmark::DoNotOptimize(ss);
    }
}
BENCHMARK(BM_WalkingCycle)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_GaitSubStep(benchmark::State& state) {
    StartWalk();
    Inverse gait;
    gait.SetFootFirst(true, 0.28f);
    FootLocationAndAngle left, right;
    FlagLocation torse;
    for (auto _ : state) {
        gait.InverseStepAI();
        gait.GetTorseAndAnkle(left, right, torse);
        benchmark::DoNotOptimize(torse);
    }
}
BENCHMARK(BM_GaitSubStep)->Repetitions(9)->ReportAggregatesOnly(true);

void BM_TwoLegSolutions(benchmark::State& state) {
    Player body("1");
    FlagLocation torse(0.01f, 0.05f, 0.333f);
    for (auto _ : state) {
        LegInverseAngle l = body.InverseFromLeftFootToTorse(
            FlagLocation(0, 0, 4), FlagLocation(0.06f, 0.11f, 0.057f), torse);
        LegInverseAngle r = body.InverseFromRightFootToTorse(FlagLocation(0, 0, 0),
                                                             FlagLocation(0, 0, 0.05f), torse);
        benchmark::DoNotOptimize(l);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_TwoLegSolutions)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
