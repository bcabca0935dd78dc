// Self-localisation and relative positions: the camera and torso placed on the field from the
// nearest seen landmark, the ball and other robots in field coordinates, and the distances
// and bearings (degrees) between torso, feet, ball and goals. Field frame: own goal at -x.

#include <cmath>
#include <string>

#include "body/player.h"
#include "net/mytime.h"
#include "world/data.h"

namespace {

// Bearing in degrees of the direction (x, y).
float Bearing(float y, float x) {
    return ArcToAngle(std::atan2(y, x));
}

float PlanarDistance(float ax, float ay, float bx, float by) {
    return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
}

// Heading in degrees of a frame's x axis in the field frame, from its rotation's first column.
float Heading(float r00, float r10) {
    return Bearing(IsZero(r10), IsZero(r00));
}

// Rz(yaw) * Ry(-pitch): removes the head rotation of a camera-relative vector.
Matrix3 HeadRotation(OperateMatrix& m, float yaw, float pitch) {
    return m.Muti(m.GetRotateZ(yaw), m.GetRotateY(-pitch));
}

// The entry of a name, or a zero one when the name was never seen (what operator[] on a copy
// of the map would give).
template <typename Map>
typename Map::mapped_type ValueOr(const Map& map, const std::string& name) {
    const auto it = map.find(name);
    return it != map.end() ? it->second : typename Map::mapped_type();
}

const TFlagMap& LandmarkTable(const WorldModel& wm) {
    return DATA::TeamSide != "left" ? wm.mRightFlagOriginMap : wm.mLeftFlagOriginMap;
}

// Torso-relative form of a seen robot's head, bearing (degrees) in the time field; a robot not
// seen within the last 0.1 s gets the sentinel.
headFlagLocation ToSelf(const FlagLocation& u, float headTime) {
    headFlagLocation rel;
    if (headTime > MyTime::totalTime - 0.1) {
        rel.head = u;
        rel.time = Bearing(u.y, u.x);
    } else {
        rel.head = FlagLocation(65535, 65535, 65535);
        rel.time = 0;
    }
    return rel;
}

}  // namespace

void Player::DataAnalyse(WorldModel& wm) {
    myWorldModelTemp = wm;
    SetBodyTMatrix();
    SetHeadFlagToWorldFlag(wm);
    CaculateHead_Location(RMatrix_Head.Get(), wm, headLocation.x, headLocation.y, headLocation.z);
    CaculateTorse_Location();

    WorldModel::BallLocation& ball = wm.ballLocatoin;
    GetBall_Location(ball.ballLocatoin.x, ball.ballLocatoin.y, ball.ballLocatoin.z, wm);
    // At most one velocity update per 0.05 s of sightings. The displacement is divided by the
    // time between the two sightings: 0.06 s, one vision beat, when the ball was seen on
    // consecutive beats (the beat itself, not the float difference of the two times, so that
    // the figures stay those of a fixed beat), longer when it was out of sight meanwhile.
    // Dividing by one beat whatever time had passed made a still ball last seen seconds ago
    // look as fast as a shot.
    const double sinceUpdate = ball.time - ball.time_3;
    if (sinceUpdate - 0.06 > -0.01) {
        const double seconds = sinceUpdate < 0.07 ? 0.06 : sinceUpdate;
        const FlagLocation moved = ball.ballLocatoin - ball.ballLocationPre;
        ball.ballVel = FlagLocation(static_cast<float>(moved.x / seconds),
                                    static_cast<float>(moved.y / seconds),
                                    static_cast<float>(moved.z / seconds));
        ball.ballPredictLocation.x = CalBallLocationFromVel(ball.ballVel.x) + ball.ballLocatoin.x;
        ball.ballPredictLocation.y = CalBallLocationFromVel(ball.ballVel.y) + ball.ballLocatoin.y;
        ball.ballLocationPre = ball.ballLocatoin;
        ball.time_3 = ball.time;
    }

    GetLFootHead_Location(LFootHeadLocation.x, LFootHeadLocation.y, LFootHeadLocation.z);
    GetRFootHead_Location(RFootHeadLocation.x, RFootHeadLocation.y, RFootHeadLocation.z);
    SetPlayToGlobal(wm);
    GetZMPLoaction();  // for its clearing of stale foot forces
    CaculateBallToPart(wm);
}

