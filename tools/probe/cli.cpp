// The probes' command line and standard output: complaints, option numbers, the figures' own
// standard output.

#include "tools/probe/cli.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace probe {

bool Fail(const std::string& probe, const std::string& text) {
    std::cerr << probe << ": " << text << "\n";
    return false;
}

bool ParseOptionNumber(const std::string& value, double low, double high, double& out) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno != 0 || !std::isfinite(v) || v < low || v > high)
        return false;
    out = v;
    return true;
}

std::streambuf* TakeStandardOutput() {
    std::streambuf* figures = std::cout.rdbuf();
    std::cout.rdbuf(std::cerr.rdbuf());
    return figures;
}

}  // namespace probe
