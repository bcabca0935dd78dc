// Cost per cycle of the joint command encoder: one full 22-joint keyframe text from absolute
// targets, with sensed angles and increments under way on every joint.

#include <benchmark/benchmark.h>

#include "motion/naoaction.h"

namespace {

void BM_EncodeKeyframe(benchmark::State& state) {
    NaoAction action;
    for (int jid = 0; jid < 22; ++jid) {
        action.myPlayer.mHingeJointSenseMap[static_cast<Player::JointID>(jid)].angle =
            3.7f * jid - 30;
    }
    // The origin pose: every joint has a target.
    const NaoAction::KeyframePose origin = {
        -30,    0.001,  120,   120,   20,    -20, -80, 80,     -80,    80,      -0.001,
        -0.001, -0.001, 0.001, -24.5, -24.5, 77,  77,  -52.49, -52.49, -0.0001, -0.001};
    for (auto _ : state) {
        for (int jid = 0; jid < 22; ++jid) action.tempAngleChange[jid] = 0.25f * (jid % 7) - 0.5f;
        std::string text = action.RelativeTranslateAngleToMsg(origin, 10);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_EncodeKeyframe);

}  // namespace

BENCHMARK_MAIN();
