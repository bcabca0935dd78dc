// Motion lengths, the long motion's chain, mirrored pairs.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "command_text.h"

namespace {

TEST(Repertoire, EachMotionEndsAfterItsKeyframesAndStartsOver) {
    // The first round runs one cycle more (entered at counter 0); every cycle commands 22 joints.
    const struct {
        const char* name;
        Motion motion;
        int first;
    } cases[] = {
        {"small kick left", &NaoAction::ActionSmallKickLeft, 7},
        {"strong kick left", &NaoAction::ActionKickTOVK, 87},
        {"long motion", &NaoAction::ActionQawTOVK, 4745},
        {"walk", &NaoAction::ActionWalk, 91},
        {"head sweep", &NaoAction::ActionHeadRotate, 85},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EndAnyKeyframe();
        NaoAction action;
        const int round = c.first - 1;
        EXPECT_EQ(RunFromZero(action, c.motion, c.first + 2 * round,
                              [](int cycle, const std::string& text) {
                                  ASSERT_EQ(Velocities(text).size(), 22u) << cycle;
                              }),
                  (std::vector<int>{c.first, c.first + round, c.first + 2 * round}));
    }
}

TEST(Repertoire, LongMotionChainOrderAndLengths) {
    // The phases visited in order, each with the cycles it lasted, over one round.
    std::vector<std::pair<int, int>> phases;
    EndAnyKeyframe();
    NaoAction action;
    int phase = action.mQawTOVK;
    RunFromZero(action, &NaoAction::ActionQawTOVK, 4745, [&](int, const std::string&) {
        if (phases.empty() || phases.back().first != phase) phases.push_back({phase, 0});
        ++phases.back().second;
        phase = action.mQawTOVK;
    });
    // 0 ... 102, then 200, 103 ... 128, then 199, 129 ... 197; 198 is never entered.
    std::vector<int> order, expectedOrder;
    for (int v = 0; v <= 102; ++v) expectedOrder.push_back(v);
    expectedOrder.push_back(NaoAction::S_QawTOVK200);
    for (int v = 103; v <= 128; ++v) expectedOrder.push_back(v);
    expectedOrder.push_back(NaoAction::S_QawTOVK0);
    for (int v = 129; v <= 197; ++v) expectedOrder.push_back(v);
    std::map<int, int> histogram;  // keyframe length: how many; 4744 cycles in all
    for (std::size_t i = 0; i < phases.size(); ++i) {
        order.push_back(phases[i].first);
        ++histogram[phases[i].second - (i == 0 ? 1 : 0)];  // the first runs one extra
    }
    EXPECT_EQ(order, expectedOrder);
    EXPECT_EQ(
        histogram,
        (std::map<int, int>{
            {5, 68}, {25, 58}, {50, 41}, {4, 16}, {75, 6}, {10, 5}, {40, 4}, {80, 1}, {100, 1}}));
}

// Keyframe `phase`'s joint targets per cycle, as the encoder stores them from a body at rest.
std::array<float, 22> FirstIncrements(Motion motion, int phase) {
    using NA = NaoAction;
    EndAnyKeyframe();
    NaoAction a;
    a.mKickLeft = NA::eState_KickLeft(phase);
    a.mKickRight = NA::eState_KickRight(phase);
    a.mKickTOVK = NA::eState_KickTOVK(phase);
    a.mBeamLeft = NA::eState_BeamLeft(phase);
    a.mBeamRight = NA::eState_BeamRight(phase);
    std::stringstream out;
    int counter = 1;
    (a.*motion)(out, counter);
    std::array<float, 22> increments;
    for (int j = 0; j < 22; ++j) increments[j] = a.tempAngleChange[j];
    return increments;
}

// Left and right exchanged; the roll joints (hip roll, ankle roll) also change sign.
std::array<float, 22> Mirrored(const std::array<float, 22>& in) {
    std::array<float, 22> out = in;
    for (int k = 0; k < 6; ++k) {  // leg joint k + 1: left at 2 + 2k, right next to it
        const int l = Player::JID_LLEG_1 + 2 * k, r = l + 1;
        const bool roll = k == 1 || k == 5;
        out[l] = roll ? -in[r] : in[r];
        out[r] = roll ? -in[l] : in[l];
    }
    return out;
}

TEST(Repertoire, MirroredMotionsDifferOnlyWhereMeantTo) {
    using NA = NaoAction;
    using P = Player;
    // Kicks differ at the kicking ankle; the right strong kick keeps the left one's knees.
    const struct {
        const char* name;
        Motion left, right;
        int phases;
        std::set<std::pair<int, int>> exceptions;  // {phase, joint}
    } cases[] = {
        {"kicks",
         &NA::ActionKickLeft,
         &NA::ActionKickRight,
         7,
         {{NA::S_KickLeft_ForwardFoot_Two, P::JID_LLEG_5},
          {NA::S_KickLeft_ForwardFoot_Three, P::JID_LLEG_5}}},
        {"strong kicks",
         &NA::ActionKickTOVK,
         &NA::ActionRightKickTOVK,
         10,
         {{NA::S_KickTOVK7, P::JID_LLEG_4}, {NA::S_KickTOVK7, P::JID_RLEG_4}}},
        {"sidesteps", &NA::ActionBeamLeft, &NA::ActionBeamRight, 3, {}},
    };
    for (const auto& c : cases) {
        for (int phase = 0; phase < c.phases; ++phase) {
            const auto left = FirstIncrements(c.left, phase);
            const auto right = Mirrored(FirstIncrements(c.right, phase));
            for (int j = 0; j < 22; ++j) {
                const bool excepted = c.exceptions.count({phase, j}) > 0;
                // Tiny targets (a wanted zero) and holds count as equal.
                const bool same = std::fabs(left[j] - right[j]) < 0.01f;
                EXPECT_EQ(same, !excepted) << c.name << " phase " << phase << " joint " << j << ": "
                                           << left[j] << " vs " << right[j];
            }
        }
    }
}

}  // namespace
