#ifndef TESTS_MOTION_COMMAND_TEXT_H
#define TESTS_MOTION_COMMAND_TEXT_H

#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "motion/naoaction.h"

// The groups "(name value)" of a joint command text, in order.
inline std::vector<std::pair<std::string, std::string>> Groups(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> groups;
    std::size_t open = text.find('(');
    while (open != std::string::npos) {
        const std::size_t blank = text.find(' ', open);
        const std::size_t close = text.find(')', open);
        if (blank == std::string::npos || close == std::string::npos || blank > close) break;
        groups.emplace_back(text.substr(open + 1, blank - open - 1),
                            text.substr(blank + 1, close - blank - 1));
        open = text.find('(', close);
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
