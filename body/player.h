#ifndef BODY_PLAYER_H
#define BODY_PLAYER_H

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>

#include "walk/inverse.h"
#include "world/operatematrix.h"
#include "world/worldmodel.h"

// A matrix whose storage is shared by every copy of its holder. Copying the handle shares the
// storage, so writes through operator[] or Get() reach all holders; Replace() lets this handle
// refer to fresh storage and leaves the other holders with the old one. Storage is released
// when its last holder goes.
template <class M>
class SharedMatrix {
  public:
    SharedMatrix() : storage_(std::make_shared<M>()) {}  // fresh, zero-filled

    typename M::value_type& operator[](std::size_t row) { return (*storage_)[row]; }
    const typename M::value_type& operator[](std::size_t row) const { return (*storage_)[row]; }
    M& Get() { return *storage_; }
    const M& Get() const { return *storage_; }
    operator M&() { return *storage_; }
    operator const M&() const { return *storage_; }

    // Writes value into the shared storage (seen by every holder).
    void Overwrite(const M& value) { *storage_ = value; }
    // Refers to fresh storage holding value (seen by this handle only).
    void Replace(const M& value) { storage_ = std::make_shared<M>(value); }
    // Refers to the storage of other.
    void ShareWith(const SharedMatrix& other) { storage_ = other.storage_; }
    bool SharesStorageWith(const SharedMatrix& other) const { return storage_ == other.storage_; }

  private:
    std::shared_ptr<M> storage_;
};

typedef SharedMatrix<Matrix3> SharedMatrix3;
typedef SharedMatrix<Matrix4> SharedMatrix4;

// The robot's own state: sensed joint angles, link geometry, one transform per joint, torso and
// camera orientation, and the derived positions used by localisation and behaviour. Agent frame
// (x forward, y left, z up), metres; joint angles in degrees as the server reports them.
//
// Copies share the transform storage of their source (see SharedMatrix): in-place writes (the
// link transforms, TMatrix_Torse, TMatrix_HeadToWorld, the heading reset of RGYRMatrix_Torse)
// reach every copy, while operations that compute a new matrix (RMatrix_Head, the gyro update,
// the foot-tip transforms) affect only the object they run on.
class Player {
  public:
    enum JointID {
        JID_HEAD_1 = 0,
        JID_HEAD_2 = 1,
        JID_LLEG_1 = 2,
        JID_RLEG_1 = 3,
        JID_LLEG_2 = 4,
        JID_RLEG_2 = 5,
        JID_LLEG_3 = 6,
        JID_RLEG_3 = 7,
        JID_LLEG_4 = 8,
        JID_RLEG_4 = 9,
        JID_LLEG_5 = 10,
        JID_RLEG_5 = 11,
        JID_LLEG_6 = 12,
        JID_RLEG_6 = 13,
        JID_LARM_1 = 14,
        JID_RARM_1 = 15,
        JID_LARM_2 = 16,
        JID_RARM_2 = 17,
        JID_LARM_3 = 18,
        JID_RARM_3 = 19,
        JID_LARM_4 = 20,
        JID_RARM_4 = 21,
    };
    static const int kJointCount = 22;
    // Names of each joint, indexed by JointID: in the hinge-joint perceptor and in the effector.
    static const char* const kPerceptorNames[kJointCount];
    static const char* const kEffectorNames[kJointCount];

    struct HingeJointSense {
        float angle = 0;  // degrees
        float rate = 0;
    };
    typedef FlatMap<JointID, HingeJointSense> THingeJointSenseMap;
    typedef FlatMap<std::string, JointID> TJointIDMap;

    // Ball relative to torso and feet: horizontal distances (metres) and bearings (degrees).
    struct BallToTorse {
        float distance = 0;
        float distanceLeftFootHead = 0;
        float distanceRightFootHead = 0;
        float distanceKick = 0;
        float angle = 0;
        float angleKick = 0;
        float angleLFootHead = 0;
        float angleRFootHead = 0;
        float angleTorseVector = 0;
    };
    // Torso and feet relative to the opponent goal.
    struct TorseToGoal {
        float angleTorseToGoal = 0;
        float distanceTorseToGoal = 0;
        float angleLFootToGoal = 0;
        float angleRFootToGoal = 0;
    };
    // Torso and foot headings in the field frame, degrees.
    struct TorseToGlobal {
        float angleTorseToGlobal = 0;
        float angleLeftFootToGlobal = 0;
        float angleRightFootToGlobal = 0;
    };

