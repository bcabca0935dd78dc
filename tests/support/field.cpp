#include "support/field.h"

#include <chrono>
#include <thread>

void FieldTest::StartServer(const std::vector<std::string>& options) {
    std::vector<std::string> all = {"--quiet"};
    all.insert(all.end(), options.begin(), options.end());
    ASSERT_TRUE(sim.Start(all)) << sim.process.Stderr();
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
}

ChildProcess& FieldTest::StartAgent(int unum, const std::vector<std::string>& options) {
    agents.push_back(std::make_unique<ChildProcess>());
    std::vector<std::string> args = {"--port=" + std::to_string(sim.AgentPort()),
                                     "--unum=" + std::to_string(unum)};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_TRUE(agents.back()->Start(VELORUNNER_BIN, args)) << unum;
    return *agents.back();
}

void FieldTest::TearDown() {
    EXPECT_TRUE(sim.Stop()) << sim.process.Stderr();
    for (auto& agent : agents) EXPECT_TRUE(agent->Wait(10));
}

bool FieldTest::Until(const std::function<bool()>& done, double wallSeconds) {
    for (double end = WallSeconds() + wallSeconds; !done();) {
        if (WallSeconds() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool FieldTest::UntilSimTime(double t, double wallSeconds) {
    return Until([&] { return SimTime() >= t; }, wallSeconds);
}

bool FieldTest::OnField(const std::vector<int>& unums) {
    return Until([&] {
        const std::string state = State();
        for (int unum : unums)
            if (!FindRobot(state, "Left", unum).found) return false;
        return true;
    });
}

std::string RunSkillProbe(const std::vector<std::string>& args) {
    PitchSim sim;
    // A generous sync timeout: a busy machine must not step the world without the probe.
    EXPECT_TRUE(
        sim.Start({"--sync", "--noise=off", "--auto-kickoff=0", "--quiet", "--sync-timeout=5000"}));
    std::vector<std::string> all = {"--port=" + std::to_string(sim.AgentPort()),
                                    "--trainer-port=" + std::to_string(sim.TrainerPort())};
    all.insert(all.end(), args.begin(), args.end());
    ChildProcess probe;
    EXPECT_TRUE(probe.Start(std::string(BIN_DIR) + "/skillprobe", all));
    const bool ok = probe.Wait(120) && probe.ExitedWith(0);
    EXPECT_TRUE(ok) << probe.Stderr();
    EXPECT_TRUE(sim.Stop());
    return ok ? probe.Stdout() : "";
}
