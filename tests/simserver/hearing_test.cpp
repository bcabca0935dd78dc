// Routing of spoken messages: self, direction, one per team, range.

#include "sim/server/hearing.h"

#include <gtest/gtest.h>

namespace {

Utterance Said(int robot, bool left, double x, double y, const char* text) {
    Utterance u;
    u.robot = robot;
    u.leftTeam = left;
    u.head[0] = x;
    u.head[1] = y;
    u.head[2] = 0.5;
    u.time = 3.2;
    u.text = text;
    return u;
}

Listener At(int robot, double x, double y, double heading) {
    Listener l;
    l.robot = robot;
    l.head[0] = x;
    l.head[1] = y;
    l.head[2] = 0.5;
    l.heading = heading;
    return l;
}

TEST(HearingTest, DirectionIsRelativeToTheListenersHeadingPositiveLeft) {
    std::vector<Utterance> said = {Said(1, true, 0, 5, "north")};
    // Facing +x, the speaker stands to the left.
    std::vector<HeardMessage> h = HearFor(At(2, 0, 0, 0), said);
    ASSERT_EQ(1u, h.size());
    EXPECT_FALSE(h[0].self);
    EXPECT_NEAR(90, h[0].direction, 1e-9);
    EXPECT_DOUBLE_EQ(3.2, h[0].time);
    EXPECT_EQ("north", h[0].text);
    // Facing +y: straight ahead. Facing -x: to the right.
    EXPECT_NEAR(0, HearFor(At(2, 0, 0, 90), said)[0].direction, 1e-9);
    EXPECT_NEAR(-90, HearFor(At(2, 0, 0, 180), said)[0].direction, 1e-9);
    // Behind: +180, never -180.
    EXPECT_NEAR(180, HearFor(At(2, 0, 0, -90), said)[0].direction, 1e-9);
}

TEST(HearingTest, TheSpeakerHearsItselfAndOneMessagePerTeamReachesOthers) {
    std::vector<Utterance> said = {Said(2, true, 1, 0, "mine"), Said(3, true, 2, 0, "second"),
                                   Said(4, true, 3, 0, "third"), Said(7, false, 4, 0, "theirs")};
    std::vector<HeardMessage> speaker = HearFor(At(2, 1, 0, 0), said);
    // Its own copy does not use up its team's slot: it also hears robot 3.
    ASSERT_EQ(3u, speaker.size());
    EXPECT_TRUE(speaker[0].self);
    EXPECT_EQ("mine", speaker[0].text);
    EXPECT_EQ("second", speaker[1].text);
    EXPECT_EQ("theirs", speaker[2].text);

    std::vector<HeardMessage> other = HearFor(At(9, 0, 0, 0), said);
    ASSERT_EQ(2u, other.size());
    EXPECT_EQ("mine", other[0].text);
    EXPECT_EQ("theirs", other[1].text);
}

TEST(HearingTest, BeyondFiftyMetresNothingIsHeardAndTheSlotStaysFree) {
    std::vector<Utterance> said = {Said(1, true, 60, 0, "far"), Said(3, true, 10, 0, "near")};
    std::vector<HeardMessage> h = HearFor(At(2, 0, 0, 0), said);
    ASSERT_EQ(1u, h.size());
    EXPECT_EQ("near", h[0].text);
}

TEST(HearingTest, NormalizeDegreesIntoHalfOpenRange) {
    EXPECT_DOUBLE_EQ(180, NormalizeDegrees(-180));
    EXPECT_DOUBLE_EQ(180, NormalizeDegrees(540));
    EXPECT_DOUBLE_EQ(-170, NormalizeDegrees(190));
    EXPECT_DOUBLE_EQ(10, NormalizeDegrees(-350));
}

}  // namespace
