// Kicks in real physics, run by the skill probe with the agent's own parser, motion player and
// joint encoder; the trainer's truth says where the ball went. Catches sign and mirror faults
// from keyframe to joint velocities.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/field.h"

namespace {

// The number after "key=" on the first line of the probe's output (its first try), NaN if absent.
double FirstTry(const std::string& out, const std::string& key) {
    const std::string first = " " + out.substr(0, out.find('\n'));
    const size_t at = first.find(" " + key + "=");
    return at == std::string::npos ? NAN
                                   : std::strtod(first.c_str() + at + key.size() + 2, nullptr);
}

TEST(MotionsInSimulator, EitherFootsKickSendsTheBallForwardWithoutAFall) {
    for (const char* skill : {"--skill=kick-left", "--skill=kick-right"}) {
        SCOPED_TRACE(skill);
        const std::string out = RunSkillProbe({skill, "--stance=walk-ready", "--steps=3"});
        ASSERT_FALSE(out.empty());
        EXPECT_GE(FirstTry(out, "ball_forward_m"), 0.5) << out;
        EXPECT_LE(std::fabs(FirstTry(out, "ball_dir_deg")), 30) << out;
        EXPECT_EQ(0, FirstTry(out, "fell")) << out;
    }
}

}  // namespace
