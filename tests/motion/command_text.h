#ifndef TESTS_MOTION_COMMAND_TEXT_H
#define TESTS_MOTION_COMMAND_TEXT_H

#include <map>
#include <sstream>
#include <string>

#include "motion/naoaction.h"

// The velocity text of each effector of a command "(he1 0)(he2 0.873)...", by effector name.
inline std::map<std::string, std::string> Velocities(const std::string& text) {
    std::map<std::string, std::string> velocities;
    std::istringstream groups(text);
    std::string name, value;
    while (std::getline(groups, name, ' ') && std::getline(groups, value, ')'))
        velocities[name.substr(name.find('(') + 1)] = value;
    return velocities;
}

// Leaves the engine between keyframes: a one-cycle keyframe always ends with a new text due.
inline void EndAnyKeyframe() {
    NaoAction scratch;
    std::stringstream ss;
    int counter = 0;
    scratch.ActionState(0, 0, ss, NaoAction::KeyframePose{}, counter, 1.0);
}

#endif
