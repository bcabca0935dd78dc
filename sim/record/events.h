#ifndef SIM_RECORD_EVENTS_H
#define SIM_RECORD_EVENTS_H

#include <map>
#include <string>
#include <utility>
#include <vector>

// What happens in a match, as it happens: one line in the log, one entry in the recording.
// Teams are named by side ("Left", "Right") as in the trainer's state reply; a robot by its
// side and uniform number.

struct RobotId {
    bool left = true;
    int unum = 0;  // 0: nobody

    bool operator==(const RobotId& o) const { return left == o.left && unum == o.unum; }
    bool operator<(const RobotId& o) const { return left != o.left ? left : unum < o.unum; }
};

// How an agent kept time and what of its commands was cut down, running totals.
struct ReplyCounts {
    long late = 0;      // real time: cycles that ended without its reply (a reply missed its cycle)
    long timeouts = 0;  // sync: waits for its reply that timed out (the cycle went on without it)
    long clamped = 0;   // joint speeds beyond the motor's limit, clamped to it

    bool operator==(const ReplyCounts& o) const {
        return late == o.late && timeouts == o.timeouts && clamped == o.clamped;
    }
    bool operator!=(const ReplyCounts& o) const { return !(*this == o); }
};

struct MatchEvent {
    enum Kind {
        kGoal,      // team = the side that scored; robot = the scorer (last touch, unum 0: none)
        kOut,       // the ball left the field; mode = the set play given; pos = where
        kPlayMode,  // mode = the new play mode
        kFall,      // robot fell
        kGetUp,     // robot is up again after `seconds` lying
        kJoin,      // robot joined team `text` (its name)
        kLeave,     // robot left; text = the reason
        kRefusal,   // a connection was refused; text = the reason (robot unum 0 before init)
        kLate,      // robot's replies came late again (an episode begins); counts so far
        kCounts,    // robot's counts changed since they were last recorded (not logged)
    };
    Kind kind = kPlayMode;
    double time = 0;                    // simulation clock, s
    double gameTime = 0;                // game clock, s
    bool left = true;                   // kGoal: the side that scored
    RobotId robot;                      // the robot concerned (unum 0: none)
    std::string mode;                   // kOut, kPlayMode: a play mode's wire name
    double pos[2] = {0, 0};             // kOut: where the ball crossed the line, field frame, m
    int scoreLeft = 0, scoreRight = 0;  // kGoal: the score after it
    double seconds = 0;                 // kGetUp: how long it lay, s
    ReplyCounts counts;                 // kLate, kCounts
    std::string text;
};

// A side without a team, as every text names it (the records and the JSON report keep "").
const char* const kNoTeamName = "(no team)";
inline std::string ShownTeamName(const std::string& name) {
    return name.empty() ? kNoTeamName : name;
}

// v with `decimals` decimals, as the log lines and the match reports write numbers.
std::string Fixed(double v, int decimals);

// The kind's name in the recording ("goal", "out", "playMode", "fall", "getUp", "join",
// "leave", "refusal", "late", "counts"); false from ParseEventKind for an unknown name.
const char* EventKindName(MatchEvent::Kind kind);
bool ParseEventKind(const std::string& name, MatchEvent::Kind& kind);

// The log line of an event, e.g. "goal for Marrowfinch (left) by Marrowfinch 9, score 1:0
// at 61.20"; the team names make the log readable without the recording.
std::string EventLine(const MatchEvent& e, const std::string& leftName,
                      const std::string& rightName);

// Falls and get-ups of every robot, from its fallen flag cycle by cycle. A robot counts as up
// again only once it has stayed up for kUpConfirmCycles (1 s), so that a robot wavering at the
// threshold (half way through a get-up, say) is one fall and not many; the time it lay runs
// from the fall to the first cycle of that stretch.
class FallWatch {
  public:
    static constexpr int kUpConfirmCycles = 50;

    // The flag of one robot, once per cycle (time: simulation clock); appends kFall and kGetUp
    // events (their clocks set from time and gameTime).
    void Observe(const RobotId& robot, bool fallen, double time, double gameTime,
                 std::vector<MatchEvent>& events);
    // The robot left: a fall in progress is dropped.
    void Forget(const RobotId& robot) { robots_.erase(robot); }
    bool IsDown(const RobotId& robot) const;

  private:
    struct State {
        bool down = false;
        double fellAt = 0;   // simulation clock, s
        double upSince = 0;  // while down: start of the present stretch up
        int upCycles = 0;    // while down: length of that stretch
    };
    std::map<RobotId, State> robots_;
};

#endif
