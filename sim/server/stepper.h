#ifndef SIM_SERVER_STEPPER_H
#define SIM_SERVER_STEPPER_H

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// One job at a time on a thread of its own: the loop hands it the physics step of the next
// cycle and collects the agents' replies meanwhile. Start() and Finish() are called from one
// thread only.
class Stepper {
  public:
    static constexpr int kStepNice = -10;  // the worker's nice value, where permitted

    Stepper();
    ~Stepper();
    Stepper(const Stepper&) = delete;
    Stepper& operator=(const Stepper&) = delete;

    // Runs `job` on the worker. The previous job must be finished.
    void Start(std::function<void()> job);
    // Waits until the job started last is done (at once when none runs).
    void Finish();
    bool Running() const { return running_; }

  private:
    void Work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool hasJob_ = false;
    bool quit_ = false;
    bool running_ = false;  // started and not yet finished (caller's view)
    std::thread thread_;
};

#endif
