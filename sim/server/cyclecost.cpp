#include "sim/server/cyclecost.h"

#include <cstdio>

namespace {

const char* const kNames[CycleCosts::kStageCount] = {"physics", "step-wait", "sensors", "vision",
                                                     "text",    "send",      "replies", "waiting"};

double Millis(CycleCosts::Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

std::string CycleCosts::Summary() const {
    std::string out = "cycle cost (ms per cycle, wall):";
    for (int s = 0; s < kStageCount; ++s) {
        const double ms = std::chrono::duration<double, std::milli>(total_[s]).count();
        char item[48];
        std::snprintf(item, sizeof item, " %s %.3f", kNames[s], cycles_ > 0 ? ms / cycles_ : 0.0);
        out += item;
    }
    return out + " over " + std::to_string(cycles_) + " cycles";
}

std::string CycleCosts::SlowCycleLine(Clock::duration wall) const {
    char item[64];
    std::snprintf(item, sizeof item, "slow cycle %.0f ms (wall):", Millis(wall));
    std::string out = item;
    Clock::duration other = wall;
    for (int s = 0; s < kStageCount; ++s) {
        if (s != kPhysics) other -= cycle_[s];
        std::snprintf(item, sizeof item, " %s %.1f", kNames[s], Millis(cycle_[s]));
        out += item;
    }
    std::snprintf(item, sizeof item, " other %.1f", Millis(other));
    return out + item;
}
