#ifndef BEHAVIOR_NAOBEHAVIOR_H
#define BEHAVIOR_NAOBEHAVIOR_H

// Behaviour states of the per-cycle state machine; the values are fixed (0 to 47).
enum eState {
    S_Beam = 0,
    S_Wait = 1,
    S_Sit = 2,
    S_SwingLeft = 3,
    S_SwingRight = 4,
    S_Walk = 5,
    S_Origin = 6,
    S_OriginWalk = 7,
    S_Judge = 8,
    S_Step = 9,
    S_BackStep = 10,
    S_StepFast = 11,
    S_NON = 12,
    S_TurnRight = 13,
    S_TurnLeft = 14,
    S_TurnRight_30 = 15,
    S_TurnLeft_30 = 16,
    S_KickRight = 17,
    S_KickLeft = 18,
    S_BeamLeft = 19,
    S_BeamRight = 20,
    S_BeamLeftRotate = 21,
    S_BeamRightRotate = 22,
    S_BeamLeftCircle = 23,
    S_BeamRightCircle = 24,
    S_SmallKickRight = 25,
    S_SmallKickLeft = 26,
    S_StandUpForward = 27,
    S_StandUpBack = 28,
    S_Stumble_Left = 29,
    S_Stumble_Right = 30,
    S_FrontCatch = 31,
    S_InverseStep = 32,
    S_InverseStepEnd = 33,
    S_InverseRoatate = 34,
    S_InverseBeamCircle = 35,
    S_HeadRotate = 36,
    S_KickTOVK = 37,
    S_KickLeftPelm = 38,
    S_QawTOVK = 39,
    S_Test = 40,
    S_InverseRoatateEnd = 41,
    S_KickRightTOVK = 42,
    S_KeeperCatch = 43,
    S_KeeperToFaceDown = 44,
    S_NON1 = 45,
    S_GYRRotateHead = 46,
    S_BackInverseStep = 47
};

// The behaviour object. The current state is static: the vision parser reads it to decide
// whether landmark sightings belong to a head sweep.
class NaoBehavior {
  public:
    static eState mState;
};

#endif
