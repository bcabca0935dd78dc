#include "world/worldmodel.h"

#include <cmath>

#include "world/data.h"

int WorldModel::circleCount = 0;

WorldModel::WorldModel() : sMatchState("BeforeKickOff") {
    SetmFlagOriginMap();
    SetPlayerLocation();
}

namespace {

// One landmark: its name and its position when the team plays on the left side, in units of
// the half length, half width, half goal width and goal height.
struct Landmark {
    const char* name;
    float xHalfLengths;
    float yHalfWidths;
    float yHalfGoals;
    bool onGoalHeight;
};

const Landmark kLandmarks[8] = {
    {"F1L", -1, 1, 0, false}, {"F2L", -1, -1, 0, false}, {"F1R", 1, 1, 0, false},
    {"F2R", 1, -1, 0, false}, {"G1L", -1, 0, 1, true},   {"G2L", -1, 0, -1, true},
    {"G1R", 1, 0, 1, true},   {"G2R", 1, 0, -1, true},
};

const FormationRow kAttack[2] = {{-2, 2.5f, 0, 1}, {-2, -2.5f, 0, 2}};
const FormationRow kDefense[4] = {
    {-4, 0, 0, 3}, {-6, 2.5f, 0, 4}, {-6, -2.5f, 0, 5}, {-8.6f, 0, 0, 6}};
const FormationRow kPlayers[6] = {{-2, 2, 0, 1}, {-2, -2, 0, 2}, {-4, 0, 0, 3},
                                  {-6, 2, 0, 4}, {-6, -2, 0, 5}, {-8.6f, 0, 0, 6}};

}  // namespace

void WorldModel::SetmFlagOriginMap() {
    const float halfLength = DATA::FieldLength / 2;
    const float halfWidth = DATA::FieldWidth / 2;
    const float halfGoal = DATA::GoalWidth / 2;
    for (const Landmark& mark : kLandmarks) {
        FlagLocation left;
        left.x = mark.xHalfLengths * halfLength;
        left.y = mark.yHalfWidths * halfWidth + mark.yHalfGoals * halfGoal;
        left.z = mark.onGoalHeight ? DATA::GoalHeight : 0;
        mLeftFlagOriginMap[mark.name] = left;
        // The right side's table is the left one turned half a turn about the vertical axis.
        mRightFlagOriginMap[mark.name] = FlagLocation(-left.x, -left.y, left.z);
    }
}

void WorldModel::SetPlayerLocation() {
    FillFormation(attackGroup, kAttack);
    FillFormation(defenseGroup, kDefense);
    FillFormation(playerGroup, kPlayers);
}

float CalBallLocationFromVel(float v) {
    const float a = std::fabs(v);
    // A non-finite speed would never decay below the stop threshold.
    if (!std::isfinite(a)) return 0;
    const float dt = 0.02f;
    const double decay = 0.0277 / 0.026;  // per second
    const double e = 2.718281828459;
    int i = 1;
    float speed = static_cast<float>(a * std::pow(e, -decay * static_cast<float>(i * dt)));
    float distance = a * dt;
    while (speed > 0.02) {
        ++i;
        speed = static_cast<float>(a * std::pow(e, -decay * static_cast<float>(i * dt)));
        distance = distance + speed * dt;
    }
    return v < 0 ? -distance : distance;
}
