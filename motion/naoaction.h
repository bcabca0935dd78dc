#ifndef MOTION_NAOACTION_H
#define MOTION_NAOACTION_H

#include <array>
#include <sstream>
#include <string>

#include "behavior/headvision.h"
#include "body/player.h"
#include "walk/inverse.h"
#include "walk/inverseaction.h"
#include "world/worldmodel.h"

// The motion library: the joint command encoder (joint targets in degrees become the 22 joint
// velocity groups of the effector message) and the keyframe motions built on its engine.
//
// Keyframe convention: a pose is 22 targets in degrees in the order head1, head2, arml1, armr1,
// arml2, armr2, arml3, armr3, arml4, armr4, legl1, legr1, ... legl6, legr6. head1 drives the head
// pitch (effector "he2") and head2 the head yaw ("he1"); arml1, armr1 and legl3 ... legr5 are
// written with the opposite sign to the angle the server reports. A target of exactly 0 holds
// the joint, so a wanted zero is written as a tiny value such as 0.001.
class NaoAction {
  public:
    // Phases of each keyframe motion; the fixed int base keeps any stored value well defined.
    enum eState_Walk : int {
        S_UpRightFoot = 0,
        S_DownRightFoot,
        S_GravityToRight,
        S_CrossLeftFoot,
        S_DownLeftFoot,
        S_GravityToLeft,
        S_CrossRightFoot,
        S_WalkWait  // never entered
    };
    enum eState_BackStep : int {
        S_BackStep_UpRightFoot = 0,
        S_BackStep_DowinRightFoot,
        S_BackStep_UpLeftFoot,
        S_BackStep_DownLeftFoot
    };
    enum eState_RotateHead : int {
        S_RotateHead1 = 0,
        S_RotateHead2,
        S_RotateHead3,
        S_RotateHead4,
        S_RotateHead5
    };
    enum eState_Step : int {
        S_Step_UpRightFoot = 0,
        S_Step_DowinRightFoot,
        S_Step_UpLeftFoot,
        S_Step_DownLeftFoot
    };
    enum eState_InverseStep : int {
        S_InverseStep_UpRightFoot = 0,
        S_InverseStep_DowinRightFoot,
        S_InverseStep_UpLeftFoot,
        S_InverseStep_DownLeftFoot
    };
    enum eState_StepFast : int {
        S_Step_UpRightFootFast = 0,
        S_Step_DowinRightFootFast,
        S_Step_UpLeftFootFast,
        S_Step_DownLeftFootFast
    };
    enum eState_TurnRight : int {
        S_TurnRright_Origin = 0,
        S_TurnRright_UpRight,
        S_TurnRright_GravityRight,
        S_TurnRright_GetFoot
    };
    enum eState_TurnLeft : int {
        S_TurnLeft_Origin = 0,
        S_TurnLeft_UpRight,
        S_TurnLeft_GravityRight,
        S_TurnLeft_GetFoot
    };
    enum eState_TurnRight_30 : int {
        S_TurnRright_Origin_30 = 0,
        S_TurnRight_GravityLeft_30,
        S_TurnRright_UpRight_30,
        S_TurnRright_DownRight_30,
        S_TurnRright_GravityRight_30,
        S_TurnRright_GetFoot1_30,
        S_TurnRright_GetFoot2_30
    };
    enum eState_TurnLeft_30 : int {
        S_TurnLeft_Origin_30 = 0,
        S_TurnLeft_GravityRight_30,
        S_TurnLeft_UpLeft_30,
        S_TurnLeft_DownLeft_30,
        S_TurnLeft_GravityLeft_30,
        S_TurnLeft_GetFoot1_30,
        S_TurnLeft_GetFoot2_30
    };
    enum eState_KickRight : int {
        S_KickRight_Origin = 0,
        S_KickRight_GravityLeft,
        S_KickRight_UpRightFoot,
        S_KickRight_BackRightFoot,
        S_KickRight_ForwardFoot_One,
        S_KickRight_ForwardFoot_Two,
        S_KickRight_ForwardFoot_Three,
        S_KickRight_ReturnOrigin  // never entered
    };
    enum eState_KickLeft : int {
        S_KickLeft_Origin = 0,
        S_KickLeft_GravityRight,
        S_KickLeft_UpLeftFoot,
        S_KickLeft_BackLeftFoot,
        S_KickLeft_ForwardFoot_One,
        S_KickLeft_ForwardFoot_Two,
        S_KickLeft_ForwardFoot_Three,
        S_KickLeft_ReturnOrigin  // never entered
    };
    enum eState_StandUpForward : int {
        S_StandUpForward_1 = 0,
        S_StandUpForward_2,
        S_StandUpForward_3,
        S_StandUpForward_4,
        S_StandUpForward_5
    };
    enum eState_StandUpFaceFloor : int {
        S_StandUpFaceFloor_1 = 0,
        S_StandUpFaceFloor_1_1,
        S_StandUpFaceFloor_1_2,
        S_StandUpFaceFloor_2,
        S_StandUpFaceFloor_2_1,
        S_StandUpFaceFloor_3,
        S_StandUpFaceFloor_4
    };
    enum eState_StandUpBack : int {
        S_StandUpBack_1 = 0,
        S_StandUpBack_2,
        S_StandUpBack_3,
        S_StandUpBack_4,
        S_StandUpBack_5,
        S_StandUpBack_6
    };
    enum eState_StandUpFaceSky : int {
        StandUpFaceSky_1 = 0,
        StandUpFaceSky_1_1,
        StandUpFaceSky_1_2,
        StandUpFaceSky_2,
        StandUpFaceSky_3,
        StandUpFaceSky_4,
        StandUpFaceSky_5
    };
    enum eState_Stumble_Left : int { S_Stumble_Left_Arm = 0, S_Stumble_Left_Leg };
    enum eState_Stumble_Right : int { S_Stumble_Right_Arm = 0, S_Stumble_Right_Leg };
    enum eState_BeamLeft : int {
        S_BeamLeft_UPLeftFoot = 0,
        S_BeamLeft_MoveRightFoot,
        S_BeamLeft_MoveLeftFoot
    };
    enum eState_BeamRightRotate : int {
        S_BeamRightRotate_UPRightFoot = 0,
        S_BeamRightRotate_MoveRightFoot,
        S_BeamRightRotate_MoveLeftFoot
    };
    enum eState_BeamLeftRotate : int {
        S_BeamLeftRotate_UPLeftFoot = 0,
        S_BeamLeftRotate_MoveRightFoot,
        S_BeamLeftRotate_MoveLeftFoot
    };
    enum eState_BeamRight : int {
        S_BeamRight_UPRightFoot = 0,
        S_BeamRight_MoveRightFoot,
        S_BeamRight_MoveLeftFoot
    };
    enum eState_BeamLeftCircle : int {
        S_BeamLeftCircle_UPLeftFoot = 0,
        S_BeamLeftCircle_MoveRightFoot,
        S_BeamLeftCircle_MoveLeftFoot
    };
    enum eState_BeamRightCircle : int {
        S_BeamRightCircle_UPRightFoot = 0,
        S_BeamRightCircle_MoveRightFoot,
        S_BeamRightCircle_MoveLeftFoot
    };
    enum eState_SmallKickRight : int {
        S_SmallKickRight_GravityLeft = 0,
        S_SmallKickRight_KickRight
    };
    enum eState_SmallKickLeft : int { S_SmallKickLeft_GravityRight = 0, S_SmallKickLeft_KickLeft };
    enum eState_KickTOVK : int {
        S_KickTOVK1 = 0,
        S_KickTOVK2,
        S_KickTOVK3,
        S_KickTOVK4,
        S_KickTOVK4_1,  // never entered
        S_KickTOVK5,
        S_KickTOVK5_1,  // never entered
        S_KickTOVK6,
        S_KickTOVK7,
        S_KickTOVK8
    };
    enum eState_KeeperCatch : int {
        S_KeeperCatch1 = 0,
        S_KeeperCatch2,
        S_KeeperCatch3,
        S_KeeperCatch4,
        S_KeeperCatch5,
        S_KeeperCatch6,
        S_KeeperCatch7,
        S_KeeperCatch8,
        S_KeeperCatch9,
        S_KeeperCatch10
    };
    enum eState_KickLeftPelm : int {
        S_KickLeftPelm1 = 0,
        S_KickLeftPelm2,
        S_KickLeftPelm3,
        S_KickLeftPelm4,
        S_KickLeftPelm5
    };
    // S_QawTOVK1 ... S_QawTOVK199 are 0 ... 198, then S_QawTOVK0 199 and S_QawTOVK200 200.
    // clang-format off
    enum eState_QawTOVK : int {
        S_QawTOVK1, S_QawTOVK2, S_QawTOVK3, S_QawTOVK4, S_QawTOVK5, S_QawTOVK6, S_QawTOVK7,
        S_QawTOVK8, S_QawTOVK9, S_QawTOVK10, S_QawTOVK11, S_QawTOVK12, S_QawTOVK13, S_QawTOVK14,
        S_QawTOVK15, S_QawTOVK16, S_QawTOVK17, S_QawTOVK18, S_QawTOVK19, S_QawTOVK20, S_QawTOVK21,
        S_QawTOVK22, S_QawTOVK23, S_QawTOVK24, S_QawTOVK25, S_QawTOVK26, S_QawTOVK27, S_QawTOVK28,
        S_QawTOVK29, S_QawTOVK30, S_QawTOVK31, S_QawTOVK32, S_QawTOVK33, S_QawTOVK34, S_QawTOVK35,
        S_QawTOVK36, S_QawTOVK37, S_QawTOVK38, S_QawTOVK39, S_QawTOVK40, S_QawTOVK41, S_QawTOVK42,
        S_QawTOVK43, S_QawTOVK44, S_QawTOVK45, S_QawTOVK46, S_QawTOVK47, S_QawTOVK48, S_QawTOVK49,
        S_QawTOVK50, S_QawTOVK51, S_QawTOVK52, S_QawTOVK53, S_QawTOVK54, S_QawTOVK55, S_QawTOVK56,
        S_QawTOVK57, S_QawTOVK58, S_QawTOVK59, S_QawTOVK60, S_QawTOVK61, S_QawTOVK62, S_QawTOVK63,
        S_QawTOVK64, S_QawTOVK65, S_QawTOVK66, S_QawTOVK67, S_QawTOVK68, S_QawTOVK69, S_QawTOVK70,
        S_QawTOVK71, S_QawTOVK72, S_QawTOVK73, S_QawTOVK74, S_QawTOVK75, S_QawTOVK76, S_QawTOVK77,
        S_QawTOVK78, S_QawTOVK79, S_QawTOVK80, S_QawTOVK81, S_QawTOVK82, S_QawTOVK83, S_QawTOVK84,
        S_QawTOVK85, S_QawTOVK86, S_QawTOVK87, S_QawTOVK88, S_QawTOVK89, S_QawTOVK90, S_QawTOVK91,
        S_QawTOVK92, S_QawTOVK93, S_QawTOVK94, S_QawTOVK95, S_QawTOVK96, S_QawTOVK97, S_QawTOVK98,
        S_QawTOVK99, S_QawTOVK100, S_QawTOVK101, S_QawTOVK102, S_QawTOVK103, S_QawTOVK104, S_QawTOVK105,
        S_QawTOVK106, S_QawTOVK107, S_QawTOVK108, S_QawTOVK109, S_QawTOVK110, S_QawTOVK111, S_QawTOVK112,
        S_QawTOVK113, S_QawTOVK114, S_QawTOVK115, S_QawTOVK116, S_QawTOVK117, S_QawTOVK118, S_QawTOVK119,
        S_QawTOVK120, S_QawTOVK121, S_QawTOVK122, S_QawTOVK123, S_QawTOVK124, S_QawTOVK125, S_QawTOVK126,
        S_QawTOVK127, S_QawTOVK128, S_QawTOVK129, S_QawTOVK130, S_QawTOVK131, S_QawTOVK132, S_QawTOVK133,
        S_QawTOVK134, S_QawTOVK135, S_QawTOVK136, S_QawTOVK137, S_QawTOVK138, S_QawTOVK139, S_QawTOVK140,
        S_QawTOVK141, S_QawTOVK142, S_QawTOVK143, S_QawTOVK144, S_QawTOVK145, S_QawTOVK146, S_QawTOVK147,
        S_QawTOVK148, S_QawTOVK149, S_QawTOVK150, S_QawTOVK151, S_QawTOVK152, S_QawTOVK153, S_QawTOVK154,
        S_QawTOVK155, S_QawTOVK156, S_QawTOVK157, S_QawTOVK158, S_QawTOVK159, S_QawTOVK160, S_QawTOVK161,
        S_QawTOVK162, S_QawTOVK163, S_QawTOVK164, S_QawTOVK165, S_QawTOVK166, S_QawTOVK167, S_QawTOVK168,
        S_QawTOVK169, S_QawTOVK170, S_QawTOVK171, S_QawTOVK172, S_QawTOVK173, S_QawTOVK174, S_QawTOVK175,
        S_QawTOVK176, S_QawTOVK177, S_QawTOVK178, S_QawTOVK179, S_QawTOVK180, S_QawTOVK181, S_QawTOVK182,
        S_QawTOVK183, S_QawTOVK184, S_QawTOVK185, S_QawTOVK186, S_QawTOVK187, S_QawTOVK188, S_QawTOVK189,
        S_QawTOVK190, S_QawTOVK191, S_QawTOVK192, S_QawTOVK193, S_QawTOVK194, S_QawTOVK195, S_QawTOVK196,
        S_QawTOVK197, S_QawTOVK198, S_QawTOVK199, S_QawTOVK0, S_QawTOVK200
    };
    // clang-format on