void Player::SetHeadFlagToWorldFlag(WorldModel& wm) {
    WorldModel::BallLocation& ball = wm.ballLocatoin;
    ball.ballLocationToTorse = myMatrix.Muti(
        HeadRotation(myMatrix, ball.angleHead1, ball.angleHead2), ball.ballLocatoinToHead);
    for (auto& entry : wm.mFFlagMap) {
        GYRCalFlagLocation& seen = entry.second;
        seen.f = myMatrix.Muti(HeadRotation(myMatrix, seen.angleHead1, seen.angleHead2), seen.c);
    }
}

void Player::CaculateHead_Location(const Matrix3& R, const WorldModel& wm, float& x, float& y,
                                   float& z) {
    const std::string n = minDistanceName;
    const FRPFlagLocation seen = ValueOr(wm.mFlagMap, n);
    if (std::fabs(seen.time - MyTime::totalTime) >= 0.001) return;  // not seen now
    if (!n.empty()) {
        const FlagLocation w = myMatrix.Muti(R, seen.c);  // camera to landmark
        const FlagLocation mark = ValueOr(LandmarkTable(wm), n);
        x = mark.x - w.x;
        y = mark.y - w.y;
        z = mark.z - w.z;
    }
    myMatrix.SetMatrix(R, headLocation.x, headLocation.y, headLocation.z,
                       TMatrix_HeadToWorld.Get());
}

void Player::CaculateTorse_Location() {
    const Matrix4 cameraInTorso =
        myMatrix.Muti(myMatrix.Muti(TMatrix_Neck.Get(), TMatrix_Head.Get()), TMatrix_Camera.Get());
    const Matrix4 torsoInField =
        myMatrix.Muti(TMatrix_HeadToWorld.Get(), myMatrix.TransInverse(cameraInTorso));
    lastTorseLocation = torseLocation;
    torseLocation = GetFlagFromTMatrix(torsoInField);
    myMatrix.SetMatrix(RGYRMatrix_Torse.Get(), torseLocation.x, torseLocation.y, torseLocation.z,
                       TMatrix_Torse.Get());
}

void Player::GetBall_Location(float& x, float& y, float& z, WorldModel& wm) {
    const FlagLocation ball =
        myMatrix.Muti(TMatrix_HeadToWorld.Get(), wm.ballLocatoin.ballLocatoinToHead);
    x = ball.x;
    y = ball.y;
    z = ball.z;
}

void Player::SetPlayToGlobal(WorldModel& wm) {
    const Matrix3 R = HeadRotation(myMatrix, mHingeJointSenseMap[JID_HEAD_1].angle,
                                   mHingeJointSenseMap[JID_HEAD_2].angle);
    for (auto& entry : wm.mOppositePlayMap) {
        const std::string& k = entry.first;
        PlayerSeeInfoFlagLocation& e = entry.second;
        if (!(wm.mOppositePlayHeadMap[k].time < e.headTime)) continue;
        e.headToGlobal = myMatrix.Muti(TMatrix_HeadToWorld.Get(), e.head);
        wm.mOppositePlayHeadMap[k].head = e.headToGlobal;
        wm.mOppositePlayHeadToSelfMap[k] = ToSelf(myMatrix.Muti(R, e.head), e.headTime);
    }
    for (auto& entry : wm.mFriendPlayMap) {
        const std::string& k = entry.first;
        PlayerSeeInfoFlagLocation& e = entry.second;
        if (wm.mFriendPlayHeadMap[k].time < e.headTime) {
            e.headToGlobal = myMatrix.Muti(TMatrix_HeadToWorld.Get(), e.head);
        }
        wm.mSelfPlayHeadToSelfMap[k] = ToSelf(myMatrix.Muti(R, e.head), e.headTime);
    }
}

