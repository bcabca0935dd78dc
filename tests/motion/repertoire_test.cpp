// Kicks, sidesteps and the long motion: when each ends under the caller's counting, the phases
// its chain visits, the mirrored pairs' keyframes, the rotating sidesteps' head yaw, and the
// scripted inverse-kinematics kick.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <vector>

#include "command_text.h"

namespace {

TEST(Repertoire, EachMotionEndsAfterItsKeyframesAndStartsOver) {
    // First end: the first keyframe runs one cycle more (entered at counter 0); every later
    // round lasts the sum of the lengths. Every cycle commands all 22 joints.
    const struct {
        const char* name;
        Motion motion;
        int first;
    } cases[] = {
        {"small kick right", &NaoAction::ActionSmallKickRight, 7},
        {"small kick left", &NaoAction::ActionSmallKickLeft, 7},
        {"kick right", &NaoAction::ActionKickRight, 45},
        {"kick left", &NaoAction::ActionKickLeft, 45},
        {"strong kick left", &NaoAction::ActionKickTOVK, 87},
        {"strong kick right", &NaoAction::ActionRightKickTOVK, 87},
        {"palm kick", &NaoAction::ActionKickLeftPelm, 86},
        {"sidestep left", &NaoAction::ActionBeamLeft, 16},
        {"sidestep right", &NaoAction::ActionBeamRight, 16},
        {"circle left", &NaoAction::ActionBeamLeftCircle, 13},
        {"circle right", &NaoAction::ActionBeamRightCircle, 13},
        {"rotate left", &NaoAction::ActionBeamLeftRotate, 16},
        {"rotate right", &NaoAction::ActionBeamRightRotate, 16},
        {"long motion", &NaoAction::ActionQawTOVK, 4745},
        {"walk", &NaoAction::ActionWalk, 91},
        {"head sweep", &NaoAction::ActionHeadRotate, 85},
        {"keeper", &NaoAction::ActionKeeperCatch, 317},  // 3 + 2 x 7 + 200 + 100
        {"stumble left", &NaoAction::ActionStumble_Left, 10},
        {"stumble right", &NaoAction::ActionStumble_Right, 10},
        {"old get-up forward", &NaoAction::ActionStandUpForward, 131},  // 21+30+8+10+60+2
        {"old get-up back", &NaoAction::ActionStandUpBack, 183},        // 21+16+26+30+90
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

// The phases a motion runs, in order, each with the cycles it lasted, over one round.
std::vector<std::pair<int, int>> Phases(Motion motion, int cycles,
                                        const std::function<int(const NaoAction&)>& phaseOf) {
    std::vector<std::pair<int, int>> phases;
    EndAnyKeyframe();
    NaoAction action;
    int phase = phaseOf(action);
    RunFromZero(action, motion, cycles, [&](int, const std::string&) {
        if (phases.empty() || phases.back().first != phase) phases.push_back({phase, 0});
        ++phases.back().second;
        phase = phaseOf(action);
    });
    return phases;
}

TEST(Repertoire, StrongKicksSkipTheTwoNeverEnteredPhases) {
    using NA = NaoAction;
    const std::vector<std::pair<int, int>> expected = {
        {NA::S_KickTOVK1, 21}, {NA::S_KickTOVK2, 20}, {NA::S_KickTOVK3, 18}, {NA::S_KickTOVK4, 2},
        {NA::S_KickTOVK5, 2},  {NA::S_KickTOVK6, 2},  {NA::S_KickTOVK7, 16}, {NA::S_KickTOVK8, 6}};
    for (Motion kick : {&NA::ActionKickTOVK, &NA::ActionRightKickTOVK}) {
        EXPECT_EQ(Phases(kick, 87, [](const NaoAction& a) { return int(a.mKickTOVK); }), expected);
    }
}

TEST(Repertoire, LongMotionChainOrderAndLengths) {
    const auto phases =
        Phases(&NaoAction::ActionQawTOVK, 4745, [](const NaoAction& a) { return int(a.mQawTOVK); });
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

// The joint targets of keyframe `phase` of a mirrored pair's motion, read back from the encoder:
// with every sensed angle 0 and nothing under way, a keyframe's first cycle stores target /
// length per joint. Each motion reads only its own phase field.
std::array<float, 22> FirstIncrements(Motion motion, int phase) {
    using NA = NaoAction;
    EndAnyKeyframe();
    NaoAction a;
    a.mKickLeft = NA::eState_KickLeft(phase);
    a.mKickRight = NA::eState_KickRight(phase);
    a.mKickTOVK = NA::eState_KickTOVK(phase);
    a.mBeamLeft = NA::eState_BeamLeft(phase);
    a.mBeamRight = NA::eState_BeamRight(phase);
    a.mBeamLeftRotate = NA::eState_BeamLeftRotate(phase);
    a.mBeamRightRotate = NA::eState_BeamRightRotate(phase);
    std::stringstream out;
    int counter = 1;
    (a.*motion)(out, counter);
    std::array<float, 22> increments;
    for (int j = 0; j < 22; ++j) increments[j] = a.tempAngleChange[j];
    return increments;
}

// Left and right exchanged; the roll joints (hip roll, ankle roll) also change sign. Hip yaw
// and the pitch joints keep theirs.
std::array<float, 22> Mirrored(const std::array<float, 22>& in) {
    using P = Player;
    std::array<float, 22> out = in;
    const P::JointID pairs[][2] = {{P::JID_LLEG_1, P::JID_RLEG_1}, {P::JID_LLEG_2, P::JID_RLEG_2},
                                   {P::JID_LLEG_3, P::JID_RLEG_3}, {P::JID_LLEG_4, P::JID_RLEG_4},
                                   {P::JID_LLEG_5, P::JID_RLEG_5}, {P::JID_LLEG_6, P::JID_RLEG_6}};
    for (const auto& pair : pairs) {
        const bool roll = pair[0] == P::JID_LLEG_2 || pair[0] == P::JID_LLEG_6;
        out[pair[0]] = roll ? -in[pair[1]] : in[pair[1]];
        out[pair[1]] = roll ? -in[pair[0]] : in[pair[0]];
    }
    return out;
}

TEST(Repertoire, MirroredMotionsDifferOnlyWhereMeantTo) {
    using NA = NaoAction;
    using P = Player;
    struct Exception {
        int phase;
        P::JointID joint;
    };
    // Kicks: the kicking ankle, -30 against -20 in the second forward keyframe, +10 against -10
    // in the last. Strong kicks: the right kick keeps the left kick's knees in S_KickTOVK7.
    const struct {
        const char* name;
        Motion left, right;
        int phases;
        std::vector<Exception> exceptions;
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
        {"rotating sidesteps", &NA::ActionBeamLeftRotate, &NA::ActionBeamRightRotate, 3, {}},
    };
    for (const auto& c : cases) {
        for (int phase = 0; phase < c.phases; ++phase) {
            const auto left = FirstIncrements(c.left, phase);
            const auto right = Mirrored(FirstIncrements(c.right, phase));
            for (int j = 0; j < 22; ++j) {
                bool excepted = false;
                for (const Exception& e : c.exceptions)
                    excepted |= e.phase == phase && e.joint == j;
                // Tiny targets (a wanted zero) and holds count as equal.
                const bool same = std::fabs(left[j] - right[j]) < 0.01f;
                EXPECT_EQ(same, !excepted) << c.name << " phase " << phase << " joint " << j << ": "
                                           << left[j] << " vs " << right[j];
            }
        }
    }
}

TEST(Repertoire, InterruptedStrongKickResumesInTheOtherOne) {
    // The left kick stops at S_KickTOVK6; the right kick goes on from there with its own keyframe
    // (the right hip yaw, legr1 -17 over 2 cycles) and ends after S_KickTOVK7 and S_KickTOVK8.
    EndAnyKeyframe();
    NaoAction action;
    int counter = 0, cycles = 0;
    std::stringstream ss;
    while (action.mKickTOVK != NaoAction::S_KickTOVK6) {
        ASSERT_FALSE(action.ActionKickTOVK(ss, counter));
        ++counter;
        ++cycles;
    }
    EXPECT_EQ(cycles, 21 + 20 + 18 + 2 + 2);
    for (auto& joint : action.myPlayer.mHingeJointSenseMap) joint.second.angle = 0;
    action.SetTempAngleChangleInit();
    int rest = 0;
    bool ended = false;
    while (!ended && rest < 100) {
        ended = action.ActionRightKickTOVK(ss, counter);
        if (rest == 0) {
            EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_RLEG_1], -8.5f);
            EXPECT_FLOAT_EQ(action.tempAngleChange[Player::JID_LLEG_1], 0.0f);  // held
        }
        ++counter;
        ++rest;
    }
    EXPECT_EQ(rest, 2 + 16 + 6);
}

TEST(Repertoire, RotatingSidestepsTurnTheHeadAtTheirLastKeyframe) {
    // Neck angle: straight ahead (0.001) for a ball within 30 degrees, else the bearing lagged
    // by 10 degrees towards the front. It is asked every cycle; the last keyframe takes the
    // value of its first cycle, over 5 cycles.
    const struct {
        Motion motion;
        float bearing, headBearing, yawPerCycle;
    } cases[] = {
        {&NaoAction::ActionBeamRightRotate, -40, -5, -30.0f / 5},
        {&NaoAction::ActionBeamLeftRotate, 50, 5, 40.0f / 5},
        {&NaoAction::ActionBeamLeftRotate, 20, 5, 0.001f / 5},
    };
    for (const auto& c : cases) {
        EndAnyKeyframe();
        NaoAction action;
        action.myPlayer.mBallToTorse.angle = 75;  // changes before the last keyframe starts
        action.myPlayer.sphereAngleBallToHead = c.headBearing;
        std::vector<float> yaw;
        bool ended = false;
        for (int counter = 0, cycle = 1; !ended && cycle < 30; ++counter, ++cycle) {
            if (cycle == 12) action.myPlayer.mBallToTorse.angle = c.bearing;
            std::stringstream out;
            ended = (action.*c.motion)(out, counter);
            yaw.push_back(action.tempAngleChange[Player::JID_HEAD_1]);
        }
        ASSERT_EQ(yaw.size(), 16u);
        for (int i = 0; i < 11; ++i) EXPECT_EQ(yaw[i], 0.0f) << i;  // held before
        EXPECT_FLOAT_EQ(yaw[11], c.yawPerCycle) << c.bearing;
    }
}

TEST(Repertoire, InverseKinematicsKickRunsItsScriptOnce) {
    // Its phase field is the body model's test walk's: in that walk's second phase the kick
    // sends nothing.
    EndAnyKeyframe();
    NaoAction action;
    action.mInverseStep = NaoAction::S_InverseStep_DowinRightFoot;
    std::stringstream nothing;
    int counter = 3;
    EXPECT_FALSE(action.ActionKick(nothing, counter));
    EXPECT_TRUE(nothing.str().empty());
    EXPECT_EQ(counter, 3);

    // The script has 151 poses, one per call; the 152nd call finds it over.
    action.mInverseStep = NaoAction::S_InverseStep_UpRightFoot;
    testing::internal::CaptureStdout();  // the script prints every pose
    std::vector<int> ends;
    float liftedKnee = 0;
    counter = 0;
    for (int call = 1; call <= 160; ++call, ++counter) {
        std::stringstream out;
        if (action.ActionKick(out, counter)) ends.push_back(call);
        // The keyframe computed on call 39 draws the left foot back and up: the knee bends.
        if (call == 39) liftedKnee = action.tempAngleChange[Player::JID_LLEG_4];
    }
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ends.front(), 152);
    EXPECT_EQ(ends.size(), 9u);
    EXPECT_LT(liftedKnee, -1.0f);
    EXPECT_EQ(action.mInverseStep, NaoAction::S_InverseStep_UpRightFoot);
}

}  // namespace