    // The 22 targets of one keyframe, degrees, in the keyframe order given above.
    using KeyframePose = std::array<double, 22>;

    // Phase of every keyframe motion (each starts at its first phase, 0).
    eState_Walk mWalkState = S_UpRightFoot;
    eState_BackStep mBackStep = S_BackStep_UpRightFoot;
    eState_RotateHead mRotateHead = S_RotateHead1;
    eState_Step mStep = S_Step_UpRightFoot;
    eState_InverseStep mInverseStep = S_InverseStep_UpRightFoot;
    eState_StepFast mStepFast = S_Step_UpRightFootFast;
    eState_TurnRight mTurnRight = S_TurnRright_Origin;
    eState_TurnLeft mTurnLeft = S_TurnLeft_Origin;
    eState_TurnRight_30 mTurnRight_30 = S_TurnRright_Origin_30;
    eState_TurnLeft_30 mTurnLeft_30 = S_TurnLeft_Origin_30;
    eState_KickRight mKickRight = S_KickRight_Origin;
    eState_KickLeft mKickLeft = S_KickLeft_Origin;
    eState_StandUpForward mStandUpForward = S_StandUpForward_1;
    eState_StandUpFaceFloor mStandUpFaceFloor = S_StandUpFaceFloor_1;
    int mStandUpFaceFloorOriginCircle;  // cycles of the last get-up keyframe
    eState_StandUpBack mStandUpBack = S_StandUpBack_1;
    eState_StandUpFaceSky mStandUpFaceSky = StandUpFaceSky_1;
    int mStandUpFaceSkyOriginCircle;  // cycles of the last get-up keyframe
    eState_Stumble_Left mStumbleLeft = S_Stumble_Left_Arm;
    eState_Stumble_Right mStubleRight = S_Stumble_Right_Arm;
    eState_BeamLeft mBeamLeft = S_BeamLeft_UPLeftFoot;
    eState_BeamRightRotate mBeamRightRotate = S_BeamRightRotate_UPRightFoot;
    eState_BeamLeftRotate mBeamLeftRotate = S_BeamLeftRotate_UPLeftFoot;
    eState_BeamRight mBeamRight = S_BeamRight_UPRightFoot;
    eState_BeamLeftCircle mBeamLeftCircle = S_BeamLeftCircle_UPLeftFoot;
    eState_BeamRightCircle mBeamRightCircle = S_BeamRightCircle_UPRightFoot;
    eState_SmallKickRight mSmallKickRight = S_SmallKickRight_GravityLeft;
    eState_SmallKickLeft mSmallKickLeft = S_SmallKickLeft_GravityRight;
    eState_KickTOVK mKickTOVK = S_KickTOVK1;
    eState_KeeperCatch mKeeperCatch = S_KeeperCatch1;
    eState_KickLeftPelm mKickLeftPelm = S_KickLeftPelm1;
    eState_QawTOVK mQawTOVK = S_QawTOVK1;

