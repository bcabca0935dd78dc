#include "world/data.h"

float DATA::FieldLength = 21;
float DATA::FieldWidth = 14;
float DATA::GoalHeight = 0.8f;
float DATA::GoalWidth = 2.1f;
std::string DATA::TeamName = "Marrowfinch";
std::string DATA::TeamSide = "uninit";
std::string DATA::Unum = "1";
float DATA::KickDistanceToBall = 1.5f;
float DATA::q5Offset = 2.39f;
std::string DATA::hearMsgKey = "k4q";
int DATA::playerCount = 9;
PlayerFlagLocation DATA::defenseGroup[7];
PlayerFlagLocation DATA::attackGroup[2];
PlayerFlagLocation DATA::playerGroup[9];

namespace {

const FormationRow kAttack[2] = {
    {-2, 2.5f, 0, 1},
    {-2, -2.5f, 0, 2},
};

const FormationRow kDefense[7] = {
    {-5.5f, 2, 0, 3}, {-5.5f, 0, 0, 4},     {-5.5f, -2, 0, 5}, {-7.5f, 1.5f, 0, 6},
    {-7.5f, 0, 0, 7}, {-7.5f, -1.5f, 0, 8}, {-10.1f, 0, 0, 9},
};

// Row 9 - uniform number is the kick-off place of that player.
const FormationRow kPlayers[9] = {
    {-2, 0, 0, 1},    {-2, -2, 0, 2},       {-5.5f, 2, 0, 3},
    {-5.5f, 0, 0, 4}, {-5.5f, -2, 0, 5},    {-7.5f, 1.5f, 0, 6},
    {-7.5f, 0, 0, 7}, {-7.5f, -1.5f, 0, 8}, {-10.1f, 0, 0, 9},
};

}  // namespace

void DATA::SetPlayerLocation() {
    FillFormation(attackGroup, kAttack);
    FillFormation(defenseGroup, kDefense);
    FillFormation(playerGroup, kPlayers);
}
