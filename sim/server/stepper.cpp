#include "sim/server/stepper.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

Stepper::Stepper() : thread_([this] { Work(); }) {}

Stepper::~Stepper() {
    Finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Stepper::Start(std::function<void()> job) {
    Finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = std::move(job);
        hasJob_ = true;
    }
    running_ = true;
    changed_.notify_all();
}

void Stepper::Finish() {
    if (!running_) return;
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !hasJob_; });
    running_ = false;
}

void Stepper::Work() {
    // The step holds up every agent's next perception: when the system allows it, this thread
    // goes ahead of the agents for the processor, instead of waiting its turn among twenty
    // agents woken by their perceptions. Without the right to raise it, it keeps the usual
    // priority.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kStepNice);
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return hasJob_ || quit_; });
        if (quit_) return;
        std::function<void()> job = std::move(job_);
        lock.unlock();
        job();
        lock.lock();
        hasJob_ = false;
        changed_.notify_all();
    }
}
