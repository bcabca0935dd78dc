#include "sim/server/hearing.h"

#include <cmath>

double NormalizeDegrees(double deg) {
    if (!std::isfinite(deg)) return 0;
    double a = std::fmod(deg, 360.0);
    if (a <= -180) a += 360;
    if (a > 180) a -= 360;
    return a;
}

std::vector<HeardMessage> HearFor(const Listener& listener,
                                  const std::vector<Utterance>& utterances) {
    std::vector<HeardMessage> heard;
    bool teamSlotUsed[2] = {false, false};  // left, right
    for (const Utterance& u : utterances) {
        HeardMessage h;
        h.team = u.team;
        h.time = u.time;
        h.text = u.text;
        if (u.robot == listener.robot) {
            h.self = true;
            heard.push_back(h);
            continue;
        }
        bool& slot = teamSlotUsed[u.leftTeam ? 0 : 1];
        if (slot) continue;
        double dx = u.head[0] - listener.head[0];
        double dy = u.head[1] - listener.head[1];
        double dz = u.head[2] - listener.head[2];
        if (std::sqrt(dx * dx + dy * dy + dz * dz) > kHearingRange) continue;
        slot = true;
        double bearing = std::atan2(dy, dx) * 180.0 / M_PI;
        h.direction = NormalizeDegrees(bearing - listener.heading);
        heard.push_back(h);
    }
    return heard;
}
