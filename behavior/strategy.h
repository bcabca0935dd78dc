#ifndef BEHAVIOR_STRATEGY_H
#define BEHAVIOR_STRATEGY_H

#include "behavior/headvision.h"
#include "behavior/naobehavior.h"
#include "body/player.h"
#include "world/worldmodel.h"

// The decisions of the behaviour: built fresh from this cycle's copies of the body state and
// the world model whenever the state machine re-decides, so whatever must survive between
// decisions is static (the flags of the ball play in the source unit).
//
// Walking decisions go to the gait through Inverse::rotateAngle (degrees, + = left),
// Inverse::goalDistance (metres forward, negative backward) and Inverse::BeamDistance (metres
// sideways, + = left); the strategy never moves a joint itself. Bearings are in the torso
// frame, degrees; positions in the field frame, metres.
class Strategy {
  public:
    // Which bearing the walk turns to.
    enum TargetState {
        S_BallToTorse_Angle = 0,
        S_BallToTorse_AngleKick = 1,
        S_BallToGoal_AngleTorseToGoal = 2,
        S_BallToKeeper_AngleStand = 3,
        S_RandomAngle = 4,  // the bearing of a chosen point, held in randomAngle
        S_BallToLeftFoot_Angle = 5,
        S_BallToRightFoot_Angle = 6,
    };

    Player myPlayer;
    WorldModel myWorldModel;
    HeadVision myHeadVision;
    float targetAngle = 0;  // heading chosen for the walk, degrees

    // Set while the robot stands at the ball lined up towards the goal and pushes it on: the
    // gait then walks with 0.2 s steps instead of 0.28 s and allows turns of up to 5 degrees.
    static bool findBall;

    // Where the ball play stands between decisions, for tools that measure it.
    enum BallPlayStage { kApproach, kLineUp, kPush };
    static BallPlayStage Stage();

    Strategy();
    Strategy(Player player, WorldModel world);
    ~Strategy();

    // The next behaviour state.
    eState JudgeState_B();
    // The recovery state when the torso is lying or tipping over, 0 while upright.
    eState JudgeStumble();
    // Refreshes targetAngle and Inverse::rotateAngle from the chosen heading source; called on
    // every cycle of a forward or backward gait step.
    void JudgeInverseStepOffsetAngle();
    // The same choice of heading, as a turn of 2, -2 or 0 degrees (dead band of 1 degree).
    float JudgeOffsetAngle();

    // Moves the formation points 5 to 7 with the ball: back towards the own goal and round it.
    void CalMoveGuideCoordinate();
    // The formation point this robot is to take, or -1 when none falls to it.
    int AllMoveGuidePoint();
    int MoveGuidePointCanBack(float x, float y);
    // Approach the ball, line up behind it towards the goal, push it on.
    int KickStrategy();
    // Dribble straight on without lining up (an opponent is at the ball).
    int BreakBallStrategy();

    // Walking commands; each returns the state that carries it out.
    int JudgeRotateState(float angle);
    int JudgeRotateState(float angle, float distance);
    int JudgeRotateState(float angle, float x, float y);
    int JudgeRotateState(float angle, float x, float y, float maxAngle);
    int JudgeRotateStateCanBack(float angle, float dx, float dy);
    int JudgeTorse_GoalToBall_Goal(float angle, float distance);

    bool NearBall();
    // The ball still lies where the robot reached it.
    bool BetweenKickToBall();
    // The heading suits pushing the ball on (the argument is not read).
    bool JudgeBallToGoal(float offsetTorse_GoalToBall_Goal);

  private:
    float ChosenTargetAngle();
    int FaceTheBall();
};

#endif