    int mCounter = 0;         // cycles spent in the current keyframe
    std::string temp_change;  // command text of the keyframe in progress, resent on its cycles
    int mPauseCounter = 0;    // countdown of the pausing keyframe
    Player myPlayer;          // this cycle's body state; the encoder reads the sensed angles
    HeadVision myHeadVision;
    Inverse myInverse;              // the gait generator
    WorldModel myWorldModel;        // this cycle's world model
    InverseAction myInverseAction;  // the walking operations
    // Increment commanded per joint by the latest computation, degrees per cycle, indexed by
    // Player::JointID. Counted as already done when the next command is computed.
    float tempAngleChange[22] = {};
    std::string tempSS;  // saved command text of a get-up motion

    NaoAction();
    explicit NaoAction(Player myTempPlayer);

    // Joint command encoder.
    double TranslateAngleToArc(double angle);
    std::string TranslateAngleToMsg(double head1, double head2, double arml1, double armr1,
                                    double arml2, double armr2, double arml3, double armr3,
                                    double arml4, double armr4, double legl1, double legr1,
                                    double legl2, double legr2, double legl3, double legr3,
                                    double legl4, double legr4, double legl5, double legr5,
                                    double legl6, double legr6);
    std::string TranslateAngleToMsg_A(double head1, double head2, double arml1, double armr1,
                                      double arml2, double armr2, double arml3, double armr3,
                                      double arml4, double armr4, double legl1, double legr1,
                                      double legl2, double legr2, double legl3, double legr3,
                                      double legl4, double legr4, double legl5, double legr5,
                                      double legl6, double legr6);
    std::string TranslateAngleToMsg_A(double head1, double head2, double arml1, double armr1,
                                      double arml2, double armr2, double arml3, double armr3,
                                      double arml4, double armr4, double legl1, double legr1,
                                      double legl2, double legr2, double legl3, double legr3,
                                      double legl4, double legr4, double legl5, double legr5,
                                      double legl6, double legr6, double priod);
    std::string RelativeTranslateAngleToMsg(double head1, double head2, double arml1, double armr1,
                                            double arml2, double armr2, double arml3, double armr3,
                                            double arml4, double armr4, double legl1, double legr1,
                                            double legl2, double legr2, double legl3, double legr3,
                                            double legl4, double legr4, double legl5, double legr5,
                                            double legl6, double legr6, double priod);
    std::string RelativeTranslateAngleToMsg(const KeyframePose& pose, double priod);
    int JudgeNonWaitCircle(int jid, float targetAngle);
    void SetTempAngleChangleInit();
    void SetPlayerInfo(Player myTempPlayer, WorldModel myTempWorldModel);
    void TestTempAngleChange();
    void TestCurrentAngle();

