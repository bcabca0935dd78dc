#ifndef WORLD_WORLDMODEL_H
#define WORLD_WORLDMODEL_H

#include <string>

#include "world/flatmap.h"
#include "world/operatematrix.h"

// All maps are keyed by the exact name or number text of the perception message. Lookups use
// operator[], so an entry that was never seen reads as zero (time 0, position zero).
typedef FlatMap<std::string, FRPFlagLocation> TDoubleFlagMap;
typedef FlatMap<std::string, GYRCalFlagLocation> TTribleFlagMap;
typedef FlatMap<std::string, FlagLocation> TFlagMap;
typedef FlatMap<std::string, PlayerSeeInfoFlagLocation> TPlayMap;
typedef FlatMap<std::string, headFlagLocation> TPlayHeadMap;

// What the agent knows of the match outside its own body. A value type, copied member by
// member. Field frame: origin at the centre spot, the team always plays toward +x.
class WorldModel {
  public:
    struct BallLocation {
        FlagLocation ballLocatoinToHead;   // camera-relative, cartesian
        FlagLocation ballLocationToTorse;  // the same with the head rotation removed
        FlagLocation ballLocatoin;         // field frame
        FlagLocation ballLocationPre;      // ballLocatoin at the previous velocity update
        FlagLocation ballVel;              // metres per second
        FlagLocation ballPredictLocation;  // resting point (x and y only)
        float time = 0;                    // perception time of the latest sighting
        float time_3 = 0;                  // time at the previous velocity update
        float angleHead1 = 0;              // head yaw at the sighting, degrees
        float angleHead2 = 0;              // head pitch at the sighting, degrees
        float angleToTorse = 0;
    };

    // Field-frame bearings (degrees) from the ball to the goal centre and to the left-hand and
    // right-hand posts, and the distance to the goal centre (metres).
    struct BallToGoal {
        float distanceBallToGoal = 0;
        float angleBalltoGoal = 0;
        float angleBallToUpGoal = 0;
        float angleBallToDownGoal = 0;
    };

    float mTime_5 = 0;  // mTime - 0.1
    float mTime = 0;    // game time of the latest perception
    std::string sMatchState;
    static int circleCount;  // completed agent cycles
    TDoubleFlagMap mFlagMap;
    TTribleFlagMap mFFlagMap;
    TFlagMap mLeftFlagOriginMap;
    TFlagMap mRightFlagOriginMap;
    TPlayMap mFriendPlayMap;
    TPlayMap mOppositePlayMap;
    TPlayHeadMap mFriendPlayHeadMap;
    TPlayHeadMap mOppositePlayHeadMap;
    TPlayHeadMap mOppositePlayHeadToSelfMap;
    TPlayHeadMap mSelfPlayHeadToSelfMap;
    BallLocation ballLocatoin;
    BallToGoal mBallToGoal;
    BallToGoal mBallToSelfGoal;
    PlayerFlagLocation defenseGroup[4];
    PlayerFlagLocation attackGroup[2];
    PlayerFlagLocation playerGroup[6];

    WorldModel();
    WorldModel(const WorldModel&) = default;
    WorldModel& operator=(const WorldModel&) = default;
    ~WorldModel() = default;

    // Field coordinates of the eight landmarks for either side, from the DATA dimensions.
    void SetmFlagOriginMap();
    // This model's own formation tables.
    void SetPlayerLocation();
};

// Signed distance (metres) that a ball rolling at v metres per second along one axis travels
// before it stops.
float CalBallLocationFromVel(float v);

#endif
