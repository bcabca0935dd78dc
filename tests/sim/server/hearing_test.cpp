// The routing of spoken messages to the listeners of the next cycle.
#include "sim/server/hearing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(HearingTest, DirectionPositiveLeftOneMessagePerTeamWithinFiftyMetres) {
    const std::vector<Utterance> north = {{1, true, "A", {0, 5, 0}, 0, "n"}};  // the listener at 0
    const double headings[][2] = {{0, 90}, {180, -90}, {-90, 180}};            // behind: +180
    for (const auto& h : headings)
        EXPECT_NEAR(h[1], HearFor(Listener{2, {0, 0, 0}, h[0]}, north)[0].direction, 1e-9) << h[0];
    const std::vector<Utterance> said = {{2, true, "A", {0, 5, 0}, 0, "mine"},
                                         {5, true, "A", {60, 5, 0}, 0, "far"},
                                         {3, true, "A", {2, 5, 0}, 0, "second"},
                                         {4, true, "A", {3, 5, 0}, 0, "third"},
                                         {7, false, "B", {4, 5, 0}, 0, "theirs"}};
    // Neither the speaker's own message nor one beyond 50 m uses up the team's slot.
    std::string heard;
    for (const HeardMessage& m : HearFor(Listener{2, {0, 5, 0}, 0}, said))
        heard += (m.self ? "*" : "") + m.team + ":" + m.text + " ";
    EXPECT_EQ("*A:mine A:second B:theirs ", heard);
    heard.clear();
    for (const HeardMessage& m : HearFor(Listener{9, {0, 0, 0}, 0}, said)) heard += m.text + " ";
    EXPECT_EQ("mine theirs ", heard);
}

}  // namespace
