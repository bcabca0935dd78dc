// The physics worker: jobs run one at a time and are complete when Finish returns; the worker
// alone (not the loop's thread) goes ahead of other processes when the system allows it.
#include "sim/server/stepper.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

int NiceOfThisThread() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

TEST(StepperTest, JobsRunInTurnAndAreDoneWhenFinishReturns) {
    Stepper stepper;
    int value = 0;
    std::atomic<int> running{0};
    for (int k = 1; k <= 20; ++k) {
        stepper.Start([&, k] {
            EXPECT_EQ(1, ++running);  // never two at once
            std::this_thread::sleep_for(std::chrono::microseconds(k % 3 ? 0 : 500));
            value = value * 2 + k;
            --running;
        });
        EXPECT_TRUE(stepper.Running());
        if (k % 4 == 0) stepper.Finish();  // otherwise the next Start finishes it
    }
    stepper.Finish();
    EXPECT_FALSE(stepper.Running());
    int want = 0;
    for (int k = 1; k <= 20; ++k) want = want * 2 + k;
    EXPECT_EQ(want, value);
}

TEST(StepperTest, OnlyTheWorkerIsRaisedAndOnlyWherePermitted) {
    const int before = NiceOfThisThread();
    rlimit limit{};
    getrlimit(RLIMIT_NICE, &limit);
    // Root, or a nice limit (RLIMIT_NICE: the lowest nice is 20 minus it) that reaches it.
    const bool permitted = geteuid() == 0 || limit.rlim_cur == RLIM_INFINITY ||
                           20 - static_cast<int>(limit.rlim_cur) <= Stepper::kStepNice;
    Stepper stepper;
    int worker = 100;
    stepper.Start([&] { worker = NiceOfThisThread(); });
    stepper.Finish();
    EXPECT_EQ(permitted ? Stepper::kStepNice : before, worker);
    EXPECT_EQ(before, NiceOfThisThread());
}

}  // namespace
