// Joint command encoder: velocity law, layout, lag compensation, hold marker, remaining cycles.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "command_text.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Joint `jid` reported at `sensed` degrees, with `underWay` commanded last cycle.
NaoAction EncoderWith(Player::JointID jid, float sensed, float underWay) {
    NaoAction action;
    action.myPlayer.mHingeJointSenseMap[jid].angle = sensed;
    action.tempAngleChange[jid] = underWay;
    return action;
}

TEST(EncoderTest, VelocityLawCutsPiAndRoundsThreeDecimalsAwayFromZero) {
    const struct {
        double degreesPerCycle, radiansPerSecond;
    } cases[] = {{1, 0.873},         {6.53, 5.698},  // 6.53 is rounded up with the full pi
                 {-9000, -7853.982}, {0.0028647890245221486, 0.003},  // exact halves
                 {-0.0004, -0.0},    {kNaN, 0.0},
                 {-kInf, 0.0},       {1e308, 0.0}};
    NaoAction action;
    for (const auto& c : cases) {
        const double velocity = action.TranslateAngleToArc(c.degreesPerCycle);
        EXPECT_EQ(velocity, c.radiansPerSecond) << c.degreesPerCycle;
        EXPECT_EQ(std::signbit(velocity), std::signbit(c.radiansPerSecond)) << c.degreesPerCycle;
    }
}

TEST(EncoderTest, CommandLayoutStreamFormattingHeadSwapAndSignColumn) {
    NaoAction action;
    // Argument i drives group i as given; six significant digits, a negative zero stays "-0".
    EXPECT_EQ(action.TranslateAngleToMsg(-0.0004, 1e6, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 1.5 / 0.8726646111),
              "(he1 -0)(he2 872665)(lae1 -0.873)(rae1 0)(lae2 0)(rae2 0)(lae3 0)(rae3 0)(lae4 0)"
              "(rae4 0)(lle1 0)(rle1 0)(lle2 0)(rle2 0)(lle3 0)(rle3 0)(lle4 0)(rle4 0)(lle5 0)"
              "(rle5 0)(lle6 0)(rle6 1.5)");
    // The keyframe forms: head1 (pitch) drives he2, and the sign column negates eight joints.
    NaoAction::KeyframePose ones;
    ones.fill(1);
    ones[1] = 0;  // head2: held
    for (const std::string& text : {action.TranslateAngleToMsg_A(1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                                                 1, 1, 1, 1, 1, 1, 1, 1, 1, 1),
                                    action.RelativeTranslateAngleToMsg(ones, 1)}) {
        EXPECT_EQ(text,
                  "(he1 0)(he2 0.873)(lae1 -0.873)(rae1 -0.873)(lae2 0.873)(rae2 0.873)"
                  "(lae3 0.873)(rae3 0.873)(lae4 0.873)(rae4 0.873)(lle1 0.873)(rle1 0.873)"
                  "(lle2 0.873)(rle2 0.873)(lle3 -0.873)(rle3 -0.873)(lle4 -0.873)(rle4 -0.873)"
                  "(lle5 -0.873)(rle5 -0.873)(lle6 0.873)(rle6 0.873)");
    }
}

TEST(EncoderTest, RelativeTargetsCountTheIncrementUnderWayAndHoldOnExactZero) {
    using J = Player;
    const struct {
        const char* what;
        int column;  // keyframe argument
        double target;
        Player::JointID jid;
        float sensed, underWay;
        double priod;
        const char *effector, *velocity;
        float remembered;  // increment stored for the next cycle
    } cases[] = {
        {"head1 moves he2", 0, 30, J::JID_HEAD_2, 0, 0, 1, "he2", "26.18", 30},
        {"knee over 20 cycles", 16, 77, J::JID_LLEG_4, 0, 0, 20, "lle4", "-3.36", -3.85f},
        {"lag compensation", 16, 77, J::JID_LLEG_4, -77, 2, 1, "lle4", "-1.745", -2},
        {"+0 holds", 5, 0.0, J::JID_RARM_2, 10, 2, 4, "rae2", "0", 0},
        {"-0 holds", 5, -0.0, J::JID_RARM_2, 10, 2, 4, "rae2", "0", 0},
        {"tiny is a target", 9, 0.001, J::JID_RARM_4, 0, 0, 4, "rae4", "0", 0.00025f},
        {"NaN target", 16, kNaN, J::JID_LLEG_4, 0, 2, 1, "lle4", "0", 0},
        {"NaN sensed", 0, 0.0, J::JID_HEAD_2, static_cast<float>(kNaN), 0, 1, "he2", "0", 0},
        {"zero-length keyframe", 14, 30, J::JID_LLEG_3, 0, 0, 0, "lle3", "0", 0},
    };
    for (const auto& c : cases) {
        NaoAction action = EncoderWith(c.jid, c.sensed, c.underWay);
        NaoAction::KeyframePose pose{};
        pose[c.column] = c.target;
        const auto velocities = Velocities(action.RelativeTranslateAngleToMsg(pose, c.priod));
        EXPECT_EQ(velocities.at(c.effector), c.velocity) << c.what;
        EXPECT_FLOAT_EQ(action.tempAngleChange[c.jid], c.remembered) << c.what;
    }
}

TEST(EncoderTest, RemainingCyclesAtTheCurrentIncrement) {
    const struct {
        int jid;
        float underWay, target;
        int cycles;
    } cases[] = {{Player::JID_LARM_1, -10, -120, 1},     // 3 cycles to go, minus 2
                 {Player::JID_LARM_1, -12, -120, 1},     // 2.5 rounds away from zero
                 {Player::JID_LARM_1, 10, -120, -5},     // moving away
                 {Player::JID_LARM_1, 0, -120, 0},       // at rest: no number of cycles
                 {Player::JID_LARM_1, 1e-45f, -120, 0},  // the quotient overflows
                 {22, -10, -120, 0}};
    for (const auto& c : cases) {
        NaoAction action = EncoderWith(Player::JID_LARM_1, -90, c.underWay);
        EXPECT_EQ(action.JudgeNonWaitCircle(c.jid, c.target), c.cycles)
            << c.jid << " " << c.underWay;
    }
}

}  // namespace