    OperateMatrix myMatrix;
    Inverse myInverse;
    WorldModel myWorldModelTemp;
    double A = 0;                       // hip pitch joint to knee, metres
    double B = 0;                       // knee to ankle, metres
    SharedMatrix4 TMatrix_HeadToWorld;  // camera pose, field frame
    SharedMatrix4 TMatrix_Camera;       // head pitch joint to camera
    SharedMatrix4 TMatrix_Head;
    SharedMatrix4 TMatrix_Neck;
    SharedMatrix4 TMatrix_Torse;  // torso pose, field frame
    SharedMatrix4 TMatrix_Hip1L;
    SharedMatrix4 TMatrix_Hip1R;
    SharedMatrix4 TMatrix_Hip2L;
    SharedMatrix4 TMatrix_Hip2R;
    SharedMatrix4 TMatrix_ThighL;
    SharedMatrix4 TMatrix_ThighR;
    SharedMatrix4 TMatrix_ShankL;
    SharedMatrix4 TMatrix_ShankR;
    SharedMatrix4 TMatrix_AnkleL;
    SharedMatrix4 TMatrix_AnkleR;
    SharedMatrix4 TMatrix_FootL;
    SharedMatrix4 TMatrix_FootR;
    SharedMatrix4 TMatrix_FootLNoOffset;
    SharedMatrix4 TMatrix_FootRNoOffset;
    SharedMatrix4 TMatrix_ShoulderL;
    SharedMatrix4 TMatrix_ShoulderR;
    SharedMatrix4 TMatrix_UpperarmL;
    SharedMatrix4 TMatrix_UpperarmR;
    SharedMatrix4 TMatrix_ElbowL;
    SharedMatrix4 TMatrix_ElbowR;
    SharedMatrix4 TMatrix_LowerarmL;
    SharedMatrix4 TMatrix_LowerarmR;
    SharedMatrix4 TMatrix_LFootHead;  // left foot tip, field frame
    SharedMatrix4 TMatrix_RFootHead;  // right foot tip, field frame
    // Link offsets: each joint frame's origin in its parent's frame (agent frame).
    FlagLocation HeadLocation;
    FlagLocation NeckLocation;
    FlagLocation Hip1LLocation;
    FlagLocation Hip1RLocation;
    FlagLocation Hip2Location;
    FlagLocation ThighLocation;
    FlagLocation ShankLocation;
    FlagLocation AnkleLocation;
    FlagLocation FootLocation;
    FlagLocation ShoulderLLocation;
    FlagLocation ShoulderRLocation;
    FlagLocation UpperarmLLocation;
    FlagLocation UpperarmRLocation;
    FlagLocation ElbowLLocation;
    FlagLocation ElbowRLocation;
    FlagLocation LowerarmLocation;
    FlagLocation ALocation;
    FlagLocation BLocation;
    std::string unum;
    THingeJointSenseMap mHingeJointSenseMap;
    TJointIDMap mJointIDMap;
    SharedMatrix3 RMatrix_Head;      // camera orientation, field frame
    SharedMatrix3 RMatrix_Torse;     // torso orientation, field frame
    SharedMatrix3 RGYRMatrix_Torse;  // torso orientation integrated from the gyro
    float angleTorseToGlobal = 0;    // torso heading, field frame, degrees
    FlagLocation headLocation;       // camera position, field frame
    FlagLocation torseLocation;
    FlagLocation lastTorseLocation;
    FlagLocation GYRAngle;  // rotation of the latest cycle, degrees
    FlagLocation LFootHeadLocation;
    FlagLocation RFootHeadLocation;
    FlagLocation KickBallLocation;
    FlagLocation ProtectedLocation;
    FRPFlagLocation LeftFRP;
    FRPFlagLocation RightFRP;
    PlayerSeeInfoFlagLocation mySeeInfoSelf;
    BallToTorse mBallToTorse;
    TorseToGoal mTorseToGoal;
    TorseToGlobal mTorseToGlobal;
    std::string minDistanceName;      // nearest landmark of the latest vision message
    float sphereAngleBallToHead = 0;  // horizontal angle of the ball, degrees
    static float sphereAngleBallToHead1;
    FlagLocation massCentroid;
    static bool s_ISErrorGYR;

