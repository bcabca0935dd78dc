#ifndef SIM_SERVER_EFFECTOR_H
#define SIM_SERVER_EFFECTOR_H

#include <string>

#include "sim/physics/robotdesc.h"

// Reads one agent reply. Each top-level group is taken on its own; a malformed group is
// skipped and counted, after an unbalanced parenthesis the rest of the reply is ignored.

// Largest joint speed a motor accepts, rad/s; beyond it a command is clamped.
const double kMaxJointSpeed = 6.1395;
// Longest team name accepted by init.
const size_t kMaxTeamNameLength = 32;
// Longest spoken message.
const size_t kMaxSayLength = 20;

struct EffectorCommands {
    bool scene = false;
    std::string scenePath;   // "" when the scene group names none
    std::string sceneExtra;  // anything after the path, as text ("1" of a robot type)
    bool init = false;
    int unum = 0;  // 0 = next free
    std::string teamName;
    std::string initError;  // an init that must be refused, and why (a bad team name)
    bool jointSet[sim::kJointCount] = {};
    double jointVelocity[sim::kJointCount] = {};  // rad/s, wire order, clamped
    int clampedJoints = 0;  // joint speeds beyond kMaxJointSpeed, clamped (not a reject)
    bool beam = false;
    double beamX = 0, beamY = 0, beamRot = 0;  // own-team frame, m and deg
    bool say = false;
    std::string sayText;
    bool syn = false;
};

// What was thrown away, by kind (running totals across replies).
struct EffectorRejects {
    long malformed = 0;   // unreadable S-expressions, groups of the wrong shape
    long unknown = 0;     // unknown effector names
    long nonFinite = 0;   // NaN or infinite numbers
    long outOfRange = 0;  // impossible uniform numbers, bad team names
    long badSay = 0;      // messages breaking the say rules

    long Total() const { return malformed + unknown + nonFinite + outOfRange + badSay; }
};

// Adds what `text` commands to `commands` (later groups override earlier ones).
void ParseEffectors(const std::string& text, EffectorCommands& commands, EffectorRejects& rejects);

// A say text: 1..20 printable ASCII characters, no blanks, no parentheses.
bool IsValidSayText(const std::string& text);
// A team name: 1..32 characters of the same kind. Names reach other agents' perceptions and
// the log: no control byte, NUL or blank may pass. "" when valid, else why not.
std::string TeamNameFault(const std::string& name);

#endif
