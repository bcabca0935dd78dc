#ifndef TOOLS_PROBE_TRUTH_H
#define TOOLS_PROBE_TRUTH_H

// The trainer's state as the probes read it:
//   Truth         one robot and the ball as a (getState) reply reports them
//   NumbersAfter  the numbers after a key in the reply's text
//   ParseState    a whole reply into a Truth

#include <string>

namespace probe {

// The robot (number `unum` of the left team) and the ball as the trainer reports them: field
// frame, metres, degrees.
struct Truth {
    bool found = false;
    double time = 0;
    double x = 0, y = 0, z = 0;
    double heading = 0;
    double upz = 1;
    bool fallen = false;
    int scoreLeft = 0;
    double ballX = 0, ballY = 0;  // the ball, field frame, m
    double ballSpeed = 0;         // m/s
};

// Reads the numbers after "(key " within text from position `from`.
bool NumbersAfter(const std::string& text, size_t from, const char* key, double* out, int count);

// From a (getState) reply.
Truth ParseState(const std::string& state, int unum);

}  // namespace probe

#endif
