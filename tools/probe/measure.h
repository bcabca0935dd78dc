#ifndef TOOLS_PROBE_MEASURE_H
#define TOOLS_PROBE_MEASURE_H

// The probes' units and the measurements shared by their figures:
//   kCycle, kPi   the server's cycle and pi
//   WrapDegrees   an angle into (-180, 180]
//   Median        the median of a set of values
// How a robot lies (Lying) needs the agent's own orientation and is with the Robot.

#include <vector>

namespace probe {

const double kPi = 3.14159265358979323846;
const double kCycle = 0.02;  // s

double WrapDegrees(double a);

// NaN for none.
double Median(std::vector<double> values);

}  // namespace probe

#endif
