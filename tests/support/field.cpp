#include "support/field.h"

#include <chrono>
#include <thread>

void FieldTest::StartServer(const std::vector<std::string>& options) {
    std::vector<std::string> all = {"--quiet"};
    all.insert(all.end(), options.begin(), options.end());
    ASSERT_TRUE(sim.Start(all)) << sim.process.Stderr();
    ASSERT_TRUE(trainer.Connect(sim.TrainerPort()));
}

ChildProcess& FieldTest::StartAgent(int unum) {
    agents.push_back(std::make_unique<ChildProcess>());
    EXPECT_TRUE(agents.back()->Start(VELORUNNER_BIN, {"--port=" + std::to_string(sim.AgentPort()),
                                                      "--unum=" + std::to_string(unum)}));
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