    // Members only: no joint table, no offsets; the matrices are fresh zero storage of its own.
    Player();
    // The full body state: joint table, leg lengths, matrices and link offsets.
    explicit Player(std::string unum);

    // The scene message that announces the robot model.
    std::string Init();

    // Joint identifiers.
    void SetupJointIDMap();

    // f = (b, -a, c): a (right, forward, up) model-frame triple into the agent frame.
    void SetFlagLocation(FlagLocation& f, float a, float b, float c);
    // f = (a, b, c) unchanged.
    void SetFlagLocation1(FlagLocation& f, float a, float b, float c);

    // Link transforms from joint angles in degrees: member forms write into this body's
    // (shared) matrices, the forms with matrix arguments into the caller's.
    void GetTMatrix_Head(float q);
    void GetTMatrix_Head(Matrix4& out, float q);
    void GetTMatrix_Neck(float q);
    void GetTMatrix_Neck(Matrix4& out, float q);
    void GetTMatrix_Hip1L(float q);
    void GetTMatrix_Hip1L(Matrix4& out, float q);
    void GetTMatrix_Hip1R(float q);
    void GetTMatrix_Hip1R(Matrix4& out, float q);
    void GetTMatrix_Hip2(float qL, float qR);
    void GetTMatrix_Hip2(Matrix4& outL, Matrix4& outR, float qL, float qR);
    void GetTMatrix_Thigh(float qL, float qR);
    void GetTMatrix_Thigh(Matrix4& outL, Matrix4& outR, float qL, float qR);
    void GetTMatrix_Shank(float qL, float qR);
    void GetTMatrix_Shank(Matrix4& outL, Matrix4& outR, float qL, float qR);
    void GetTMatrix_Ankle(float qL, float qR);
    void GetTMatrix_Ankle(Matrix4& outL, Matrix4& outR, float qL, float qR);
    void GetTMatrix_Foot(float qL, float qR);
    void GetTMatrix_Foot(Matrix4& outL, Matrix4& outR, float qL, float qR);
    void GetTMatrix_Arm(float qL1, float qR1, float qL2, float qR2, float qL3, float qR3, float qL4,
                        float qR4);

    // Rebuilds every link transform from the sensed joint angles.
    void SetBodyTMatrix();
    // RMatrix_Head = RGYRMatrix_Torse * Rz(head yaw) * Ry(-head pitch), as a new matrix.
    void SetHeadToWorldRotateMatrix();
    // Foot tip in the field frame (after the torso pose is known).
    void GetLFootHead_Location(float& x, float& y, float& z);
    void GetRFootHead_Location(float& x, float& y, float& z);
    // Ankle roll joint relative to the torso origin, torso frame.
    void GetLFootHead_LocationForZreo(float& x, float& y, float& z);
    void GetRFootHead_LocationForZreo(float& x, float& y, float& z);

    // Debug printers.
    void TestGetFootHead_LocationForZreo();
    void TestMatrix(const Matrix4& m);
    void TestMatrix(const Matrix3& m);
    void TestCurrentAngle();

    // Balance and gyro.
    void SetGYRTMatrix_Torse();             // integrates GYRAngle (degrees this cycle)
    void SetGYRTMatrix_Torse(float angle);  // in place: pure rotation of angle degrees about z
    bool JudgeStable();
    bool IsGYRError();
    bool IsBound();
    int CalculateGYR();
    FlagLocation GetZMPLoaction();
    FlagLocation CalCentroidLocation();

    // Self-localisation and relative positions (body/playerlocation.cpp).
    void DataAnalyse(WorldModel& wm);
    void SetHeadFlagToWorldFlag(WorldModel& wm);
    void CaculateHead_Location(const Matrix3& R, const WorldModel& wm, float& x, float& y,
                               float& z);
    void CaculateTorse_Location();
    void GetBall_Location(float& x, float& y, float& z, WorldModel& wm);
    void SetPlayToGlobal(WorldModel& wm);
    void CaculateFootHeadToBall(WorldModel& wm);
    void CaculateBallToPart(WorldModel& wm);
    FlagLocation GetFlagFromTMatrix(const Matrix4& T);
    void CaculateTorseToRandomPoint(float x, float y, float& distance, float& angle);
    void CaculateTorseToRandomPoint(float x, float y, float& rx, float& ry, float& angle);

