#ifndef PERCEPTION_MSGPARSE_H
#define PERCEPTION_MSGPARSE_H

#include <list>
#include <string>

#include "body/player.h"
#include "world/operatematrix.h"
#include "world/worldmodel.h"

// Polar (distance m, horizontal angle deg, vertical angle deg) to cartesian, camera frame:
// x along the line of sight, y to the left, z up.
FlagLocation Pol2RAngle(FlagLocation pol);

// The angle brought into [-180, 180] by whole turns of 360 degrees.
double GetNormalizedAngle(double angle);

// The leading integer of text as a formatted stream read gives it; 0 when there is none.
int GlobalGetIntFromString(std::string text);

// Reads one perception message (S-expressions, one top-level group per perceptor) into the
// live body state, the world model, the team constants and the server clock.
class MsgParse {
  public:
    FlagLocation myGYRCount;  // running sum of the per-cycle gyro angles, degrees

    MsgParse();

    // Top-level groups of text, without their outer parentheses.
    std::list<std::string> Parse(const std::string& text);
    bool GetValue(const std::string& text, const std::string& name, std::string& value);
    bool GetValue_A(const std::string& group, const std::string& name, float& value);
    bool GetValue_A(const std::string& group, const std::string& name, std::string& value);
    bool GetFlag(const std::string& text, const std::string& name, float& a, float& b, float& c,
                 std::string& head);

    void PareseMsg(std::string msg, Player& player, WorldModel& world);

    void ParseTotalTime(const std::string& group);
    void ParseTimeInfo(std::string& group, WorldModel& world);
    void ParseHingeJointInfo(std::string& group, Player& player);
    void ParseGYRInfro(std::string& group, Player& player);
    void ParseFRPInfo(const std::string& group, Player& player, WorldModel& world);

    void SeeInfo(std::string& group, Player& player, WorldModel& world);
    void ParsePlayerInfo(std::string& group, Player& player, WorldModel& world);
    void ParseHearMsg(std::string& group, Player& player, WorldModel& world);
};

#endif
