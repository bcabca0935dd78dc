#ifndef SIM_REFEREE_REFEREE_H
#define SIM_REFEREE_REFEREE_H

#include <string>
#include <vector>

#include "sim/physics/field.h"

// The referee: play modes, game clock, score and halves, judged each cycle from the ground
// truth of the ball and the robots that touched it. It never moves robots; it asks for the
// ball to be put, at rest, on the centre spot at every kick-off and on the spot of every set
// play it calls (the rules of the ball out of play are in outofplay.h).

enum PlayMode {
    kBeforeKickOff,
    kKickOffLeft,
    kKickOffRight,
    kPlayOn,
    kKickInLeft,
    kKickInRight,
    kCornerKickLeft,
    kCornerKickRight,
    kGoalKickLeft,
    kGoalKickRight,
    kGoalLeft,
    kGoalRight,
    kGameOver,
    kPlayModeCount
};

// The wire name ("BeforeKickOff", "KickOff_Left", "corner_kick_left", ...).
const char* PlayModeName(PlayMode mode);
bool ParsePlayMode(const std::string& name, PlayMode& mode);

// Field and goal facts the referee judges by (field frame: the left team's goal at -x).
const double kFieldHalfLength = sim::kFieldLength / 2;  // m
const double kGoalHalfWidth = sim::kGoalWidth / 2;      // m
const double kGoalHeight = sim::kGoalHeight;            // m
const double kBallRadius = sim::kBallRadius;            // m
const double kGoalPauseSeconds = 3;                     // Goal_X lasts this long
const double kSetPlaySeconds = 15;  // a set play turns into PlayOn after this long
const double kCycleSeconds = 0.02;

struct BallTouch {
    bool left = true;  // the robot's team plays left
    int unum = 0;
};

struct RefereeInput {
    double ballPos[3] = {0, 0, kBallRadius};  // field frame, m
    std::vector<BallTouch> touches;  // robots that touched the ball in this cycle, first first
    int agentsJoined = 0;            // robots in the game
};

// The robot that touched the ball last since the latest kick-off.
struct LastTouch {
    bool known = false;
    bool left = true;
    int unum = 0;
};

struct RefereeEvent {
    enum Kind { kModeChange, kGoal };
    Kind kind = kModeChange;
    PlayMode mode = kBeforeKickOff;  // the new mode (kModeChange) or Goal_X (kGoal)
};

class Referee {
  public:
    Referee(double halfTimeSeconds, double autoKickoffSeconds);

    // Judges one cycle of 0.02 s that has just been simulated.
    void Step(const RefereeInput& in);

    // Trainer commands. Any of them ends the automatic kick-off.
    void TrainerKickOff(bool left);
    void TrainerPlayMode(PlayMode mode);
    void NoteTrainerCommand() { trainerSeen_ = true; }

    // Beams are honoured only while the game is stopped before a kick-off.
    bool BeamAllowed() const;
    // Seconds of simulation since the present mode began (the game clock may stand still).
    double SecondsInMode() const { return modeTime_; }

    // Taken by the server after each Step or trainer command.
    std::vector<RefereeEvent> TakeEvents();
    // True once after a kick-off or a set play has been called: the ball belongs, at rest,
    // at `spot` (field frame, m).
    bool TakeBallSpot(double spot[3]);

    PlayMode mode = kBeforeKickOff;
    double gameTime = 0;  // s, the GS clock
    int scoreLeft = 0;
    int scoreRight = 0;
    int half = 1;
    LastTouch lastTouch;

  private:
    void SetMode(PlayMode m);
    void KickOff(bool left);
    void StepRules(const RefereeInput& in);
    void StepBeforeKickOff(const RefereeInput& in);
    bool EndOfHalf();
    bool JudgeGoal(const RefereeInput& in);
    bool JudgeSetPlayTouches(const RefereeInput& in);
    void CallSetPlay(PlayMode m, const double spot[3]);
    void PlaceBall(const double spot[3]);
    bool IsSetPlay() const;

    double halfTime_;
    double autoKickoff_;
    bool trainerSeen_ = false;      // in the present wait for a kick-off
    double waiting_ = -1;           // s of this half's wait for its kick-off, -1 before it begins
    double modeTime_ = 0;           // s in the current mode
    bool firstKickOffLeft_ = true;  // who kicked off the first half (the second: the other)
    bool firstKickOffTaken_ = false;
    bool leftKickedOff_ = true;  // who took the latest kick-off
    bool spotKnown_ = false;     // where the present set play is taken
    double spot_[3] = {0, 0, kBallRadius};
    bool ballToSpot_ = false;
    double previousBall_[3] = {0, 0, kBallRadius};
    std::vector<RefereeEvent> events_;
};

#endif
