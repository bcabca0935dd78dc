// libFuzzer target: one perception message through the parser and the per-cycle analysis.
// The first byte chooses the behaviour state, so the head-sweep recording is reached too.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "behavior/naobehavior.h"
#include "body/player.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "world/data.h"
#include "world/worldmodel.h"

namespace {

// Whatever the message, what the behaviour decides on stays finite.
void CheckFinite(const Player& player, const WorldModel& world) {
    const float values[] = {player.headLocation.x,
                            player.headLocation.y,
                            player.torseLocation.x,
                            player.torseLocation.y,
                            player.angleTorseToGlobal,
                            player.RGYRMatrix_Torse[0][0],
                            player.RGYRMatrix_Torse[1][0],
                            player.KickBallLocation.x,
                            player.KickBallLocation.y,
                            player.mBallToTorse.distance,
                            player.mBallToTorse.angle,
                            player.mBallToTorse.angleKick,
                            player.mBallToTorse.distanceKick,
                            player.mBallToTorse.angleLFootHead,
                            player.mTorseToGoal.angleTorseToGoal,
                            world.ballLocatoin.ballLocatoin.x,
                            world.ballLocatoin.ballLocatoin.y,
                            world.ballLocatoin.ballVel.x,
                            world.ballLocatoin.ballPredictLocation.x,
                            world.mBallToGoal.angleBalltoGoal};
    for (float v : values) {
        if (!std::isfinite(v)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The unknown-joint notice and the debug prints would flood the fuzzer's output.
    std::cerr.rdbuf(nullptr);
    std::cout.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    MyTime::totalTime = -1;
    DATA::Unum = "1";
    DATA::TeamSide = "uninit";
    NaoBehavior::mState = static_cast<eState>(data[0] % 48);

    Player player("1");
    WorldModel world;
    MsgParse parser;
    const std::string msg(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Two cycles: the second sees what the first left behind (stale sightings, velocities).
    for (int cycle = 0; cycle < 2; ++cycle) {
        parser.PareseMsg(msg, player, world);
        player.DataAnalyse(world);
        GetLocationWithoutGYR(world, player);
        CheckFinite(player, world);
    }
    return 0;
}