void Player::CaculateFootHeadToBall(WorldModel& wm) {
    const float lx = IsZero(LFootHeadLocation.x), ly = IsZero(LFootHeadLocation.y);
    const float rx = IsZero(RFootHeadLocation.x), ry = IsZero(RFootHeadLocation.y);
    const float bx = IsZero(wm.ballLocatoin.ballLocatoin.x);
    const float by = IsZero(wm.ballLocatoin.ballLocatoin.y);
    const float goalX = DATA::FieldLength / 2;

    const float hL = Heading(TMatrix_LFootHead[0][0], TMatrix_LFootHead[1][0]);
    const float hR = Heading(TMatrix_RFootHead[0][0], TMatrix_RFootHead[1][0]);
    mTorseToGlobal.angleLeftFootToGlobal = hL;
    mTorseToGlobal.angleRightFootToGlobal = hR;

    mBallToTorse.angleLFootHead = NormalizeAngle(Bearing(by - ly, bx - lx) - hL);
    mBallToTorse.angleRFootHead = NormalizeAngle(Bearing(by - ry, bx - rx) - hR);
    mBallToTorse.distanceRightFootHead = PlanarDistance(rx, ry, bx, by);
    mBallToTorse.distanceLeftFootHead = PlanarDistance(lx, ly, bx, by);

    mTorseToGoal.angleLFootToGoal = Bearing(0 - ly, goalX - lx);
    mTorseToGoal.angleRFootToGoal = Bearing(0 - ry, goalX - rx);
}

void Player::CaculateBallToPart(WorldModel& wm) {
    CaculateFootHeadToBall(wm);

    const float tx = IsZero(torseLocation.x), ty = IsZero(torseLocation.y);
    const float bx = IsZero(wm.ballLocatoin.ballLocatoin.x);
    const float by = IsZero(wm.ballLocatoin.ballLocatoin.y);
    const float halfL = DATA::FieldLength / 2;
    const float halfG = DATA::GoalWidth / 2;

    // Guard point: on the way from the own goal centre to the ball, KickDistanceToBall short
    // of the ball. A ball exactly on the goal centre gives no direction: keep the last one.
    const float d = std::sqrt((halfL + bx) * (halfL + bx) + by * by);
    if (d > 0) {
        const float k = d - DATA::KickDistanceToBall;
        KickBallLocation = FlagLocation(-halfL + k * (bx + halfL) / d, k * by / d, 0);
        ProtectedLocation = KickBallLocation;
    }
    const FlagLocation g = KickBallLocation;

    const float h = Heading(RMatrix_Torse[0][0], RMatrix_Torse[1][0]);
    angleTorseToGlobal = h;
    mTorseToGlobal.angleTorseToGlobal = h;
    mBallToTorse.angleTorseVector = h;

    mBallToTorse.angleKick = NormalizeAngle(Bearing(g.y - ty, g.x - tx) - h);
    mBallToTorse.distanceKick = PlanarDistance(tx, ty, g.x, g.y);

    const FlagLocation& b = wm.ballLocatoin.ballLocationToTorse;
    mBallToTorse.distance = std::sqrt(b.x * b.x + b.y * b.y);
    mBallToTorse.angle = Bearing(b.y, b.x);

    mTorseToGoal.angleTorseToGoal = NormalizeAngle(Bearing(-ty, halfL - tx) - h);
    mTorseToGoal.distanceTorseToGoal = PlanarDistance(tx, ty, halfL, 0);

    wm.mBallToGoal.distanceBallToGoal = PlanarDistance(bx, by, halfL, 0);
    wm.mBallToGoal.angleBalltoGoal = Bearing(0 - by, halfL - bx);
    wm.mBallToGoal.angleBallToUpGoal = Bearing(halfG - by, halfL - bx);
    wm.mBallToGoal.angleBallToDownGoal = Bearing(-halfG - by, halfL - bx);

    wm.mBallToSelfGoal.distanceBallToGoal = d;
    wm.mBallToSelfGoal.angleBalltoGoal = Bearing(0 - by, -halfL - bx);
}

FlagLocation Player::GetFlagFromTMatrix(const Matrix4& T) {
    return FlagLocation(T[0][3], T[1][3], T[2][3]);
}

void Player::CaculateTorseToRandomPoint(float x, float y, float& distance, float& angle) {
    const float tx = IsZero(torseLocation.x), ty = IsZero(torseLocation.y);
    distance = PlanarDistance(tx, ty, x, y);
    angle =
        NormalizeAngle(Bearing(y - ty, x - tx) - Heading(RMatrix_Torse[0][0], RMatrix_Torse[1][0]));
}

