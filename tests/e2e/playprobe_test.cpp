// The play probe's time budget of a short run: the seconds of its rows make up the run.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/field.h"

namespace {

const std::string kProbe = std::string(BIN_DIR) + "/playprobe";

TEST(PlayProbe, TheSecondsOfEachStateAndStageAddUpToTheRun) {
    PitchSim sim;
    ASSERT_TRUE(
        sim.Start({"--sync", "--noise=off", "--auto-kickoff=0", "--quiet", "--sync-timeout=5000"}));
    ChildProcess probe;
    ASSERT_TRUE(probe.Start(
        kProbe, {"--port=" + std::to_string(sim.AgentPort()),
                 "--trainer-port=" + std::to_string(sim.TrainerPort()), "--seconds=8"}));
    ASSERT_TRUE(probe.Wait(120));
    EXPECT_TRUE(probe.ExitedWith(0)) << probe.Stderr();
    EXPECT_TRUE(sim.Stop());
    // Rows "state / stage  seconds  share%  episodes  mean_s", then the summary line.
    std::istringstream out(probe.Stdout());
    double seconds = 0, share = 0;
    int rows = 0;
    bool approached = false, summary = false;
    for (std::string line; std::getline(out, line);) {
        if (line.rfind("goal=0 time_to_goal_s=nan falls=", 0) == 0) summary = true;
        const size_t slash = line.find(" / ");
        if (slash == std::string::npos || line.rfind("state", 0) == 0) continue;
        std::istringstream row(line.substr(line.find(' ', slash + 3)));
        double s = 0, p = 0;
        row >> s >> p;
        seconds += s;
        share += p;
        ++rows;
        approached = approached || line.rfind("turn / approach", 0) == 0 ||
                     line.rfind("step / approach", 0) == 0;
    }
    EXPECT_GT(rows, 2) << probe.Stdout();
    EXPECT_NEAR(seconds, 8, 0.03) << probe.Stdout();
    EXPECT_NEAR(share, 100, 0.5) << probe.Stdout();
    EXPECT_TRUE(approached) << probe.Stdout();
    EXPECT_TRUE(summary) << probe.Stdout();
}

}  // namespace
