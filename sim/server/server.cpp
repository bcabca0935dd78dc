// The server's life: start-up, the loop of cycles, the status line, the web monitor's start and
// its stream, and the names and lookups the other parts share. The cycle itself is in
// server_cycle.cpp, joining and leaving in server_join.cpp, the trainer's commands in
// server_trainer.cpp.

#include "sim/server/server.h"

#include "sim/physics/mjlog.h"
#include "sim/physics/truth.h"

Server::Server(const ServerOptions& options)
    : options_(options),
      log_(options.quiet, options.logFile),
      world_(0, 0, options.models),
      vision_(options.noise, options.seed, options.lines),
      referee_(options.halfTime, options.autoKickoff) {
    sim::SetMujocoWarningsQuiet(options.quiet);
}

bool Server::Start() {
    if (!log_.Ok()) {
        log_.Error("pitchsim: cannot write the log file " + options_.logFile);
        return false;
    }
    std::string error;
    ListenerLimits limits;
    // One more than the limit: the server decides who goes (AdmitAgentConnection).
    limits.maxConnections = static_cast<size_t>(options_.maxConnections) + 1;
    agentListener_ = net_.Listen(options_.agentPort, error, options_.bindAddress, limits);
    limits.maxConnections = static_cast<size_t>(options_.maxConnections);
    if (agentListener_ < 0) {
        log_.Error("pitchsim: cannot listen on agent port " + options_.bindAddress + ":" +
                   std::to_string(options_.agentPort) + ": " + error);
        return false;
    }
    limits.idleSeconds = options_.trainerIdle;
    trainerListener_ = net_.Listen(options_.trainerPort, error, options_.bindAddress, limits);
    if (trainerListener_ < 0) {
        log_.Error("pitchsim: cannot listen on trainer port " +
                   std::to_string(options_.trainerPort) + ": " + error);
        return false;
    }
    log_.Always("agent port " + std::to_string(net_.BoundPort(agentListener_)));
    log_.Always("trainer port " + std::to_string(net_.BoundPort(trainerListener_)));
    log_.Always(std::string("mode ") + (!options_.sync      ? "realtime"
                                        : options_.pace > 0 ? "sync pace " + Fixed(options_.pace, 2)
                                                            : "sync"));
    if (!options_.recordFile.empty()) {
        if (!recording_.Open(options_.recordFile, error) ||
            !recording_.WriteLine(WriteHeaderRecord(Header())) || !recording_.EndFrame()) {
            log_.Error("pitchsim: " +
                       (error.empty() ? "cannot write " + options_.recordFile : error));
            return false;
        }
        log_.Always("recording to " + options_.recordFile);
    }
    return options_.httpPort < 0 || StartMonitor();
}

void Server::Run(const volatile std::sig_atomic_t& stop) {
    stop_ = &stop;
    nextCycle_ = Clock::now() + kCycle;
    nextStatus_ = Clock::now() + std::chrono::seconds(static_cast<int>(kStatusSeconds));
    statusWall_ = Clock::now();
    while (!stop && !killed_ && !OverLongEnough()) {
        const Clock::time_point start = Clock::now();
        waited_ = Clock::duration::zero();
        StepCycle();
        RecordThisCycle();
        GatherPerceptions();
        StartNextStep();
        SendPerceptions();
        CollectReplies();
        FinishCycleStep();
        ServeMonitorCommands();
        NoteTrainerEventsLeftOut();
        ForgiveStall(Clock::now() - start - waited_);
        const Clock::duration wall = Clock::now() - start;
        if (std::chrono::duration<double>(wall).count() >= kSlowCycleSeconds)
            log_.Error("pitchsim: " + costs_.SlowCycleLine(wall));
        costs_.CountCycle();
        // What was said in this cycle is heard in the next perception.
        toHear_.swap(said_);
        said_.clear();
        DropSilentAgents();
        if (Clock::now() >= nextStatus_) {
            PrintStatus();
            nextStatus_ += std::chrono::seconds(static_cast<int>(kStatusSeconds));
        }
    }
    // The cycle the loop stepped to is judged and recorded last, with every robot's counts.
    StepCycle();
    for (auto& [id, a] : agents_) RecordCounts(a);
    RecordThisCycle();
    net_.CloseAll();
    log_.Always(costs_.Summary());
    const sim::World::SolverTally& solver = world_.Solver();
    if (solver.substeps > 0) {
        char line[160];
        std::snprintf(
            line, sizeof line,
            "solver (per substep): %.2f iterations, %.0f constraint rows over %ld substeps",
            double(solver.iterations) / solver.substeps, double(solver.rows) / solver.substeps,
            solver.substeps);
        log_.Always(line);
    }
    if (monitor_) monitor_->Stop();
    if (options_.sync)
        log_.Always("sync waits " + std::to_string(syncWaits_) + ", timed out " +
                    std::to_string(syncTimeouts_));
    log_.Always("final score " + TeamName(true) + " " + std::to_string(referee_.scoreLeft) + ":" +
                std::to_string(referee_.scoreRight) + " " + TeamName(false));
    if (recording_.IsOpen() && !recording_.Close())
        log_.Error("pitchsim: the recording " + options_.recordFile + " could not be completed");
    log_.Flush();
}