    // Team reasoning (body/playerteam.cpp): who of the own side is nearest to the ball, to the
    // own goal or to a formation point, and who stands near the ball or in the way. Team mates
    // count with their last heard field position, visited in the text order of their numbers,
    // which decides ties; distances are planar, metres.
    bool JudgeNearestTheGoal();
    bool JudgeNearestTheBall();
    bool JudgeNearerTheBall();  // exactly one team mate is nearer to the ball
    int GetNearestTheBallNum();
    int GetNearerTheBallNum();  // second nearest, self included
    // The number of the own side's robot nearest to (x, y), skipping e1 ... ek. With up to four
    // exclusions an excluded own number leaves the own position out; with five or more it still
    // counts.
    int GetNearestPointNum(float x, float y, int e1, int e2);
    int GetNearestPointNum(float x, float y, int e1, int e2, int e3);
    int GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4);
    int GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5);
    int GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5, int e6);
    int GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5, int e6,
                           int e7);
    int GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5, int e6, int e7,
                           int e8);
    bool FriendPlayToBall(float offset);
    bool OppositePlayToBall(float offset);
    // A team mate within 0.7 m and 60 degrees of the heading; isLeft: pass it on the left.
    bool MissSelfPlayer(const WorldModel& myWorldModel, bool& isLeft);
    // Sideways correction (degrees) around an opponent in the way, growing 10 per call up to
    // 80 while it stays there; sets the matching lateral step in Inverse::BeamDistance.
    float PassOppositePlayer(const WorldModel& myWorldModel, std::string name, bool isLeft);

    // Leg inverse kinematics (walk/leginverse.cpp). Targets in the walking frame (agent-frame
    // axes, metres, degrees), torso upright: the ankle point, the foot's orientation and the
    // torso centre. Unreachable targets give the nearest reachable pose, never NaN.
    LegInverseAngle InverseFromLeftFootToTorse(const Matrix3& RMatrix_FootToWrold,
                                               FlagLocation Point_FootToWorld,
                                               FlagLocation Point_TorseToWorld);
    LegInverseAngle InverseFromRightFootToTorse(const Matrix3& RMatrix_FootToWrold,
                                                FlagLocation Point_FootToWorld,
                                                FlagLocation Point_TorseToWorld);
    // Foot orientation as rotations about x, y, z (degrees): R = Rz * (Rx * Ry).
    LegInverseAngle InverseFromLeftFootToTorse(FlagLocation angleToTorse,
                                               FlagLocation Point_FootToWorld,
                                               FlagLocation Point_TorseToWorld);
    LegInverseAngle InverseFromRightFootToTorse(FlagLocation angleToTorse,
                                                FlagLocation Point_FootToWorld,
                                                FlagLocation Point_TorseToWorld);
    // Orientation taken from the torso pose's angles.
    LegInverseAngle InverseFromLeftFootToTorse(FootLocationAndAngle Point_FootToWorld,
                                               FootLocationAndAngle Point_TorseToWorld);
    LegInverseAngle InverseFromRightFootToTorse(FootLocationAndAngle Point_FootToWorld,
                                                FootLocationAndAngle Point_TorseToWorld);
    // One cycle of the fixed test walk of myInverse, solved for both legs.
    void CalStepAngle(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot);
    // A fixed pose: right foot under the hip, left foot 0.08 forward and 0.02 up.
    void CalStepAngle1(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot);
    // The scripted kick poses, one per call: the cycles over which to reach the returned pose,
    // or -1 once the sequence is over (the outputs are then left untouched).
    int CalStepAngle2(LegInverseAngle& leftFoot, LegInverseAngle& rightFoot);
    // Prints where the two ankles end up under the given angles (forward kinematics).
    void TestInverseAngleSuccess(LegInverseAngle leftFoot, LegInverseAngle rightFoot);

  private:
    float JointAngle(JointID id);
    int NearestPointNum(float x, float y, std::initializer_list<int> excluded,
                        bool excludedSelfLeftOut);
    void SetLinkOffsets();
    void GetTransform(Matrix4& out, const Matrix3& rotation, FlagLocation offset);
};

// Heading from two corner flags; resets the gyro orientation of p when it stands stable.
void GetLocationWithoutGYR(WorldModel wm, Player& p);

#endif
