#include "sim/record/events.h"

#include <cstdio>

namespace {

struct KindName {
    MatchEvent::Kind kind;
    const char* name;
};

const KindName kKinds[] = {
    {MatchEvent::kGoal, "goal"},         {MatchEvent::kOut, "out"},
    {MatchEvent::kPlayMode, "playMode"}, {MatchEvent::kFall, "fall"},
    {MatchEvent::kGetUp, "getUp"},       {MatchEvent::kJoin, "join"},
    {MatchEvent::kLeave, "leave"},       {MatchEvent::kRefusal, "refusal"},
    {MatchEvent::kLate, "late"},         {MatchEvent::kCounts, "counts"},
};

}  // namespace

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof(buf), "%.*f", decimals, v);
    return buf;
}

const char* EventKindName(MatchEvent::Kind kind) {
    for (const KindName& k : kKinds)
        if (k.kind == kind) return k.name;
    return "?";
}

bool ParseEventKind(const std::string& name, MatchEvent::Kind& kind) {
    for (const KindName& k : kKinds)
        if (name == k.name) {
            kind = k.kind;
            return true;
        }
    return false;
}

std::string EventLine(const MatchEvent& e, const std::string& leftName,
                      const std::string& rightName) {
    auto team = [&](bool left) { return left ? leftName : rightName; };
    auto robot = [&](const RobotId& r) { return team(r.left) + " " + std::to_string(r.unum); };
    const std::string at = " at " + Fixed(e.gameTime, 2);
    switch (e.kind) {
        case MatchEvent::kGoal:
            return "goal for " + team(e.left) + " (" + (e.left ? "left" : "right") + ") by " +
                   (e.robot.unum > 0 ? robot(e.robot) : std::string("nobody")) + ", score " +
                   std::to_string(e.scoreLeft) + ":" + std::to_string(e.scoreRight) + at;
        case MatchEvent::kOut:
            return "ball out at (" + Fixed(e.pos[0], 2) + ", " + Fixed(e.pos[1], 2) +
                   "): " + e.mode + at;
        case MatchEvent::kPlayMode:
            return "play mode " + e.mode + at;
        case MatchEvent::kFall:
            return robot(e.robot) + " fell" + at;
        case MatchEvent::kGetUp:
            return robot(e.robot) + " got up after " + Fixed(e.seconds, 2) + " s" + at;
        case MatchEvent::kJoin:
            return robot(e.robot) + " joined (" + (e.robot.left ? "left" : "right") + ")" + at;
        case MatchEvent::kLeave:
            return robot(e.robot) + " left: " + e.text + at;
        case MatchEvent::kRefusal:
            return "refused " + (e.robot.unum > 0 ? robot(e.robot) + " " : std::string()) + "(" +
                   e.text + ")" + at;
        case MatchEvent::kLate:
            return robot(e.robot) + " replies late" + at + " (so far " +
                   std::to_string(e.counts.late) + " late replies, " +
                   std::to_string(e.counts.timeouts) +
                   " sync timeouts; counted, not logged, until it has kept time for 1 s)";
        case MatchEvent::kCounts:
            return robot(e.robot) + " counts: " + std::to_string(e.counts.late) +
                   " late replies, " + std::to_string(e.counts.timeouts) + " sync timeouts, " +
                   std::to_string(e.counts.clamped) + " clamped joint speeds" + at;
    }
    return "";
}

void FallWatch::Observe(const RobotId& robot, bool fallen, double time, double gameTime,
                        std::vector<MatchEvent>& events) {
    State& s = robots_[robot];
    MatchEvent e;
    e.robot = robot;
    e.time = time;
    e.gameTime = gameTime;
    if (!s.down) {
        if (!fallen) return;
        s = {true, time, 0, 0};
        e.kind = MatchEvent::kFall;
        events.push_back(e);
        return;
    }
    if (fallen) {
        s.upCycles = 0;
        return;
    }
    if (s.upCycles++ == 0) s.upSince = time;
    if (s.upCycles < kUpConfirmCycles) return;
    e.kind = MatchEvent::kGetUp;
    e.seconds = s.upSince - s.fellAt;
    events.push_back(e);
    s = State();
}

bool FallWatch::IsDown(const RobotId& robot) const {
    auto it = robots_.find(robot);
    return it != robots_.end() && it->second.down;
}
