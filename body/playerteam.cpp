// Team reasoning: each robot decides alone from the positions its team mates shout (field
// frame, keys "1" to "9"), the ball's field position and its own position. Heard positions
// carry no age: a team mate counts with the last position it told. Team mates are visited in
// the text order of their keys, which decides ties. Distances are planar, metres; bearings in
// degrees.

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>

#include "body/player.h"
#include "perception/msgparse.h"
#include "world/data.h"

namespace {

float PlanarDistance(const FlagLocation& a, float x, float y) {
    return std::sqrt((a.x - x) * (a.x - x) + (a.y - y) * (a.y - y));
}

int OwnNumber() {
    return GlobalGetIntFromString(DATA::Unum);
}

// Farther than any point of the field: the start value of a search that leaves oneself out.
const float kNoDistance = 65535;

}  // namespace

bool Player::JudgeNearestTheGoal() {
    const float goalX = -DATA::FieldLength / 2;
    const FlagLocation own(IsZero(torseLocation.x), IsZero(torseLocation.y), 0);
    const float s = PlanarDistance(own, goalX, 0);
    for (const auto& mate : myWorldModelTemp.mFriendPlayHeadMap) {
        if (s > PlanarDistance(mate.second.head, goalX, 0)) return false;
    }
    return true;
}

bool Player::JudgeNearestTheBall() {
    const FlagLocation& ball = myWorldModelTemp.ballLocatoin.ballLocatoin;
    const float bx = IsZero(ball.x), by = IsZero(ball.y);
    for (const auto& mate : myWorldModelTemp.mFriendPlayHeadMap) {
        if (mBallToTorse.distance > PlanarDistance(mate.second.head, bx, by)) return false;
    }
    return true;
}

bool Player::JudgeNearerTheBall() {
    if (JudgeNearestTheBall()) return false;
    const FlagLocation& ball = myWorldModelTemp.ballLocatoin.ballLocatoin;
    const float bx = IsZero(ball.x), by = IsZero(ball.y);
    int nearer = 0;
    for (const auto& mate : myWorldModelTemp.mFriendPlayHeadMap) {
        const FlagLocation& p = mate.second.head;
        std::cout << mate.first << "\n" << p.x << " : " << p.y << "\n";
        if (mBallToTorse.distance > PlanarDistance(p, bx, by) && ++nearer == 2) return false;
    }
    return true;
}

int Player::GetNearestTheBallNum() {
    const FlagLocation& ball = myWorldModelTemp.ballLocatoin.ballLocatoin;
    const float bx = IsZero(ball.x), by = IsZero(ball.y);
    float best = mBallToTorse.distance;
    int result = OwnNumber();
    for (const auto& mate : myWorldModelTemp.mFriendPlayHeadMap) {
        const float d = PlanarDistance(mate.second.head, bx, by);
        if (best > d) {
            best = d;
            result = GlobalGetIntFromString(mate.first);
        }
    }
    return result;
}

int Player::GetNearerTheBallNum() {
    const int nearest = GetNearestTheBallNum();
    const TPlayHeadMap& mates = myWorldModelTemp.mFriendPlayHeadMap;
    const FlagLocation& ball = myWorldModelTemp.ballLocatoin.ballLocatoin;
    const float bx = IsZero(ball.x), by = IsZero(ball.y);
    float best = mBallToTorse.distance;
    int result = OwnNumber();
    // The nearest is oneself: the search starts from the first team mate instead.
    if (result == nearest && !mates.empty()) {
        result = GlobalGetIntFromString(mates.begin()->first);
        best = PlanarDistance(mates.begin()->second.head, bx, by);
    }
    for (const auto& mate : mates) {
        const float d = PlanarDistance(mate.second.head, bx, by);
        const int number = GlobalGetIntFromString(mate.first);
        if (best > d && number != nearest) {
            best = d;
            result = number;
        }
    }
    return result;
}

