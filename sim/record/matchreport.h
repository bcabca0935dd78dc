#ifndef SIM_RECORD_MATCHREPORT_H
#define SIM_RECORD_MATCHREPORT_H

#include <string>
#include <vector>

#include "sim/record/record.h"

// What a match came to, read from its recording: the score and the goals, and per robot its
// falls, get-ups, time lying, distance walked and ball touches. A series of matches sums
// their reports up with the mean goals per match and a 95 % interval.

struct GoalReport {
    double gameTime = 0;  // s
    double time = 0;      // simulation clock, s
    bool left = true;     // the side that scored
    RobotId scorer;       // unum 0: nobody had touched the ball
};

struct RobotReport {
    RobotId id;
    int falls = 0;
    int getUps = 0;
    double medianGetUpSeconds = -1;  // -1: no get-up
    double lyingSeconds = 0;         // from each fall to getting up, or to the end of the match
    double distance = 0;             // m walked by the torso over the ground, upright
    int touches = 0;                 // times it started touching the ball
    ReplyCounts counts;              // its late replies, sync timeouts and clamped joint speeds
};

struct MatchReport {
    std::string teamLeft, teamRight;
    int scoreLeft = 0, scoreRight = 0;
    std::vector<GoalReport> goals;
    std::vector<RobotReport> robots;  // left team first, then by uniform number
    int touchesLeft = 0, touchesRight = 0;
    long cycles = 0;
    double simSeconds = 0;   // simulation time recorded
    double gameSeconds = 0;  // the game clock at the end
    double wallSeconds = 0;  // 0: not measured
    std::string endMode;     // the play mode of the last record

    double TouchShareLeft() const;  // 0..1; 0.5 when nobody touched the ball
    double RealTimeFactor() const;  // simulated s per wall s, 0 when not measured
};

// Walking is measured between samples of the torso's ground position one second apart, so
// that its sway within a step does not add up: a move shorter than kMinWalkStep (slower than
// 5 cm/s) is standing, one faster than kMaxWalkSpeed a beam or a placement, not a walk.
const int kWalkSampleCycles = 50;
const double kMinWalkStep = 0.05;  // m per sample
const double kMaxWalkSpeed = 2.0;  // m/s

class MatchReporter {
  public:
    void Add(const RecordCycle& cycle);
    MatchReport Finish(double wallSeconds);

  private:
    struct Track {
        RobotReport report;
        bool down = false;
        double fellAt = 0;
        std::vector<double> getUpSeconds;
        bool touching = false;
        bool sampled = false;
        double sample[2] = {0, 0};
        double sampleTime = 0;
        bool fallenSinceSample = false;
    };
    Track& TrackOf(const RobotId& id);

    MatchReport report_;
    std::vector<std::pair<RobotId, Track>> tracks_;
    double firstTime_ = -1, lastTime_ = 0;
};

// Reads a whole recording. False with `error` when it cannot be read; a recording cut off by
// a killed server is read up to its last complete frame.
bool ReportFromRecording(const std::string& path, double wallSeconds, MatchReport& report,
                         std::string& error);

std::string WriteReportJson(const MatchReport& report);
bool ReadReportJson(const std::string& text, MatchReport& report, std::string& error);
std::string ReportText(const MatchReport& report);

struct Interval {
    double mean = 0, low = 0, high = 0;  // 95 % interval of the mean (Student's t)
};

struct SeriesReport {
    int matches = 0;
    std::string teamLeft, teamRight;
    Interval goalsLeft, goalsRight;  // per match
    int winsLeft = 0, draws = 0, winsRight = 0;
    double fallsPerRobotMinute = 0;   // all falls over all robots' minutes of simulated time
    double wallSeconds = 0;           // summed over the matches
    std::vector<std::string> scores;  // "2:1" per match, in the order given
};

SeriesReport Summarise(const std::vector<MatchReport>& matches);
Interval MeanInterval(const std::vector<double>& values);
std::string WriteSeriesJson(const SeriesReport& series);
std::string SeriesText(const SeriesReport& series);

#endif
