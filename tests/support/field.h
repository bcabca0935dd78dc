#ifndef TESTS_SUPPORT_FIELD_H
#define TESTS_SUPPORT_FIELD_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/simprocess.h"

// pitchsim with its trainer and agents of ours, for scenarios in real physics.
class FieldTest : public ::testing::Test {
  protected:
    // pitchsim with --quiet and `options` (a later option wins), the trainer connected.
    void StartServer(const std::vector<std::string>& options);
    ChildProcess& StartAgent(int unum);
    void TearDown() override;  // pitchsim stops cleanly and every agent ends with it

    std::string State() { return trainer.Command("(getState)"); }
    double SimTime() { return NumberAfter(State(), "time"); }
    // Polls until `done` holds; false if it does not within the wall time given.
    bool Until(const std::function<bool()>& done, double wallSeconds = 30);
    bool UntilSimTime(double t, double wallSeconds = 60);

    PitchSim sim;
    TrainerClient trainer;
    std::vector<std::unique_ptr<ChildProcess>> agents;
};

#endif