int Player::NearestPointNum(float x, float y, std::initializer_list<int> excluded,
                            bool excludedSelfLeftOut) {
    const float tx = IsZero(x), ty = IsZero(y);
    auto isExcluded = [&](int n) {
        return std::find(excluded.begin(), excluded.end(), n) != excluded.end();
    };
    const int own = OwnNumber();
    int result = own;
    float best = excludedSelfLeftOut && isExcluded(own) ? kNoDistance
                                                        : PlanarDistance(torseLocation, tx, ty);
    for (const auto& mate : myWorldModelTemp.mFriendPlayHeadMap) {
        const int number = GlobalGetIntFromString(mate.first);
        const float d = PlanarDistance(mate.second.head, tx, ty);
        if (!isExcluded(number) && best > d) {
            best = d;
            result = number;
        }
    }
    return result;
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2) {
    return NearestPointNum(x, y, {e1, e2}, true);
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2, int e3) {
    return NearestPointNum(x, y, {e1, e2, e3}, true);
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4) {
    return NearestPointNum(x, y, {e1, e2, e3, e4}, true);
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5) {
    return NearestPointNum(x, y, {e1, e2, e3, e4, e5}, false);
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5, int e6) {
    return NearestPointNum(x, y, {e1, e2, e3, e4, e5, e6}, false);
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5, int e6,
                               int e7) {
    return NearestPointNum(x, y, {e1, e2, e3, e4, e5, e6, e7}, false);
}

int Player::GetNearestPointNum(float x, float y, int e1, int e2, int e3, int e4, int e5, int e6,
                               int e7, int e8) {
    return NearestPointNum(x, y, {e1, e2, e3, e4, e5, e6, e7, e8}, false);
}

bool Player::FriendPlayToBall(float offset) {
    const FlagLocation& ball = myWorldModelTemp.ballLocatoin.ballLocatoin;
    const float bx = IsZero(ball.x), by = IsZero(ball.y);
    for (const auto& mate : myWorldModelTemp.mFriendPlayHeadMap) {
        if (offset > PlanarDistance(mate.second.head, bx, by)) return true;
    }
    return false;
}

bool Player::OppositePlayToBall(float offset) {
    const FlagLocation& ball = myWorldModelTemp.ballLocatoin.ballLocatoin;
    const float bx = IsZero(ball.x), by = IsZero(ball.y);
    for (const auto& opponent : myWorldModelTemp.mOppositePlayHeadMap) {
        const FlagLocation& head = opponent.second.head;
        // A head this low belongs to no robot standing up.
        if (head.z > -0.1f && offset > PlanarDistance(head, bx, by)) return true;
    }
    return false;
}

bool Player::MissSelfPlayer(const WorldModel& myWorldModel, bool& isLeft) {
    for (const auto& mate : myWorldModel.mSelfPlayHeadToSelfMap) {
        const FlagLocation& p = mate.second.head;  // torso frame
        const float bearing = mate.second.time;    // degrees
        if (std::sqrt(p.x * p.x + p.y * p.y) < 0.7f && std::fabs(bearing) > 1e-5f &&
            std::fabs(bearing) < 60) {
            isLeft = p.y < 0;
            return true;
        }
    }
    return false;
}

float Player::PassOppositePlayer(const WorldModel& myWorldModel, std::string name,
                                 bool /*isLeft*/) {
    static float retAngle = 0;  // degrees, -80 ... 80
    name = "";
    const WorldModel::BallToGoal& goal = myWorldModel.mBallToGoal;
    // Away from the opponent's corners, or facing between its goal posts as seen from the ball.
    const bool applies = (torseLocation.x < DATA::FieldLength / 2 - 3 &&
                          std::fabs(torseLocation.y) < DATA::FieldWidth / 2 - 2) ||
                         (goal.angleBallToUpGoal > angleTorseToGlobal &&
                          angleTorseToGlobal > goal.angleBallToDownGoal);
    if (applies) {
        // Entries that are not current hold 65535 and lie beyond this start value.
        float best = 65525;
        const headFlagLocation* nearest = nullptr;
        for (const auto& opponent : myWorldModel.mOppositePlayHeadToSelfMap) {
            const FlagLocation& p = opponent.second.head;
            const float r = std::sqrt(p.x * p.x + p.y * p.y);
            if (r > 0.1f && best > r) {
                best = r;
                name = opponent.first;
                nearest = &opponent.second;
            }
        }
        const float bearing = nearest ? std::fabs(nearest->time) : 0;
        if (nearest && best < 2 && bearing > 1e-5f && (bearing < 40 || best < 0.4f)) {
            if (nearest->head.y < 0) {  // on the right: pass it on the left
                if (retAngle < 80) {
                    retAngle = std::min(retAngle + 10, 80.0f);
                    Inverse::BeamDistance = 0.05f;
                }
            } else if (retAngle > -80) {
                retAngle = std::max(retAngle - 10, -80.0f);
                Inverse::BeamDistance = -0.05f;
            }
            return retAngle;
        }
    }
    Inverse::BeamDistance = -0.0f;
    retAngle = 0;
    return 0;
}
