// pitchsim's command line.

#include "sim/server/options.h"

#include <gtest/gtest.h>

namespace {

TEST(OptionsTest, DefaultsAndEveryOption) {
    ServerOptions d;
    std::string error;
    ASSERT_EQ(kOptionsOk, ParseServerOptions({}, d, error));
    EXPECT_EQ(3100, d.agentPort);
    EXPECT_EQ(3200, d.trainerPort);
    EXPECT_FALSE(d.sync);
    EXPECT_EQ(100, d.syncTimeoutMs);
    EXPECT_DOUBLE_EQ(5, d.autoKickoff);

    ServerOptions o;
    ASSERT_EQ(kOptionsOk,
              ParseServerOptions(
                  {"--agent-port=0", "--trainer-port=0", "--http-port=9000", "--sync", "--seed=42",
                   "--noise=off", "--half-time=60.5", "--max-robots-per-team=9",
                   "--sync-timeout=250", "--auto-kickoff=0", "--log=/tmp/x.log", "--quiet"},
                  o, error))
        << error;
    EXPECT_EQ(0, o.agentPort);
    EXPECT_EQ(0, o.trainerPort);
    EXPECT_EQ(9000, o.httpPort);
    EXPECT_TRUE(o.sync);
    EXPECT_EQ(42u, o.seed);
    EXPECT_FALSE(o.noise);
    EXPECT_DOUBLE_EQ(60.5, o.halfTime);
    EXPECT_EQ(9, o.maxRobotsPerTeam);
    EXPECT_EQ(250, o.syncTimeoutMs);
    EXPECT_DOUBLE_EQ(0, o.autoKickoff);
    EXPECT_EQ("/tmp/x.log", o.logFile);
    EXPECT_TRUE(o.quiet);

    ServerOptions last;
    ASSERT_EQ(kOptionsOk, ParseServerOptions({"--sync", "--realtime"}, last, error));
    EXPECT_FALSE(last.sync);
}

TEST(OptionsTest, FaultsAreNamed) {
    struct Case {
        const char* arg;
        const char* inError;
    } cases[] = {
        {"--agent-port=65536", "--agent-port"},
        {"--agent-port=-1", "--agent-port"},
        {"--agent-port=31x", "--agent-port"},
        {"--agent-port", "missing value"},
        {"--noise=maybe", "on or off"},
        {"--half-time=0", "--half-time"},
        {"--half-time=nan", "--half-time"},
        {"--max-robots-per-team=15", "1..14"},
        {"--sync-timeout=0", "--sync-timeout"},
        {"--sync=1", "takes no value"},
        {"--log=", "--log"},
        {"--frobnicate=1", "unknown option"},
        {"extra", "unknown option"},
    };
    for (const Case& c : cases) {
        ServerOptions o;
        std::string error;
        EXPECT_EQ(kOptionsError, ParseServerOptions({c.arg}, o, error)) << c.arg;
        EXPECT_NE(std::string::npos, error.find(c.inError)) << c.arg << ": " << error;
    }
    ServerOptions o;
    std::string error;
    EXPECT_EQ(kOptionsHelp, ParseServerOptions({"--help"}, o, error));
    EXPECT_NE(std::string::npos, UsageText().find("--sync-timeout=MS"));
}

}  // namespace
