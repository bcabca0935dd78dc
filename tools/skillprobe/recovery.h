#ifndef TOOLS_SKILLPROBE_RECOVERY_H
#define TOOLS_SKILLPROBE_RECOVERY_H

// The behaviour's recoveries as the get-ups, the stumble catches and the keeper's dive run
// them: the motion of a recovery state, then what the behaviour does after it.

#include "behavior/naobehavior.h"
#include "tools/skillprobe/skills.h"

namespace skillprobe {

// Runs the behaviour's recovery for `state` to its end, then the origin-pose hold of 10 cycles
// and the two stopped cycles of deciding again, as the behaviour does. One call is one cycle;
// returns true when the whole sequence is over.
class Recovery {
  public:
    explicit Recovery(eState state) : state_(state) {}

    bool Cycle(Robot& robot);
    int MotionCycles() const { return motionCycles_; }
    bool MotionOver() const { return stage_ != kMotion; }

  private:
    enum Stage { kMotion, kOrigin, kJudge, kOver };
    eState state_;
    Stage stage_ = kMotion;
    int counter_ = 0, cycles_ = 0, motionCycles_ = 0;
};

}  // namespace skillprobe

#endif
