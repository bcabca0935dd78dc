#include "sim/server/cyclecost.h"

#include <cstdio>

std::string CycleCosts::Summary() const {
    static const char* const kNames[kStageCount] = {"physics", "step-wait", "sensors", "vision",
                                                    "text",    "send",      "replies", "waiting"};
    std::string out = "cycle cost (ms per cycle, wall):";
    for (int s = 0; s < kStageCount; ++s) {
        const double ms = std::chrono::duration<double, std::milli>(total_[s]).count();
        char item[48];
        std::snprintf(item, sizeof item, " %s %.3f", kNames[s], cycles_ > 0 ? ms / cycles_ : 0.0);
        out += item;
    }
    return out + " over " + std::to_string(cycles_) + " cycles";
}
