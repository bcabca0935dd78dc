// The measurements shared by the probes' figures: angle wrapping, then the median.

#include "tools/probe/measure.h"

#include <algorithm>
#include <cmath>

namespace probe {

double WrapDegrees(double a) {
    while (a > 180) a -= 360;
    while (a <= -180) a += 360;
    return a;
}

double Median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace probe
