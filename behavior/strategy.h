#ifndef BEHAVIOR_STRATEGY_H
#define BEHAVIOR_STRATEGY_H

#include "behavior/headvision.h"
#include "behavior/naobehavior.h"
#include "body/player.h"
#include "world/worldmodel.h"

// The decisions of the behaviour: built fresh from this cycle's copies of the body state and
// the world model whenever the state machine re-decides, so whatever must survive between
// decisions is static.
class Strategy {
  public:
    Player myPlayer;
    WorldModel myWorldModel;
    HeadVision myHeadVision;
    float targetAngle = 0;  // heading chosen for the walk, degrees

    // Set while the robot stands at the ball lined up towards the goal and pushes it on: the
    // gait then walks with 0.2 s steps instead of 0.28 s and allows turns of up to 5 degrees.
    static bool findBall;

    Strategy();
    Strategy(Player player, WorldModel world);
    ~Strategy();

    // The next behaviour state.
    eState JudgeState_B();
    // The recovery state when the torso is lying or tipping over, 0 while upright.
    eState JudgeStumble();
};

#endif
