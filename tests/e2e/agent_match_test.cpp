// Our agent in pitchsim: it joins, is given its number and side, beams to its formation place,
// holds its stance after kick-off, and plays on next to clients that misbehave.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/simprocess.h"

namespace {

class AgentMatchTest : public ::testing::Test {
  protected:
    void StartServer(std::vector<std::string> options) {
        options.insert(options.end(), {"--quiet", "--noise=off"});
        ASSERT_TRUE(sim.Start(options)) << sim.process.Stderr();
        ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
    }
    void StartAgent(int unum, const std::vector<std::string>& options = {}) {
        agents.push_back(std::make_unique<ChildProcess>());
        std::vector<std::string> args = {"--port=" + std::to_string(sim.AgentPort()),
                                         "--unum=" + std::to_string(unum)};
        args.insert(args.end(), options.begin(), options.end());
        ASSERT_TRUE(agents.back()->Start(VELORUNNER_BIN, args));
    }
    void TearDown() override {
        EXPECT_TRUE(sim.Stop()) << sim.process.Stderr();
        for (auto& a : agents) EXPECT_TRUE(a->Wait(10));
    }
    std::string State() { return trainer.Command("(getState)"); }
    double SimTime() { return NumberAfter(State(), "time"); }
    // Polls until `done` holds; false if it does not within the wall time given.
    bool Until(const std::function<bool()>& done, double wallSeconds) {
        for (double end = WallSeconds() + wallSeconds; !done();) {
            if (WallSeconds() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    PitchSim sim;
    TrainerClient trainer;
    std::vector<std::unique_ptr<ChildProcess>> agents;
};

TEST_F(AgentMatchTest, OneAgentBeamsToItsFormationPlaceThenHoldsItsStanceForThirtySeconds) {
    StartServer({"--sync", "--auto-kickoff=0"});
    StartAgent(5);
    ASSERT_TRUE(Until([&] { return SimTime() >= 3; }, 60));
    std::string state = State();
    EXPECT_EQ("BeforeKickOff", PlayModeOf(state));
    // Number 5 of the left team stands at its formation place (-5.5, -2).
    RobotState r = FindRobot(state, "Left", 5);
    ASSERT_TRUE(r.found) << state;
    EXPECT_NEAR(-5.5, r.x, 0.1);
    EXPECT_NEAR(-2, r.y, 0.1);

    ASSERT_EQ("(ok)", trainer.Command("(kickOff Left)"));
    double start = SimTime(), lowestUpz = 1;
    while (SimTime() < start + 30) {
        r = FindRobot(State(), "Left", 5);
        ASSERT_TRUE(r.found);
        ASSERT_FALSE(r.fallen) << "fell at " << SimTime();
        lowestUpz = std::min(lowestUpz, r.upz);
        // A synced server runs many cycles per wall millisecond: look often.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(lowestUpz, 0.9);
    EXPECT_TRUE(agents[0]->Running());
}

TEST_F(AgentMatchTest, FourAgentsPlayOnBesideAGarbageClientAndOneThatStopsReading) {
    StartServer({"--sync"});
    for (int unum = 1; unum <= 4; ++unum) StartAgent(unum);
    // The agents' team comes first and plays left.
    ASSERT_TRUE(Until(
        [&] {
            std::string state = State();
            for (int unum = 1; unum <= 4; ++unum)
                if (!FindRobot(state, "Left", unum).found) return false;
            return true;
        },
        30));
    WireClient garbage, sleeper;
    ASSERT_TRUE(garbage.Connect(sim.AgentPort()));
    garbage.Send("(scene rsg/agent/nao/nao.rsg)");
    ASSERT_TRUE(sleeper.Connect(sim.AgentPort()));
    sleeper.Send("(scene rsg/agent/nao/nao.rsg)");
    sleeper.Send("(init (unum 9)(teamname Sleepers))");

    // The garbage client answers every perception with rubbish; the sleeper never reads.
    std::string perception;
    double simStart = -1;
    for (double end = WallSeconds() + 60; WallSeconds() < end;) {
        if (garbage.Receive(perception, 0.5)) garbage.Send("(he1 nan)((((lle2 1e99)(say a b)");
        double t = SimTime();
        if (simStart < 0 && t > 1) simStart = t;
        if (simStart > 0 && t > simStart + 20) break;
    }
    std::string state = State();
    for (int unum = 1; unum <= 4; ++unum) {
        RobotState r = FindRobot(state, "Left", unum);
        EXPECT_TRUE(r.found && !r.fallen) << unum;
    }
    // The sleeper was dropped for its silence; the four agents kept the clock going.
    EXPECT_FALSE(FindRobot(state, "Right", 9).found);
    EXPECT_GT(NumberAfter(state, "time"), simStart + 20);
    for (auto& a : agents) EXPECT_TRUE(a->Running());
}

TEST_F(AgentMatchTest, TwoTeamsOfTheAgentUnderTheirOwnNamesBothJoin) {
    StartServer({"--sync", "--auto-kickoff=0"});
    for (int unum = 1; unum <= 2; ++unum) {
        StartAgent(unum, {"--team=Alpha", "--key=abc"});
        StartAgent(unum, {"--team=Beta", "--key=xyz"});
    }
    // Both teams' numbers 1 and 2 beam to their kick-off places, x = -10.1 and -7.5 in their own
    // frames: the right team's are mirrored in the state.
    const double ownX[3] = {0, -10.1, -7.5};
    ASSERT_TRUE(Until(
        [&] {
            std::string state = State();
            for (int unum = 1; unum <= 2; ++unum) {
                RobotState left = FindRobot(state, "Left", unum);
                RobotState right = FindRobot(state, "Right", unum);
                if (!left.found || !right.found || std::fabs(left.x - ownX[unum]) > 0.1 ||
                    std::fabs(right.x + ownX[unum]) > 0.1)
                    return false;
            }
            return true;
        },
        30))
        << State();
    for (auto& a : agents) EXPECT_TRUE(a->Running());
}

}  // namespace