    // Keyframe engine: one cycle of a keyframe; returns the phase for the next cycle.
    int ActionState(int state1, int state2, std::stringstream& ss, double head1, double head2,
                    double arml1, double armr1, double arml2, double armr2, double arml3,
                    double armr3, double arml4, double armr4, double legl1, double legr1,
                    double legl2, double legr2, double legl3, double legr3, double legl4,
                    double legr4, double legl5, double legr5, double legl6, double legr6,
                    int& mCounter, double priod);
    int ActionState(int state1, int state2, std::stringstream& ss, const KeyframePose& pose,
                    int& mCounter, double priod);
    int ActionState(int state1, int state2, std::stringstream& ss, int& mCounter, double priod);
    int ActionState(int state1, int state2, std::stringstream& ss, double head1, double head2,
                    double arml1, double armr1, double arml2, double armr2, double arml3,
                    double armr3, double arml4, double armr4, double legl1, double legr1,
                    double legl2, double legr2, double legl3, double legr3, double legl4,
                    double legr4, double legl5, double legr5, double legl6, double legr6,
                    int& mCounter, double priod, int pause);

    // Keyframe motions: append this cycle's joint commands and return true in the cycle in
    // which the motion's last keyframe ends.
    bool ActionWalk(std::stringstream& ss, int& tempCounter);
    bool ActionStep(std::stringstream& ss, int& tempCounter, float offset);
    bool ActionStepFast(std::stringstream& ss, int& tempCounter, float offset);
    bool ActionBackStep(std::stringstream& ss, int& tempCounter, float offset);
    bool ActionTurnLeft(std::stringstream& ss, int& tempCounter);
    bool ActionTurnRight(std::stringstream& ss, int& tempCounter);
    bool ActionTurnLeft_30(std::stringstream& ss, int& tempCounter);
    bool ActionTurnRight_30(std::stringstream& ss, int& tempCounter);
    bool ActionHeadRotate(std::stringstream& ss, int& tempCounter);

