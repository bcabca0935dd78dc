#ifndef BEHAVIOR_STRATEGY_H
#define BEHAVIOR_STRATEGY_H

// The strategy that chooses behaviour states and walking commands.
class Strategy {
  public:
    // Set while the robot stands at the ball lined up towards the goal and pushes it on: the
    // gait then walks with 0.2 s steps instead of 0.28 s and allows turns of up to 5 degrees.
    static bool findBall;
};

#endif