void Player::CaculateTorseToRandomPoint(float x, float y, float& rx, float& ry, float& angle) {
    const FlagLocation q =
        myMatrix.Muti(myMatrix.TransInverse(TMatrix_Torse.Get()), FlagLocation(x, y, 0));
    rx = q.x;
    ry = q.y;
    angle = Bearing(ry, rx);
}

namespace {

// One pair of corner flags on the same goal line, as swept by the head.
struct FlagPair {
    const char* first;
    const char* second;
    float firstDistance;
    float secondDistance;
    bool rejected;
    float Sum() const { return firstDistance + secondDistance; }
};

float SweptDistance(WorldModel& wm, const char* name) {
    const FlagLocation& f = wm.mFFlagMap[name].f;
    return std::sqrt(f.x * f.x + f.y * f.y);
}

// Field position (X, Y) from the anchor flag: h from its goal line, a along the line toward the
// other flag. W/2 - a belongs to the anchor whose table y is +W/2.
FlagLocation PositionFromAnchor(const std::string& anchor, float a, float h) {
    const float halfL = DATA::FieldLength / 2, halfW = DATA::FieldWidth / 2;
    const bool left = DATA::TeamSide == "left";
    const bool rightLine = anchor == "F1R" || anchor == "F2R";
    // On the left side the "R" flags lie on the opponent goal line (+x); on the right side the
    // "L" flags do.
    const bool opponentLine = left ? rightLine : !rightLine;
    const bool positiveY =
        left ? (anchor == "F1R" || anchor == "F1L") : (anchor == "F2R" || anchor == "F2L");
    return FlagLocation(opponentLine ? halfL - h : h - halfL, positiveY ? halfW - a : a - halfW, 0);
}

}  // namespace

void GetLocationWithoutGYR(WorldModel wm, Player& p) {
    const float W = DATA::FieldWidth;
    FlagPair rightPair{"F1R", "F2R", SweptDistance(wm, "F1R"), SweptDistance(wm, "F2R"), false};
    FlagPair leftPair{"F1L", "F2L", SweptDistance(wm, "F1L"), SweptDistance(wm, "F2L"), false};

    auto usable = [](const FlagPair& pair) {
        return pair.firstDistance > 0.1 && pair.secondDistance > 0.1;
    };
    if (!usable(rightPair) && !usable(leftPair)) return;
    for (FlagPair* pair : {&rightPair, &leftPair}) {
        if (pair->Sum() < 3.0 || pair->firstDistance < 0.1 || pair->secondDistance < 0.1) {
            pair->firstDistance = 65536;
            pair->rejected = true;
        }
    }
    if (rightPair.rejected && leftPair.rejected) return;  // no pair left to anchor on

    const FlagPair& chosen = rightPair.rejected                 ? leftPair
                             : leftPair.rejected                ? rightPair
                             : rightPair.Sum() < leftPair.Sum() ? rightPair
                                                                : leftPair;
    const bool firstIsAnchor = chosen.firstDistance < chosen.secondDistance;
    const std::string anchor = firstIsAnchor ? chosen.first : chosen.second;
    const float nearD = firstIsAnchor ? chosen.firstDistance : chosen.secondDistance;
    const float farD = firstIsAnchor ? chosen.secondDistance : chosen.firstDistance;

    const float a = W / 2 + (nearD * nearD - farD * farD) / (W + W);
    // Inconsistent sightings (near and far too short for the line between the flags) would
    // give the root of a negative number; the robot is then taken to stand on the goal line.
    const float h = std::sqrt(std::fmax(0.0f, nearD * nearD - a * a));
    const FlagLocation position = PositionFromAnchor(anchor, a, h);

    TFlagMap table = LandmarkTable(wm);
    const FlagLocation& mark = table[anchor];
    const FlagLocation& f = wm.mFFlagMap[anchor].f;
    const float beta = Bearing(mark.y - position.y, mark.x - position.x);
    const float gamma = Bearing(f.y, f.x);
    const float theta = NormalizeAngle(beta - gamma);
    if (!std::isfinite(theta)) return;  // sightings too far out of range to give a heading

    // Only when standing still and upright: the flag then lies well below the camera.
    if (p.JudgeStable() && f.z < -0.4) {
        p.SetGYRTMatrix_Torse(theta);
        p.TestMatrix(p.RGYRMatrix_Torse.Get());
    }
}