// --exit-at-gameover: the agents see GameOver for a while before the end.
bool Server::OverLongEnough() const {
    return options_.exitAtGameOver && referee_.mode == kGameOver &&
           referee_.SecondsInMode() >= kGameOverExitSeconds - 1e-9;
}

// The web monitor.
bool Server::StartMonitor() {
    monitor_ = std::make_unique<Monitor>(MonitorPageDir(options_.monitorDir), monitorHub_,
                                         &monitorCommands_);
    std::string error;
    if (!monitor_->Start(options_.httpPort, error)) {
        log_.Error("pitchsim: " + error);
        monitor_.reset();
        return false;
    }
    monitorHub_.SetHeader(WriteHeaderRecord(Header()));
    log_.Always("http port " + std::to_string(monitor_->Port()));
    log_.Always("monitor http://127.0.0.1:" + std::to_string(monitor_->Port()) + "/");
    return true;
}

// At most one record per 20 ms of wall time: a synced match may run many times faster than
// anyone watches. The events of the cycles left out ride with the next record sent, so that
// the page's ticker misses none. A record that carries no such events is the recording's line
// (`line`, "" when there is no recording), not written again.
void Server::StreamCycle(const RecordCycle& c, const std::string& line) {
    const bool carries = !streamEvents_.empty();
    streamEvents_.insert(streamEvents_.end(), c.events.begin(), c.events.end());
    Clock::time_point now = Clock::now();
    if (options_.sync && now < nextStreamRecord_) return;
    nextStreamRecord_ = now + kCycle;
    if (!carries && !line.empty()) {
        streamEvents_.clear();
        monitorHub_.Publish(line);
        return;
    }
    RecordCycle sent = c;
    sent.events.swap(streamEvents_);
    streamEvents_.clear();
    monitorHub_.Publish(WriteCycleRecord(sent));
}

void Server::PrintStatus() {
    int up = 0, fallen = 0;
    for (int r = 0; r < world_.RobotCount(); ++r)
        (sim::RobotGroundTruth(world_, r).fallen ? fallen : up)++;
    ReplyCounts all;
    for (const auto& [id, a] : agents_) {
        all.late += a.counts.late;
        all.timeouts += a.counts.timeouts;
    }
    const sim::BallTruth ball = sim::BallGroundTruth(world_);
    const RobotId last = LastTouch();
    const std::string touch =
        last.unum > 0 ? TeamName(last.left) + " " + std::to_string(last.unum) : "nobody";
    log_.Info("status time " + Fixed(world_.Time(), 2) + " game " + Fixed(referee_.gameTime, 2) +
              " " + PlayModeName(referee_.mode) + " score " + std::to_string(referee_.scoreLeft) +
              ":" + std::to_string(referee_.scoreRight) + " robots up " + std::to_string(up) +
              " fallen " + std::to_string(fallen) + " ball (" + Fixed(ball.pos.x, 2) + ", " +
              Fixed(ball.pos.y, 2) + ") last touch " + touch + " late replies " +
              std::to_string(all.late) + " sync timeouts " + std::to_string(all.timeouts) +
              PaceText() + MonitorText());
}

// The multiple of real time the simulation achieved since the previous status line.
std::string Server::PaceText() {
    const Clock::time_point now = Clock::now();
    const double wall = std::chrono::duration<double>(now - statusWall_).count();
    const double sim = world_.Time() - statusSimTime_;
    statusWall_ = now;
    statusSimTime_ = world_.Time();
    return wall > 0 ? " pace " + Fixed(sim / wall, 2) : "";
}

std::string Server::MonitorText() const {
    if (!monitor_) return "";
    return " monitor http://127.0.0.1:" + std::to_string(monitor_->Port()) + "/";
}

std::string Server::TeamName(bool left) const {
    size_t i = left ? 0 : 1;
    return ShownTeamName(teamNames_[i]);
}

std::string Server::AgentName(const Agent& a) const {
    std::string name = "agent #" + std::to_string(a.connection);
    if (a.identified) name += " (" + TeamName(a.left) + " " + std::to_string(a.unum) + ")";
    return name;
}

Server::Agent* Server::AgentOfRobot(int robot) {
    for (auto& [id, a] : agents_)
        if (a.robot == robot) return &a;
    return nullptr;
}

Server::Agent* Server::FindAgent(bool left, int unum) {
    for (auto& [id, a] : agents_)
        if (a.identified && a.left == left && a.unum == unum) return &a;
    return nullptr;
}
