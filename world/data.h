#ifndef WORLD_DATA_H
#define WORLD_DATA_H

#include <string>

#include "world/operatematrix.h"

// Process-wide constants of the team and the field, and the formation tables. Field frame of
// the team's own side: origin at the centre spot, own goal at -x, metres.
class DATA {
  public:
    static float FieldLength;         // 21
    static float FieldWidth;          // 14
    static float GoalHeight;          // height of the goal landmarks, 0.8
    static float GoalWidth;           // distance between the goal posts, 2.1
    static std::string TeamName;      // sent in the init message
    static std::string TeamSide;      // "uninit" until the server tells "left" or "right"
    static std::string Unum;          // uniform number as text
    static float KickDistanceToBall;  // distance of the guard point from the ball, 1.5
    static float q5Offset;            // knee correction for the thigh's forward offset, degrees
    static std::string hearMsgKey;    // marks this team's spoken messages
    static int playerCount;           // rows of playerGroup
    static PlayerFlagLocation defenseGroup[7];
    static PlayerFlagLocation attackGroup[2];
    // Kick-off positions, indexed by 9 - uniform number (not by num).
    static PlayerFlagLocation playerGroup[9];

    // Fills the three formation tables with their start values.
    static void SetPlayerLocation();
};

// One row of a formation table as written in the source: field position (x, y, z) and the
// uniform number of the slot.
struct FormationRow {
    float x, y, z;
    int num;
};

template <int N>
void FillFormation(PlayerFlagLocation (&table)[N], const FormationRow (&rows)[N]) {
    for (int i = 0; i < N; ++i) {
        table[i].location = FlagLocation(rows[i].x, rows[i].y, rows[i].z);
        table[i].num = rows[i].num;
    }
}

#endif
