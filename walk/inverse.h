#ifndef WALK_INVERSE_H
#define WALK_INVERSE_H

#include "world/operatematrix.h"

// The six joint angles of one leg, degrees, in the sign convention of the keyframe targets (the
// command encoder reverses joints 3, 4 and 5). No field is ever exactly 0: an exact zero would
// read as "hold the joint".
struct LegInverseAngle {
    float q2 = 0;  // hip yaw-pitch (lle1 / rle1)
    float q3 = 0;  // hip roll (lle2 / rle2)
    float q4 = 0;  // hip pitch (lle3 / rle3)
    float q5 = 0;  // knee pitch (lle4 / rle4)
    float q6 = 0;  // ankle pitch (lle5 / rle5)
    float q7 = 0;  // ankle roll (lle6 / rle6)
};

// Omnidirectional walk from the linear inverted pendulum: the centre of mass follows the analytic
// pendulum solution over each single-support step, the feet are placed by step records that
// alternate between the left and the right foot, and the swing foot follows a piecewise-linear
// path. One call of a walking kind advances one 20 ms sub-step.
//
// Walking frame: re-anchored on the support foot at every step, origin at the support ankle
// projected to the ground, x forward along the torso's heading, y left, z up; metres, seconds,
// degrees. A step record is (x forward distance, y lateral distance between the feet, z turn).
//
// The walk is process-wide: all gait state is static and shared by every Inverse object.
class Inverse {
  public:
    static float Tsup;         // duration of one step (single support), s
    static float zc;           // pendulum height, m
    static float Tc;           // sqrt(zc / 9.8), s
    static float C;            // cosh(Tsup / Tc)
    static float S;            // sinh(Tsup / Tc)
    static int stepCount;      // step in progress, counted from the last restart
    static int initStepCount;  // stepCount at the last restart
    static int oneStepCount;   // cycle within the step, 1..N (0 before the first cycle)
    static FlagLocation Sformer;
    static FlagLocation Scurrent;  // step record that placed the present support foot
    static FlagLocation Slatter;   // step record for the swing foot of the step in progress
    static FlagLocation Stemp;
    static float pxn;  // Scurrent as a displacement
    static float pyn;
    static float pxn_1;  // Slatter as a displacement
    static float pyn_1;
    static float xUnit;  // half-step of the walking primitive, m
    static float yUnit;
    static float xUnitVelocity;  // centre-of-mass velocity at the start of the primitive, m/s
    static float yUnitVelocity;
    static float centroidLocationx;  // centre of mass, walking frame, this cycle
    static float centroidLocationy;
    static float stepXRange;
    static float stepYRange;
    static bool init;
    // Walking command, written by the strategy.
    static float goalDistance;  // forward, m; a walk step uses half of it
    static float BeamDistance;  // sideways, m
    static float rotateAngle;   // turn, degrees

    FlagLocation leftAnkle;
    FlagLocation rightAnkle;
    FlagLocation torseLocation;
    float upFootOffset = 0.007f;  // height by which the swing foot is lifted, metres

    Inverse();

    void SetTc();
    void ChangeTsup(float time);
    // Restart: step duration `time`, cycle counter 0; the left foot swings first when LeftFoot.
    void SetFootFirst(bool LeftFoot, float time);
    // Restart counting steps from `count` (LeftFoot is not read).
    void SetFootFirst(bool LeftFoot, float time, int count);

    // One cycle of each walking kind; true on the last cycle of a step once enough steps have
    // been made since the last restart.
    bool InverseStepAI();
    bool InverseStepAIEnd();
    bool InverseStepRotate();
    bool InverseBeamCircle();
    bool InverseKickBeamStep();
    // One cycle of the fixed test pattern: 0.08 m steps, 7 degrees right every second step.
    void InverseStep();

    // This cycle's targets: both ankles (location, yaw in angle.z) and the torso, walking frame.
    void GetTorseAndAnkle(FootLocationAndAngle& leftAngle, FootLocationAndAngle& rightAngle,
                          FlagLocation& torse);

    void FootLocation();
    void FootCalPara();
    float CentroidEquation(float t, float lx, float vx);
    float GetCentroidVelocity(float t, float lx, float vx);

    // Step set-ups: choose Slatter for the step that begins.
    void SetInverseStepSlatter(float tempX, float y, float angle);
    void SetInverseRotateSlatter(float x, float y, float angle);
    void SetInverseBeamCircleSlatter(float x, float y, float angle);
    void SetInverseStepEndSlatter(float x, float y, float angle);

    // Cycles per step for the present Tsup, and the middle cycle.
    static int CyclesPerStep();
    static int HalfStep();

  private:
    enum StepKind { kStepAI, kStepAIEnd, kStepRotate, kBeamCircle, kKickBeamStep, kFixedStep };
    void AdvanceCycle(StepKind kind);
    void SetUpStep(StepKind kind);
    bool StepDone(int minimumSteps) const;
};

#endif
