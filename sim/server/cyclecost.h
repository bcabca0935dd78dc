#ifndef SIM_SERVER_CYCLECOST_H
#define SIM_SERVER_CYCLECOST_H

#include <array>
#include <chrono>
#include <string>

// Where the server's wall time goes, by stage of the cycle, summed over the run: the figures
// behind "how fast can a synced match run". Wall time, so a busy machine inflates them all.
class CycleCosts {
  public:
    using Clock = std::chrono::steady_clock;
    enum Stage {
        kPhysics,   // stepping the world (on the stepper's thread, beside the replies)
        kStepWait,  // the loop waiting for the step to end
        kSensors,   // reading every robot's sensors
        kVision,    // what every robot sees (vision cycles)
        kText,      // hearing and the perception texts
        kSend,      // handing them to the sockets
        kReplies,   // reading the replies, applying them, trainer commands
        kWaiting,   // in poll: waiting for replies or the next real-time slot
        kStageCount
    };

    void Add(Stage stage, Clock::duration d) {
        total_[stage] += d;
        cycle_[stage] += d;
    }
    // Ends the cycle: the next one's stages start from zero.
    void CountCycle() {
        cycles_++;
        cycle_ = {};
    }
    long Cycles() const { return cycles_; }
    // "physics 1.90 sensors 0.20 ... ms per cycle over N cycles".
    std::string Summary() const;
    // The cycle so far, for one that took `wall`: "slow cycle 10234 ms (wall): physics 8.1 ...
    // other 10190.2", where other is the wall time no stage of the loop's thread accounts for
    // (the physics overlaps the replies on the stepper's thread and is not subtracted).
    std::string SlowCycleLine(Clock::duration wall) const;

  private:
    std::array<Clock::duration, kStageCount> total_{};
    std::array<Clock::duration, kStageCount> cycle_{};  // the cycle under way
    long cycles_ = 0;
};

// Adds the time from its construction to Stop() (or its end) to a stage.
class StageTimer {
  public:
    StageTimer(CycleCosts& costs, CycleCosts::Stage stage)
        : costs_(costs), stage_(stage), start_(CycleCosts::Clock::now()) {}
    ~StageTimer() { Stop(); }
    void Stop() {
        if (stopped_) return;
        stopped_ = true;
        costs_.Add(stage_, CycleCosts::Clock::now() - start_);
    }

  private:
    CycleCosts& costs_;
    CycleCosts::Stage stage_;
    CycleCosts::Clock::time_point start_;
    bool stopped_ = false;
};

#endif
