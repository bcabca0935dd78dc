#ifndef SIM_SERVER_REFEREE_H
#define SIM_SERVER_REFEREE_H

#include <string>
#include <vector>

// The referee: play modes, game clock, score and halves, judged each cycle from the ground
// truth of the ball. It never moves robots; it asks for the ball to be put on the centre spot
// at every kick-off.

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
const double kFieldHalfLength = 10.5;  // m
const double kGoalHalfWidth = 1.05;    // m
const double kGoalHeight = 0.8;        // m
const double kBallRadius = 0.042;      // m
const double kGoalPauseSeconds = 3;    // Goal_X lasts this long
const double kSetPlaySeconds = 15;     // a set play turns into PlayOn after this long
const double kCycleSeconds = 0.02;

struct RefereeInput {
    double ballPos[3] = {0, 0, kBallRadius};  // field frame, m
    bool ballTouched = false;                 // a robot touched the ball in this cycle
    int agentsJoined = 0;                     // robots in the game
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

    // Taken by the server after each Step or trainer command.
    std::vector<RefereeEvent> TakeEvents();
    // True once after a kick-off has been called: the ball belongs on the centre spot.
    bool TakeBallToCentre();

    PlayMode mode = kBeforeKickOff;
    double gameTime = 0;  // s, the GS clock
    int scoreLeft = 0;
    int scoreRight = 0;
    int half = 1;

  private:
    void SetMode(PlayMode m);
    void KickOff(bool left);
    bool JudgeGoal(const RefereeInput& in);
    bool IsSetPlay() const;

    double halfTime_;
    double autoKickoff_;
    bool trainerSeen_ = false;
    bool firstWait_ = true;  // still in the first BeforeKickOff
    double sinceJoin_ = -1;  // s since the first agent joined, -1 before
    double modeTime_ = 0;    // game s in the current mode
    bool leftKicksFirst_ = true;
    bool ballToCentre_ = false;
    std::vector<RefereeEvent> events_;
};

#endif
