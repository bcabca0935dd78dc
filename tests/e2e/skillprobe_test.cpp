// The skill probe as a user meets it: its command line, and a get-up measured as JSON.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/field.h"

namespace {

const std::string kProbe = std::string(BIN_DIR) + "/skillprobe";

TEST(SkillProbe, CommandLineFaultsAreOneLineAndExitTwoHelpListsTheSkills) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;  // on stdout for status 0, else the one line on stderr
    } cases[] = {
        {{"--help"}, 0, "getup-front"},
        {{"--skill=fly"}, 2, "skillprobe: unknown skill fly (--help lists them)\n"},
        {{"--port=70000", "--skill=walk"},
         2,
         "skillprobe: bad value in --port=70000 (a number from 1 to 65535)\n"},
        {{"--skill=keeper", "--repeat=2.5"},
         2,
         "skillprobe: bad value in --repeat=2.5 (a whole number)\n"},
        {{"--skill=walk", "--fast"}, 2, "skillprobe: unknown option --fast\n"},
        {{}, 2, "skillprobe: --skill=NAME is missing (--help lists the skills)\n"},
        {{"--skill=kick-ik", "--sweep"},
         2,
         "skillprobe: kick-ik runs its script once per process: no --sweep, no --repeat\n"},
        {{"--skill=kick-left", "--stance=sitting"},
         2,
         "skillprobe: bad value in --stance=sitting (origin or walk-ready)\n"},
    };
    for (const auto& c : cases) {
        ChildProcess probe;
        ASSERT_TRUE(probe.Start(kProbe, c.args));
        ASSERT_TRUE(probe.Wait(10));
        EXPECT_TRUE(probe.ExitedWith(c.status)) << c.says;
        if (c.status == 0) {
            for (const char* skill : {"walk", "getup-front", "getup-back", "stumble-left",
                                      "stumble-right", "keeper", "kick-left", "kick-right-tovk",
                                      "kick-ik", "sidestep-right-rotate", "long-motion"})
                EXPECT_NE(probe.Stdout().find(skill), std::string::npos) << skill;
        } else {
            EXPECT_EQ(probe.Stderr(), c.says);
            EXPECT_EQ(probe.Stdout(), "");
        }
    }
}

TEST(SkillProbe, GetUpFromTheBackMeasuredAsJson) {
    const std::string out = RunSkillProbe({"--skill=getup-back", "--json"});
    // One object on one line: the try and the summary.
    EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
    EXPECT_EQ(out.rfind("{\"skill\":\"getup-back\",\"tries\":[{\"try\":1,\"success\":1,", 0), 0u)
        << out;
    EXPECT_NE(out.find("\"landed\":\"back\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"summary\":{\"skill\":\"getup-back\",\"tries\":1,\"success\":1,"),
              std::string::npos)
        << out;
    const size_t median = out.find("\"median_s\":");
    ASSERT_NE(median, std::string::npos) << out;
    const double seconds = std::strtod(out.c_str() + median + 11, nullptr);
    EXPECT_GT(seconds, 0.5) << out;
    EXPECT_LT(seconds, 10) << out;
}

}  // namespace
