// The trainer's state as the probes read it: the numbers after a key, then a whole reply.

#include "tools/probe/truth.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace probe {

bool NumbersAfter(const std::string& text, size_t from, const char* key, double* out, int count) {
    size_t at = text.find(std::string("(") + key + " ", from);
    if (at == std::string::npos) return false;
    std::istringstream in(text.substr(at + std::strlen(key) + 2));
    for (int i = 0; i < count; ++i)
        if (!(in >> out[i])) return false;
    return true;
}

Truth ParseState(const std::string& state, int unum) {
    Truth t;
    NumbersAfter(state, 0, "time", &t.time, 1);
    double score[2] = {0, 0};
    if (NumbersAfter(state, 0, "score", score, 2)) t.scoreLeft = static_cast<int>(score[0]);
    const size_t ball = state.find("(ball ");
    double ballPos[3] = {0, 0, 0}, ballVel[3] = {0, 0, 0};
    if (ball != std::string::npos && NumbersAfter(state, ball, "pos", ballPos, 3) &&
        NumbersAfter(state, ball, "vel", ballVel, 3)) {
        t.ballX = ballPos[0];
        t.ballY = ballPos[1];
        t.ballSpeed = std::hypot(ballVel[0], ballVel[1]);
    }
    std::string key = "(robot (team Left) (unum " + std::to_string(unum) + ")";
    size_t at = state.find(key);
    if (at == std::string::npos) return t;
    double pos[3] = {0, 0, 0}, fallen = 0;
    t.found = NumbersAfter(state, at, "pos", pos, 3) &&
              NumbersAfter(state, at, "heading", &t.heading, 1) &&
              NumbersAfter(state, at, "upz", &t.upz, 1) &&
              NumbersAfter(state, at, "fallen", &fallen, 1);
    t.x = pos[0];
    t.y = pos[1];
    t.z = pos[2];
    t.fallen = fallen != 0;
    return t;
}

}  // namespace probe
