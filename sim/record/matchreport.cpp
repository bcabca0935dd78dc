#include "sim/record/matchreport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "sim/record/recordfile.h"

using json = nlohmann::ordered_json;

namespace {

double Round(double v, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(v * scale) / scale;
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Student's t, two-sided 95 %, for 1..30 degrees of freedom; the normal value beyond.
double TQuantile975(int dof) {
    static const double kT[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306,
                                2.262,  2.228, 2.201, 2.179, 2.160, 2.145, 2.131, 2.120,
                                2.110,  2.101, 2.093, 2.086, 2.080, 2.074, 2.069, 2.064,
                                2.060,  2.056, 2.052, 2.048, 2.045, 2.042};
    if (dof < 1) return 0;
    return dof <= 30 ? kT[dof - 1] : 1.960;
}

const char* Side(bool left) {
    return left ? "Left" : "Right";
}

json Robot(const RobotId& r) {
    if (r.unum <= 0) return nullptr;
    return {{"team", Side(r.left)}, {"unum", r.unum}};
}

RobotId ReadRobot(const json& j) {
    RobotId r;
    if (j.is_null()) return r;
    r.left = j.at("team").get<std::string>() == "Left";
    r.unum = j.at("unum").get<int>();
    return r;
}

std::string RobotName(const MatchReport& m, const RobotId& r) {
    if (r.unum <= 0) return "nobody";
    return ShownTeamName(r.left ? m.teamLeft : m.teamRight) + " " + std::to_string(r.unum);
}

}  // namespace

double MatchReport::TouchShareLeft() const {
    const int all = touchesLeft + touchesRight;
    return all == 0 ? 0.5 : static_cast<double>(touchesLeft) / all;
}

double MatchReport::RealTimeFactor() const {
    return wallSeconds > 0 ? simSeconds / wallSeconds : 0;
}

MatchReporter::Track& MatchReporter::TrackOf(const RobotId& id) {
    for (auto& [key, track] : tracks_)
        if (key == id) return track;
    tracks_.push_back({id, Track()});
    tracks_.back().second.report.id = id;
    return tracks_.back().second;
}

void MatchReporter::Add(const RecordCycle& c) {
    if (firstTime_ < 0) firstTime_ = c.time;
    lastTime_ = c.time;
    report_.cycles++;
    report_.teamLeft = c.teamLeft;
    report_.teamRight = c.teamRight;
    report_.scoreLeft = c.scoreLeft;
    report_.scoreRight = c.scoreRight;
    report_.gameSeconds = c.gameTime;
    report_.endMode = c.playMode;

    for (const MatchEvent& e : c.events) {
        if (e.kind == MatchEvent::kGoal) {
            report_.goals.push_back({e.gameTime, e.time, e.left, e.robot});
        } else if (e.kind == MatchEvent::kFall) {
            Track& t = TrackOf(e.robot);
            t.report.falls++;
            t.down = true;
            t.fellAt = e.time;
        } else if (e.kind == MatchEvent::kGetUp) {
            Track& t = TrackOf(e.robot);
            t.report.getUps++;
            t.getUpSeconds.push_back(e.seconds);
            t.report.lyingSeconds += e.seconds;
            t.down = false;
        } else if (e.kind == MatchEvent::kCounts || e.kind == MatchEvent::kLate) {
            // Running totals: the latest are the robot's (a late event has no clamped count).
            ReplyCounts& counts = TrackOf(e.robot).report.counts;
            counts.late = std::max(counts.late, e.counts.late);
            counts.timeouts = std::max(counts.timeouts, e.counts.timeouts);
            counts.clamped = std::max(counts.clamped, e.counts.clamped);
        } else if (e.kind == MatchEvent::kLeave) {
            Track& t = TrackOf(e.robot);
            if (t.down) t.report.lyingSeconds += e.time - t.fellAt;
            t.down = false;
            t.sampled = false;
        }
    }

    for (const RecordRobot& r : c.robots) {
        Track& t = TrackOf(r.id);
        const bool touching =
            std::find(c.touches.begin(), c.touches.end(), r.id) != c.touches.end();
        if (touching && !t.touching) {
            t.report.touches++;
            (r.id.left ? report_.touchesLeft : report_.touchesRight)++;
        }
        t.touching = touching;

        t.fallenSinceSample = t.fallenSinceSample || r.fallen;
        if (!t.sampled) {
            t.sampled = true;
            t.sample[0] = r.pos[0];
            t.sample[1] = r.pos[1];
            t.sampleTime = c.time;
            t.fallenSinceSample = r.fallen;
            continue;
        }
        const double dt = c.time - t.sampleTime;
        if (dt < kWalkSampleCycles * 0.02 - 1e-6) continue;
        const double d = std::hypot(r.pos[0] - t.sample[0], r.pos[1] - t.sample[1]);
        if (!t.fallenSinceSample && d >= kMinWalkStep && d <= kMaxWalkSpeed * dt)
            t.report.distance += d;
        t.sample[0] = r.pos[0];
        t.sample[1] = r.pos[1];
        t.sampleTime = c.time;
        t.fallenSinceSample = r.fallen;
    }
}

MatchReport MatchReporter::Finish(double wallSeconds) {
    MatchReport m = report_;
    m.wallSeconds = wallSeconds;
    // Every record stands for the 20 ms cycle that led to it.
    m.simSeconds = m.cycles * 0.02;
    m.robots.clear();
    for (auto& [id, t] : tracks_) {
        RobotReport r = t.report;
        if (t.down) r.lyingSeconds += lastTime_ - t.fellAt;
        r.medianGetUpSeconds = Median(t.getUpSeconds);
        m.robots.push_back(r);
    }
    std::sort(m.robots.begin(), m.robots.end(),
              [](const RobotReport& a, const RobotReport& b) { return a.id < b.id; });
    return m;
}

bool ReportFromRecording(const std::string& path, double wallSeconds, MatchReport& report,
                         std::string& error) {
    RecordFileReader reader;
    if (!reader.Open(path, error)) return false;
    MatchReporter reporter;
    std::string line;
    bool header = false;
    RecordFileReader::Result r;
    while ((r = reader.NextLine(line)) == RecordFileReader::kLine) {
        if (!header) {
            RecordHeader h;
            if (!ReadHeaderRecord(line, h, error)) {
                error = path + ": line " + std::to_string(reader.LineNumber()) + ": " + error;
                return false;
            }
            header = true;
            continue;
        }
        RecordCycle c;
        if (!ReadCycleRecord(line, c, error)) {
            error = path + ": line " + std::to_string(reader.LineNumber()) + ": " + error;
            return false;
        }
        reporter.Add(c);
    }
    if (r == RecordFileReader::kError) {
        error = path + ": " + reader.Error();
        return false;
    }
    if (!header) {
        error = path + ": no header record (an empty recording)";
        return false;
    }
    report = reporter.Finish(wallSeconds);
    return true;
}

std::string WriteReportJson(const MatchReport& m) {
    json goals = json::array();
    for (const GoalReport& g : m.goals)
        goals.push_back({{"gameTime", Round(g.gameTime, 2)},
                         {"team", Side(g.left)},
                         {"scorer", Robot(g.scorer)}});
    json robots = json::array();
    for (const RobotReport& r : m.robots)
        robots.push_back(
            {{"team", Side(r.id.left)},
             {"unum", r.id.unum},
             {"falls", r.falls},
             {"getUps", r.getUps},
             {"medianGetUpSeconds",
              r.medianGetUpSeconds < 0 ? json(nullptr) : json(Round(r.medianGetUpSeconds, 2))},
             {"lyingSeconds", Round(r.lyingSeconds, 2)},
             {"distance", Round(r.distance, 2)},
             {"touches", r.touches},
             {"lateReplies", r.counts.late},
             {"syncTimeouts", r.counts.timeouts},
             {"clampedSpeeds", r.counts.clamped}});
    json j = {{"teams", {m.teamLeft, m.teamRight}},
              {"score", {m.scoreLeft, m.scoreRight}},
              {"goals", goals},
              {"robots", robots},
              {"touches", {m.touchesLeft, m.touchesRight}},
              {"touchShare", {Round(m.TouchShareLeft(), 3), Round(1 - m.TouchShareLeft(), 3)}},
              {"endMode", m.endMode},
              {"cycles", m.cycles},
              {"simSeconds", Round(m.simSeconds, 2)},
              {"gameSeconds", Round(m.gameSeconds, 2)},
              {"wallSeconds", Round(m.wallSeconds, 2)},
              {"realTimeFactor", Round(m.RealTimeFactor(), 3)}};
    return j.dump(2) + "\n";
}

bool ReadReportJson(const std::string& text, MatchReport& m, std::string& error) {
    try {
        json j = json::parse(text);
        m = MatchReport();
        m.teamLeft = j.at("teams").at(0).get<std::string>();
        m.teamRight = j.at("teams").at(1).get<std::string>();
        m.scoreLeft = j.at("score").at(0).get<int>();
        m.scoreRight = j.at("score").at(1).get<int>();
        for (const json& g : j.at("goals"))
            m.goals.push_back({g.at("gameTime").get<double>(), 0,
                               g.at("team").get<std::string>() == "Left",
                               ReadRobot(g.at("scorer"))});
        for (const json& r : j.at("robots")) {
            RobotReport rr;
            rr.id = ReadRobot(r);
            rr.falls = r.at("falls").get<int>();
            rr.getUps = r.at("getUps").get<int>();
            rr.medianGetUpSeconds =
                r.at("medianGetUpSeconds").is_null() ? -1 : r["medianGetUpSeconds"].get<double>();
            rr.lyingSeconds = r.at("lyingSeconds").get<double>();
            rr.distance = r.at("distance").get<double>();
            rr.touches = r.at("touches").get<int>();
            // Reports written before these counts were kept have none.
            rr.counts.late = r.value("lateReplies", 0L);
            rr.counts.timeouts = r.value("syncTimeouts", 0L);
            rr.counts.clamped = r.value("clampedSpeeds", 0L);
            m.robots.push_back(rr);
        }
        m.touchesLeft = j.at("touches").at(0).get<int>();
        m.touchesRight = j.at("touches").at(1).get<int>();
        m.endMode = j.at("endMode").get<std::string>();
        m.cycles = j.at("cycles").get<long>();
        m.simSeconds = j.at("simSeconds").get<double>();
        m.gameSeconds = j.at("gameSeconds").get<double>();
        m.wallSeconds = j.at("wallSeconds").get<double>();
        return true;
    } catch (const std::exception& e) {
        error = std::string("not a match report: ") + e.what();
        return false;
    }
}

std::string ReportText(const MatchReport& m) {
    auto name = ShownTeamName;
    std::string s = name(m.teamLeft) + " " + std::to_string(m.scoreLeft) + ":" +
                    std::to_string(m.scoreRight) + " " + name(m.teamRight) + "   (" + m.endMode +
                    " at game time " + Fixed(m.gameSeconds, 2) + " s)\n";
    for (const GoalReport& g : m.goals)
        s += "  goal " + Fixed(g.gameTime, 2) + " s  for " +
             name(g.left ? m.teamLeft : m.teamRight) + " (" + (g.left ? "left" : "right") +
             ")  by " + RobotName(m, g.scorer) + "\n";
    s += "robot          falls  get-ups  median get-up s  lying s  walked m  touches"
         "     late  timeouts  clamped\n";
    for (const RobotReport& r : m.robots) {
        char line[200];
        std::snprintf(line, sizeof(line),
                      "%-5s %2d       %5d  %7d  %15s  %7.1f  %8.1f  %7d  %7ld  %8ld  %7ld\n",
                      r.id.left ? "left" : "right", r.id.unum, r.falls, r.getUps,
                      r.medianGetUpSeconds < 0 ? "-" : Fixed(r.medianGetUpSeconds, 2).c_str(),
                      r.lyingSeconds, r.distance, r.touches, r.counts.late, r.counts.timeouts,
                      r.counts.clamped);
        s += line;
    }
    s += "late: replies that missed their cycle (real time); timeouts: sync waits that went on"
         " without the reply;\nclamped: joint speeds cut to the motor's limit\n";
    if (m.touchesLeft + m.touchesRight == 0)
        s += "ball touches: none\n";
    else
        s += "ball touches: " + name(m.teamLeft) + " " + std::to_string(m.touchesLeft) + " (" +
             Fixed(100 * m.TouchShareLeft(), 0) + " %), " + name(m.teamRight) + " " +
             std::to_string(m.touchesRight) + " (" + Fixed(100 * (1 - m.TouchShareLeft()), 0) +
             " %)\n";
    s += "simulated " + Fixed(m.simSeconds, 1) + " s in " + Fixed(m.wallSeconds, 1) +
         " s wall time: real-time factor " + Fixed(m.RealTimeFactor(), 2) + "\n";
    return s;
}

Interval MeanInterval(const std::vector<double>& v) {
    Interval i;
    if (v.empty()) return i;
    double sum = 0;
    for (double x : v) sum += x;
    i.mean = sum / v.size();
    if (v.size() < 2) {
        i.low = i.high = i.mean;
        return i;
    }
    double ss = 0;
    for (double x : v) ss += (x - i.mean) * (x - i.mean);
    const double sd = std::sqrt(ss / (v.size() - 1));
    const double half = TQuantile975(static_cast<int>(v.size()) - 1) * sd / std::sqrt(v.size());
    i.low = i.mean - half;
    i.high = i.mean + half;
    return i;
}

SeriesReport Summarise(const std::vector<MatchReport>& matches) {
    SeriesReport s;
    s.matches = static_cast<int>(matches.size());
    std::vector<double> left, right;
    double falls = 0, robotMinutes = 0;
    for (const MatchReport& m : matches) {
        if (s.teamLeft.empty()) s.teamLeft = m.teamLeft;
        if (s.teamRight.empty()) s.teamRight = m.teamRight;
        left.push_back(m.scoreLeft);
        right.push_back(m.scoreRight);
        if (m.scoreLeft > m.scoreRight)
            s.winsLeft++;
        else if (m.scoreLeft < m.scoreRight)
            s.winsRight++;
        else
            s.draws++;
        for (const RobotReport& r : m.robots) falls += r.falls;
        robotMinutes += m.robots.size() * m.simSeconds / 60;
        s.wallSeconds += m.wallSeconds;
        s.scores.push_back(std::to_string(m.scoreLeft) + ":" + std::to_string(m.scoreRight));
    }
    s.goalsLeft = MeanInterval(left);
    s.goalsRight = MeanInterval(right);
    s.fallsPerRobotMinute = robotMinutes > 0 ? falls / robotMinutes : 0;
    return s;
}

std::string WriteSeriesJson(const SeriesReport& s) {
    auto interval = [](const Interval& i) {
        return json{
            {"mean", Round(i.mean, 3)}, {"low", Round(i.low, 3)}, {"high", Round(i.high, 3)}};
    };
    json j = {{"matches", s.matches},
              {"teams", {s.teamLeft, s.teamRight}},
              {"goalsPerMatch", {interval(s.goalsLeft), interval(s.goalsRight)}},
              {"wins", {s.winsLeft, s.winsRight}},
              {"draws", s.draws},
              {"fallsPerRobotMinute", Round(s.fallsPerRobotMinute, 4)},
              {"wallSeconds", Round(s.wallSeconds, 1)},
              {"scores", s.scores}};
    return j.dump(2) + "\n";
}

std::string SeriesText(const SeriesReport& s) {
    auto interval = [](const Interval& i) {
        return Fixed(i.mean, 2) + " (95 % interval " + Fixed(i.low, 2) + " .. " + Fixed(i.high, 2) +
               ")";
    };
    std::string scores;
    for (const std::string& sc : s.scores) scores += (scores.empty() ? "" : ", ") + sc;
    const std::string left = ShownTeamName(s.teamLeft), right = ShownTeamName(s.teamRight);
    return "series of " + std::to_string(s.matches) + " matches: " + left + " (left) vs " + right +
           " (right)\n" + "  goals per match: " + left + " " + interval(s.goalsLeft) + ", " +
           right + " " + interval(s.goalsRight) + "\n" + "  " + left + " won " +
           std::to_string(s.winsLeft) + ", drew " + std::to_string(s.draws) + ", lost " +
           std::to_string(s.winsRight) + "\n" +
           "  falls per robot-minute: " + Fixed(s.fallsPerRobotMinute, 3) + "\n" +
           "  scores: " + scores + "\n";
}