    // Kicks: fixed keyframe motions that do not look at the ball. The two strong kicks share
    // mKickTOVK, so an interrupted one resumes its phase in whichever of them runs next.
    bool ActionSmallKickRight(std::stringstream& ss, int& tempCounter);
    bool ActionSmallKickLeft(std::stringstream& ss, int& tempCounter);
    bool ActionKickRight(std::stringstream& ss, int& tempCounter);
    bool ActionKickLeft(std::stringstream& ss, int& tempCounter);
    bool ActionKickTOVK(std::stringstream& ss, int& tempCounter);
    bool ActionRightKickTOVK(std::stringstream& ss, int& tempCounter);
    bool ActionKickLeftPelm(std::stringstream& ss, int& tempCounter);
    // The scripted kick of the leg inverse kinematics (Player::CalStepAngle2), one call per
    // cycle; true once the script is over. Nothing in the behaviour calls it.
    bool ActionKick(std::stringstream& ss, int& tempCounter);

    // Get-ups, stumble catches and the keeper dive (naoaction_getup.cpp). The two get-ups in use
    // end with a move to the origin pose whose length follows the left shoulder's actual pace.
    bool ActionStandFaceSky(std::stringstream& ss, int& tempCounter);    // lying on the back
    bool ActionStandFaceFloor(std::stringstream& ss, int& tempCounter);  // lying face down
    bool ActionStumble_Left(std::stringstream& ss, int& tempCounter);    // tipping to the left
    bool ActionStumble_Right(std::stringstream& ss, int& tempCounter);   // tipping to the right
    bool ActionKeeperCatch(std::stringstream& ss, int& tempCounter);     // 317 cycles from 0
    // Earlier get-ups without a caller: ActionStandUpForward runs on mStandUpBack and
    // ActionStandUpBack on mStandUpForward.
    bool ActionStandUpForward(std::stringstream& ss, int& tempCounter);
    bool ActionStandUpBack(std::stringstream& ss, int& tempCounter);

