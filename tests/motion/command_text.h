#ifndef TESTS_MOTION_COMMAND_TEXT_H
#define TESTS_MOTION_COMMAND_TEXT_H

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

using Motion = bool (NaoAction::*)(std::stringstream&, int&);

// Runs `motion` from counter 0, plus one per cycle; `each` sees every cycle (from 1) and its text.
inline std::vector<int> RunFromZero(
    NaoAction& action, Motion motion, int cycles,
    const std::function<void(int, const std::string&)>& each = [](int, const std::string&) {}) {
    std::vector<int> ends;
    for (int cycle = 1, counter = 0; cycle <= cycles; ++cycle, ++counter) {
        std::stringstream out;
        if ((action.*motion)(out, counter)) ends.push_back(cycle);
        each(cycle, out.str());
    }
    return ends;
}

#endif
