// Falls and get-ups from the fallen flag; the match and series reports from cycle records.
#include "sim/record/matchreport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/record/events.h"

namespace {

// A fallen flag per cycle as a string: '_' up, 'X' fallen; 50 cycles make a second.
std::vector<MatchEvent> Watch(const std::string& flags) {
    FallWatch watch;
    std::vector<MatchEvent> events;
    for (size_t k = 0; k < flags.size(); ++k)
        watch.Observe({true, 3}, flags[k] == 'X', 0.02 * k, 0.02 * k, events);
    return events;
}

TEST(FallWatchTest, AFallCountsOnceAndAGetUpOnlyAfterASecondUp) {
    struct Case {
        std::string flags;
        int falls, getUps;
        double laySeconds;  // of the first get-up
    } cases[] = {
        {std::string(10, '_') + std::string(100, 'X') + std::string(50, '_'), 1, 1, 2.0},
        {std::string(10, '_') + std::string(100, 'X') + std::string(49, '_'), 1, 0, 0},
        // wavering during a get-up: one fall, lying until the final rise
        {std::string(50, 'X') + std::string(20, '_') + std::string(30, 'X') + std::string(60, '_'),
         1, 1, 2.0},
    };
    for (const Case& c : cases) {
        std::vector<MatchEvent> events = Watch(c.flags);
        int falls = 0, getUps = 0;
        double lay = 0;
        for (const MatchEvent& e : events) {
            if (e.kind == MatchEvent::kFall) ++falls;
            if (e.kind == MatchEvent::kGetUp && getUps++ == 0) lay = e.seconds;
        }
        EXPECT_EQ(c.falls, falls) << c.flags;
        EXPECT_EQ(c.getUps, getUps) << c.flags;
        EXPECT_NEAR(c.laySeconds, lay, 1e-9) << c.flags;
    }
}

RecordRobot At(bool left, double x, bool fallen = false) {
    RecordRobot r;
    r.id = {left, 1};
    r.pos[0] = x, r.pos[2] = fallen ? 0.1 : 0.38;
    r.fallen = fallen;
    return r;
}

MatchEvent Event(MatchEvent::Kind kind, RobotId robot, double time, double seconds = 0) {
    MatchEvent e;
    e.kind = kind, e.robot = robot, e.time = e.gameTime = time, e.seconds = seconds;
    return e;
}

// 30 s: Left 1 walks, beamed 4 m at 5 s, down 10-14 s and from 25 s; Right 1 sways, own goal.
MatchReport ThirtySeconds() {
    MatchReporter reporter;
    for (int k = 1; k <= 1500; ++k) {
        const double t = 0.02 * k;
        RecordCycle c;
        c.time = c.gameTime = t;
        c.playMode = "PlayOn", c.teamLeft = "A", c.teamRight = "B";
        const bool down = (t > 10 && t < 14) || t > 25;
        double x = t < 5 ? 0.3 * t : 0.3 * t + 4;  // a beam of 4 m at 5 s
        c.robots.push_back(At(true, down ? 9 : x, down));
        c.robots.push_back(At(false, 5 + 0.02 * (k % 3)));
        if ((t > 2 && t < 2.5) || (t > 3 && t < 3.1)) c.touches.push_back({false, 1});
        if (std::abs(t - 10.02) < 1e-9) c.events.push_back(Event(MatchEvent::kFall, {true, 1}, t));
        if (std::abs(t - 15.0) < 1e-9)
            c.events.push_back(Event(MatchEvent::kGetUp, {true, 1}, t, 4.0));
        if (std::abs(t - 25.02) < 1e-9) c.events.push_back(Event(MatchEvent::kFall, {true, 1}, t));
        if (std::abs(t - 20.0) < 1e-9) {
            MatchEvent goal = Event(MatchEvent::kGoal, {false, 1}, t);
            goal.left = true;
            c.events.push_back(goal);
        }
        c.scoreLeft = t >= 20 ? 1 : 0;
        reporter.Add(c);
    }
    return reporter.Finish(10.0);
}

TEST(MatchReportTest, FallsLyingWalkingTouchesAndGoalsFromTheRecords) {
    const MatchReport m = ThirtySeconds();
    EXPECT_EQ(1, m.scoreLeft);
    ASSERT_EQ(1u, m.goals.size());
    EXPECT_TRUE(m.goals[0].left && m.goals[0].scorer == (RobotId{false, 1}));
    ASSERT_EQ(2u, m.robots.size());
    const RobotReport& walker = m.robots[0];
    EXPECT_TRUE(walker.id == (RobotId{true, 1}));
    EXPECT_TRUE(walker.falls == 2 && walker.getUps == 1);
    EXPECT_DOUBLE_EQ(4.0, walker.medianGetUpSeconds);
    EXPECT_NEAR(4.0 + 5.0, walker.lyingSeconds, 0.03);  // 4 s, and 25.02 s to the end at 30
    // Upright and walking 0-4, 5-9 and 14-24 s: beam and falls do not count.
    EXPECT_NEAR(0.3 * 18, walker.distance, 1e-6);
    const RobotReport& stander = m.robots[1];
    EXPECT_EQ(0, stander.falls);
    EXPECT_DOUBLE_EQ(-1, stander.medianGetUpSeconds);
    EXPECT_DOUBLE_EQ(0, stander.distance);  // swaying is not walking
    EXPECT_EQ(2, stander.touches);
    EXPECT_TRUE(m.touchesLeft == 0 && m.touchesRight == 2);
    EXPECT_NEAR(3.0, m.RealTimeFactor(), 1e-9);  // 30 s in 10

    // The JSON report reads back as written.
    MatchReport back;
    std::string error;
    ASSERT_TRUE(ReadReportJson(WriteReportJson(m), back, error)) << error;
    EXPECT_EQ(WriteReportJson(m), WriteReportJson(back));
    EXPECT_FALSE(ReadReportJson("{\"teams\":[]}", back, error));
}

// A robot's late replies, sync timeouts and clamped speeds travel as running totals in the
// records' events (through their JSON lines) into its row of the report and the report's JSON.
TEST(MatchReportTest, ReplyCountsFromTheRecordsEventsAreTheLatestTotals) {
    auto counts = [](MatchEvent::Kind kind, RobotId robot, long late, long timeouts, long clamped) {
        MatchEvent e = Event(kind, robot, 1);
        e.counts = {late, timeouts, clamped};
        return e;
    };
    const std::vector<std::vector<MatchEvent>> events = {
        {counts(MatchEvent::kLate, {true, 9}, 1, 0, 0)},
        {counts(MatchEvent::kCounts, {true, 9}, 12, 0, 300),
         counts(MatchEvent::kCounts, {false, 1}, 0, 2, 0)},
        {counts(MatchEvent::kLate, {true, 9}, 13, 0, 0)},  // a late event has no clamped count
        {counts(MatchEvent::kCounts, {true, 9}, 20, 1, 450)},
    };
    MatchReporter reporter;
    for (size_t k = 0; k < events.size(); ++k) {
        RecordCycle c;
        c.time = c.gameTime = 0.02 * (k + 1);
        c.playMode = "PlayOn";
        c.robots = {At(true, 0), At(false, 1)};
        c.robots[0].id.unum = 9;
        c.events = events[k];
        RecordCycle read;
        std::string error;
        ASSERT_TRUE(ReadCycleRecord(WriteCycleRecord(c), read, error)) << error;
        reporter.Add(read);
    }
    const MatchReport m = reporter.Finish(0);
    ASSERT_EQ(2u, m.robots.size());
    EXPECT_TRUE(m.robots[0].counts == (ReplyCounts{20, 1, 450}));
    EXPECT_TRUE(m.robots[1].counts == (ReplyCounts{0, 2, 0}));
    const std::string json = WriteReportJson(m);
    EXPECT_NE(std::string::npos, json.find("\"lateReplies\": 20")) << json;
    EXPECT_NE(std::string::npos, json.find("\"clampedSpeeds\": 450")) << json;
    MatchReport back;
    std::string error;
    ASSERT_TRUE(ReadReportJson(json, back, error)) << error;
    EXPECT_TRUE(back.robots[1].counts == (ReplyCounts{0, 2, 0}));
    EXPECT_NE(std::string::npos, ReportText(m).find("       20         1      450\n"))
        << ReportText(m);
}

TEST(MatchReportTest, SeriesMeansIntervalsAndResults) {
    const Interval one = MeanInterval({2}), five = MeanInterval({1, 2, 3, 4, 5});
    EXPECT_TRUE(one.mean == 2 && one.low == 2 && one.high == 2);  // one match: no interval
    EXPECT_NEAR(3, five.mean, 1e-9);
    EXPECT_NEAR(1.963, five.high - five.mean, 1e-3);  // t(4) 2.776 * sd 1.581 / sqrt 5
    EXPECT_NEAR(1.963, five.mean - five.low, 1e-3);
    std::vector<MatchReport> matches(3);
    int scores[3][2] = {{2, 0}, {1, 1}, {0, 3}};
    for (int k = 0; k < 3; ++k) {
        matches[k].scoreLeft = scores[k][0];
        matches[k].scoreRight = scores[k][1];
        matches[k].simSeconds = 120;
        matches[k].robots.resize(2);
        matches[k].robots[0].falls = k;  // 0 + 1 + 2 falls over 3 x 2 robots x 2 min
    }
    SeriesReport s = Summarise(matches);
    EXPECT_TRUE(s.matches == 3 && s.winsLeft == 1 && s.draws == 1 && s.winsRight == 1);
    EXPECT_NEAR(1.0, s.goalsLeft.mean, 1e-9);
    EXPECT_NEAR(4.0 / 3, s.goalsRight.mean, 1e-9);
    EXPECT_NEAR(3.0 / 12, s.fallsPerRobotMinute, 1e-9);
    EXPECT_EQ((std::vector<std::string>{"2:0", "1:1", "0:3"}), s.scores);
}

}  // namespace