    // Sidesteps: three keyframes each (shift and lift, feet apart, back to the stance). The
    // rotating ones turn the head back towards the ball in their last keyframe.
    bool ActionBeamLeft(std::stringstream& ss, int& tempCounter);
    bool ActionBeamRight(std::stringstream& ss, int& tempCounter);
    bool ActionBeamLeftCircle(std::stringstream& ss, int& tempCounter);
    bool ActionBeamRightCircle(std::stringstream& ss, int& tempCounter);
    bool ActionBeamLeftRotate(std::stringstream& ss, int& tempCounter);
    bool ActionBeamRightRotate(std::stringstream& ss, int& tempCounter);

    // The long choreographed motion: 200 keyframes, 4744 cycles (about 95 s).
    bool ActionQawTOVK(std::stringstream& ss, int& tempCounter);

    // Gait-generated walking (walk/inverseaction): one 20 ms sub-step of the gait per call,
    // solved for both legs and sent as a one-cycle keyframe with the head pitched down 30
    // degrees and the arms held. Each returns the walking operation's result: true at the end of
    // a step once enough steps were made since the last restart.
    bool ActionInverseStepAI(std::stringstream& ss, int& tempCounter);
    bool ActionInverseRotate(std::stringstream& ss, int& tempCounter);
    bool ActionInverseBeamCircle(std::stringstream& ss, int& tempCounter);
    // Zeroes the walking command on every call, then brings the feet together.
    bool ActionInverseStepAIEnd(std::stringstream& ss, int& tempCounter);
    // The fixed test walk of the body model, each command spanning two cycles.
    bool ActionInverseStep(std::stringstream& ss, int& tempCounter);
};

#endif
