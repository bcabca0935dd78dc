#ifndef TESTS_MOTION_COMMAND_TEXT_H
#define TESTS_MOTION_COMMAND_TEXT_H

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "motion/naoaction.h"

// The groups "(name value)" of a joint command text, in order.
inline std::vector<std::pair<std::string, std::string>> Groups(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> groups;
    static const std::regex group(R"(\((\w+) ([^()]*)\))");
    for (std::sregex_iterator it(text.begin(), text.end(), group), end; it != end; ++it) {
        groups.emplace_back((*it)[1], (*it)[2]);
    }
    return groups;
}

// The velocity text of each effector, by effector name.
inline std::map<std::string, std::string> Velocities(const std::string& text) {
    std::map<std::string, std::string> velocities;
    for (const auto& group : Groups(text)) velocities[group.first] = group.second;
    return velocities;
}

inline void SetSensed(NaoAction& action, Player::JointID jid, float degrees) {
    action.myPlayer.mHingeJointSenseMap[jid].angle = degrees;
}

// Leaves the engine between keyframes: a one-cycle keyframe always ends with a new text due.
inline void EndAnyKeyframe() {
    NaoAction scratch;
    std::stringstream ss;
    int counter = 0;
    scratch.ActionState(0, 0, ss, NaoAction::KeyframePose{}, counter, 1.0);
}

#endif
