// The skill probe's command line as a user meets it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/simprocess.h"

namespace {

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
    };
    for (const auto& c : cases) {
        ChildProcess probe;
        ASSERT_TRUE(probe.Start(std::string(BIN_DIR) + "/skillprobe", c.args));
        ASSERT_TRUE(probe.Wait(10));
        EXPECT_TRUE(probe.ExitedWith(c.status)) << c.says;
        if (c.status == 0) {
            EXPECT_NE(probe.Stdout().find(c.says), std::string::npos) << probe.Stdout();
        } else {
            EXPECT_EQ(c.says, probe.Stderr());
            EXPECT_EQ("", probe.Stdout());
        }
    }
}

}  // namespace
