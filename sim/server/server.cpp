#include "sim/server/server.h"

#include <algorithm>
#include <cmath>

#include "sim/physics/field.h"
#include "sim/physics/mjlog.h"
#include "sim/physics/placement.h"
#include "sim/physics/sensors.h"
#include "sim/physics/truth.h"
#include "sim/physics/worldxml.h"
#include "sim/record/recordmodel.h"
#include "sim/server/hearing.h"
#include "sim/server/perception.h"

namespace {

const auto kCycle = std::chrono::milliseconds(20);
// Real time: a server this far behind its schedule starts a new one instead of racing.
const auto kMaxLag = std::chrono::milliseconds(100);

// Parking beside the touch line for robots that have not beamed yet.
const double kParkingY = -7.6;
const double kParkingClearance = 0.5;

// The three coordinates of v into out[0..2].
void Put(sim::Vec3 v, double* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

PolarReading Reading(const sim::Polar& p) {
    return {p.distance, p.horizontalDeg, p.verticalDeg};
}

// The counts of an agent's ignored input, for its leaving line ("" when there was none).
std::string IgnoredSummary(const EffectorRejects& r) {
    if (r.Total() == 0) return "";
    return " (ignored: " + std::to_string(r.malformed) + " malformed, " +
           std::to_string(r.unknown) + " unknown, " + std::to_string(r.nonFinite) +
           " non-finite, " + std::to_string(r.outOfRange) + " out of range, " +
           std::to_string(r.badSay) + " bad say)";
}

// Set plays that the referee gives when the ball leaves the field.
bool IsOutOfPlayMode(PlayMode m) {
    return m == kKickInLeft || m == kKickInRight || m == kCornerKickLeft || m == kCornerKickRight ||
           m == kGoalKickLeft || m == kGoalKickRight;
}

sim::KnockDirection Way(TrainerCommand::Knock knock) {
    switch (knock) {
        case TrainerCommand::kKnockBack:
            return sim::KnockDirection::kBack;
        case TrainerCommand::kKnockLeft:
            return sim::KnockDirection::kLeft;
        case TrainerCommand::kKnockRight:
            return sim::KnockDirection::kRight;
        default:
            return sim::KnockDirection::kFront;
    }
}

int MillisUntil(std::chrono::steady_clock::time_point t) {
    auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(t - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    return static_cast<int>((left.count() + 999) / 1000);
}

}  // namespace

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

// (1) Physics and referee. The step to this cycle was started once the previous perceptions
// were read, and ran while they were sent and their replies came in (StartNextStep).
void Server::StepCycle() {
    FinishStep();
    JudgeCycle();
}

// Steps the world to the next cycle on the stepper's thread. The step uses the commands of
// the replies up to the previous perception, so it need not wait for the replies to this one:
// the physics runs while the perceptions are written and sent and the agents think. Whatever else
// touches the world meanwhile waits for the step first (FinishStep), so such changes land between
// two cycles as before.
void Server::StartNextStep() {
    world_.AdoptPreparedRooms();
    SeatWaitingAgents();
    FitRooms();
    world_.TakeReceivedCommands();
    // A world changed in the latest cycle (agents beam every cycle before a kick-off) is
    // likely changed again: a step taken ahead would only be undone and taken again, so it
    // is taken once, after the replies.
    const bool changedLately = touched_;
    touched_ = false;
    if (changedLately) {
        stepAgain_ = true;
        return;
    }
    perceived_ = Truth();
    beforeStep_ = world_.Save();
    stepAhead_ = true;
    stepper_.Start([this] {
        StageTimer timer(costs_, CycleCosts::kPhysics);
        world_.StepPhysics();
    });
}

// Whatever changes the world between two cycles (beams, placements, joining, leaving) must
// find it as the last perceptions showed it: the step taken ahead is undone and taken again
// once the replies are in (FinishCycleStep).
void Server::TouchWorld() {
    touched_ = true;
    if (!stepAhead_) return;
    FinishStep();
    world_.Restore(beforeStep_);
    stepAhead_ = false;
    stepAgain_ = true;
}

void Server::FinishCycleStep() {
    FinishStep();
    if (stepAgain_) {
        StageTimer timer(costs_, CycleCosts::kStepWait);
        world_.StepPhysics();
    }
    stepAhead_ = stepAgain_ = false;
}

void Server::FinishStep() {
    if (!stepper_.Running()) return;
    StageTimer timer(costs_, CycleCosts::kStepWait);
    stepper_.Finish();
}

void Server::JudgeCycle() {
    RefereeInput in;
    sim::BallTruth ball = sim::BallGroundTruth(world_);
    Put(ball.pos, in.ballPos);
    in.touches = BallTouches();
    in.agentsJoined = world_.RobotCount();
    touches_.clear();
    for (const BallTouch& t : in.touches) touches_.push_back({t.left, t.unum});
    referee_.Step(in);
    LogRefereeEvents();
    WatchFalls();
}

// Any substep of the cycle counts, so that a short kick is not missed. Robots of agents that
// have not been given a team yet do not count.
std::vector<BallTouch> Server::BallTouches() {
    std::vector<BallTouch> touches;
    for (int robot : world_.BallTouchedBy()) {
        const Agent* a = AgentOfRobot(robot);
        if (a && a->identified) touches.push_back({a->left, a->unum});
    }
    return touches;
}

// One line per 10 s at most, however many events a trainer's burst of commands raised.
void Server::NoteTrainerEventsLeftOut() {
    trainerEvents_.thisCycle = 0;
    const Clock::time_point now = Clock::now();
    if (trainerEvents_.leftOut == 0 || now < trainerEvents_.nextLine) return;
    log_.Error("pitchsim: trainer commands raised " + std::to_string(trainerEvents_.leftOut) +
               " events beyond " + std::to_string(kMaxTrainerEventsPerCycle) +
               " in a cycle; they are left out of the log and the recording");
    trainerEvents_.leftOut = 0;
    trainerEvents_.nextLine = now + std::chrono::seconds(10);
}

void Server::LogRefereeEvents(bool byTrainer) {
    for (const RefereeEvent& e : referee_.TakeEvents()) {
        if (byTrainer && ++trainerEvents_.thisCycle > kMaxTrainerEventsPerCycle) {
            trainerEvents_.leftOut++;
            continue;
        }
        MatchEvent m;
        if (e.kind == RefereeEvent::kGoal) {
            m.kind = MatchEvent::kGoal;
            m.left = e.mode == kGoalLeft;
            m.robot = LastTouch();
            m.scoreLeft = referee_.scoreLeft;
            m.scoreRight = referee_.scoreRight;
        } else {
            if (!byTrainer && IsOutOfPlayMode(e.mode)) {
                MatchEvent out;
                out.kind = MatchEvent::kOut;
                out.mode = PlayModeName(e.mode);
                const sim::BallTruth ball = sim::BallGroundTruth(world_);
                out.pos[0] = ball.pos.x;
                out.pos[1] = ball.pos.y;
                Raise(out);
            }
            m.kind = MatchEvent::kPlayMode;
            m.mode = PlayModeName(e.mode);
        }
        Raise(m);
    }
    double spot[3];
    if (referee_.TakeBallSpot(spot)) {
        TouchWorld();
        sim::PlaceBall(world_, {spot[0], spot[1], spot[2]});
    }
}

RobotId Server::LastTouch() const {
    const ::LastTouch& t = referee_.lastTouch;
    return t.known ? RobotId{t.left, t.unum} : RobotId();
}

void Server::WatchFalls() {
    std::vector<MatchEvent> found;
    for (const auto& [id, a] : agents_)
        if (a.robot >= 0 && a.identified)
            falls_.Observe(IdOf(a), sim::RobotGroundTruth(world_, a.robot).fallen, world_.Time(),
                           referee_.gameTime, found);
    for (const MatchEvent& e : found) Raise(e);
}

void Server::Raise(MatchEvent e, const std::string& line) {
    e.time = world_.Time();
    e.gameTime = referee_.gameTime;
    if (line.empty())
        log_.Info(EventLine(e, TeamName(true), TeamName(false)));
    else if (e.kind == MatchEvent::kRefusal)
        log_.Error(line);
    else
        log_.Info(line);
    Keep(e);
}

void Server::Keep(MatchEvent e) {
    e.time = world_.Time();
    e.gameTime = referee_.gameTime;
    events_.push_back(e);
}

const RecordHeader& Server::Header() {
    if (!header_) header_ = std::make_unique<RecordHeader>(MakeRecordHeader(options_.halfTime));
    return *header_;
}

RecordCycle Server::TakeCycleRecord() {
    RecordCycle c;
    c.time = world_.Time();
    c.gameTime = referee_.gameTime;
    c.playMode = PlayModeName(referee_.mode);
    c.scoreLeft = referee_.scoreLeft;
    c.scoreRight = referee_.scoreRight;
    c.teamLeft = teamNames_.size() > 0 ? teamNames_[0] : "";
    c.teamRight = teamNames_.size() > 1 ? teamNames_[1] : "";
    const sim::BallTruth ball = sim::BallGroundTruth(world_);
    Put(ball.pos, c.ballPos);
    Put(ball.vel, c.ballVel);
    c.lastTouch = LastTouch();
    c.touches = touches_;
    for (const auto& [id, a] : agents_)
        if (a.robot >= 0 && a.identified) c.robots.push_back(RobotRecord(world_, a.robot, IdOf(a)));
    std::sort(c.robots.begin(), c.robots.end(),
              [](const RecordRobot& p, const RecordRobot& q) { return p.id < q.id; });
    c.events.swap(events_);
    return c;
}

// The cycle's record goes to the recording and to the monitor's viewers, the same line.
void Server::RecordThisCycle() {
    // Counts go into the record once a second (each frame has them) and every cycle once the
    // game is over, so that a match that ends by itself records them all.
    if (world_.Cycle() % kRecordFrameCycles == 0 || referee_.mode == kGameOver)
        for (auto& [id, a] : agents_) RecordCounts(a);
    const bool watched = monitor_ && monitorHub_.Viewers() > 0;
    if (!watched) streamEvents_.clear();
    if (!recording_.IsOpen() && !watched) {
        events_.clear();  // the log has them; nobody else keeps them
        return;
    }
    RecordCycle c = TakeCycleRecord();
    const std::string line = recording_.IsOpen() ? WriteCycleRecord(c) : "";
    if (watched) StreamCycle(c, line);
    if (!recording_.IsOpen()) return;
    bool ok = recording_.WriteLine(line);
    if (ok && world_.Cycle() % kRecordFrameCycles == 0) ok = recording_.EndFrame();
    if (!ok) {
        log_.Error("pitchsim: writing the recording " + options_.recordFile +
                   " failed; recording stopped");
        recording_.Close();
    }
}

// (2) Perceptions: read from the world before the step to the next cycle starts, written and
// sent while it runs.
void Server::GatherPerceptions() {
    StageTimer sensorTimer(costs_, CycleCosts::kSensors);
    std::map<int, sim::RobotSensors> sensors;  // by robot
    for (const auto& [id, a] : agents_)
        if (a.robot >= 0) sensors[a.robot] = sim::ReadSensors(world_, a.robot);
    sensorTimer.Stop();

    std::vector<Utterance> utterances;
    for (const Said& s : toHear_) {
        auto it = agents_.find(s.connection);
        // A robot without a team has no team name to speak with.
        if (it == agents_.end() || it->second.robot < 0 || !it->second.identified) continue;
        Utterance u;
        u.robot = it->second.robot;
        u.leftTeam = it->second.left;
        u.team = TeamName(u.leftTeam);
        Put(sensors[u.robot].camera.pos, u.head);
        u.time = s.time;
        u.text = s.text;
        utterances.push_back(u);
    }
    toHear_.clear();

    perceptionTime_ = world_.Time();
    bool visionCycle = sim::IsVisionCycle(world_.Cycle());
    outgoing_.clear();
    for (auto& [id, a] : agents_) {
        if (a.robot < 0) continue;
        // A connection that has not said who it is gets no new perception while it owes a
        // reply to the last one: a synced server does not wait for it, and the cycles queued
        // meanwhile would keep it that many cycles behind for good once it has joined.
        if (options_.sync && !a.identified && a.awaitingReply) continue;
        const sim::RobotSensors& s = sensors[a.robot];
        outgoing_.push_back({id, RobotPerception()});
        RobotPerception& p = outgoing_.back().perception;
        p.time = world_.Time();
        p.identified = a.identified;
        p.unum = a.unum;
        p.leftSide = a.left;
        p.gameTime = referee_.gameTime;
        p.playMode = PlayModeName(referee_.mode);
        p.scoreLeft = referee_.scoreLeft;
        p.scoreRight = referee_.scoreRight;
        Put(s.gyroDegPerSec, p.gyro);
        Put(s.accel, p.acc);
        for (int j = 0; j < sim::kJointCount; ++j) p.joints[j] = s.jointDeg[j];
        FootReading* feet[2] = {&p.leftFoot, &p.rightFoot};
        for (int f = 0; f < 2; ++f) {
            const sim::FootPressure& fp = s.feet[f];
            feet[f]->touching = fp.touching;
            Put(fp.centre, feet[f]->c);
            Put(fp.force, feet[f]->f);
        }
        if (visionCycle) {
            p.visionCycle = true;
            StageTimer visionTimer(costs_, CycleCosts::kVision);
            sim::VisionReading v = vision_.See(world_, a.robot, a.calibration);
            visionTimer.Stop();
            for (const sim::SeenLandmark& l : v.landmarks)
                p.objects.push_back({l.name, Reading(l.pol)});
            if (v.ballSeen) p.objects.push_back({"B", Reading(v.ball)});
            for (const sim::SeenRobot& r : v.robots) {
                const Agent* other = AgentOfRobot(r.robot);
                if (!other || !other->identified) continue;  // nameless until init
                SeenRobot seen;
                seen.team = TeamName(other->left);
                seen.unum = other->unum;
                for (const sim::SeenPart& part : r.parts)
                    seen.parts.push_back({part.name, Reading(part.pol)});
                p.robots.push_back(seen);
            }
            for (const sim::SeenLine& l : v.lines) p.lines.push_back({Reading(l.a), Reading(l.b)});
        }
        Listener listener;
        listener.robot = a.robot;
        Put(s.camera.pos, listener.head);
        listener.heading = sim::RobotGroundTruth(world_, a.robot).headingDeg;
        p.heard = HearFor(listener, utterances);
    }
}

void Server::SendPerceptions() {
    for (const Outgoing& o : outgoing_) {
        StageTimer textTimer(costs_, CycleCosts::kText);
        const std::string text = WritePerception(o.perception);
        textTimer.Stop();
        StageTimer sendTimer(costs_, CycleCosts::kSend);
        auto it = agents_.find(o.connection);
        if (it == agents_.end() || !net_.Send(o.connection, text)) continue;
        Agent& a = it->second;
        // Silence counts from the first perception it owes a reply to: the time the server
        // itself took (robots joining rebuild the world) is not the agent's.
        if (!a.awaitingReply) a.lastHeard = Clock::now();
        a.awaitingReply = true;
        a.owed++;
        if (!a.perceived) a.firstPerception = Clock::now();
        a.perceived = true;
        // A connection that has not said who it is costs the others nothing.
        if (a.identified) a.holdsWait = true;
    }
    outgoing_.clear();
}

// (3) Replies.
bool Server::AllReplied() const {
    for (const auto& [id, a] : agents_)
        if (a.holdsWait && a.awaitingReply) return false;
    return true;
}

void Server::CollectReplies() {
    std::vector<NetEvent> events;
    bool anyAgent = false;
    for (const auto& [id, a] : agents_) anyAgent = anyAgent || a.holdsWait;
    if (options_.sync && anyAgent) {
        Clock::time_point deadline =
            Clock::now() + std::chrono::milliseconds(options_.syncTimeoutMs);
        ++syncWaits_;
        while (!*stop_ && !killed_ && !AllReplied()) {
            int wait = MillisUntil(deadline);
            if (wait <= 0) {
                ++syncTimeouts_;
                for (auto& [id, a] : agents_)
                    if (a.holdsWait && a.awaitingReply) NoteLate(a, true);
                break;
            }
            const Clock::time_point before = Clock::now();
            net_.Poll(wait, events);
            waited_ += Clock::now() - before;
            costs_.Add(CycleCosts::kWaiting, Clock::now() - before);
            HandleEvents(events);
        }
        if (options_.pace > 0) {
            // Paced: the replies are in (or timed out); the cycle's slot is waited out.
            WaitForSlot(events);
            return;
        }
        // Pick up what else is waiting (trainer commands, new connections) without waiting.
        net_.Poll(0, events);
        HandleEvents(events);
        nextCycle_ = Clock::now() + kCycle;
        return;
    }
    // Real time, or a synced server with nobody to wait for: one cycle per slot.
    WaitForSlot(events);
}

// Until the end of the cycle's slot (20 ms of wall time, divided by the pace), handling what
// comes meanwhile. A server that fell behind by more than kMaxLag starts a new schedule
// instead of racing to catch up.
void Server::WaitForSlot(std::vector<NetEvent>& events) {
    do {
        const Clock::time_point before = Clock::now();
        net_.Poll(MillisUntil(nextCycle_), events);
        waited_ += Clock::now() - before;
        costs_.Add(CycleCosts::kWaiting, Clock::now() - before);
        HandleEvents(events);
    } while (!*stop_ && !killed_ && Clock::now() < nextCycle_);
    const auto period = std::chrono::duration_cast<Clock::duration>(
        kCycle / (options_.sync && options_.pace > 0 ? options_.pace : 1.0));
    nextCycle_ += period;
    if (Clock::now() - nextCycle_ > kMaxLag) nextCycle_ = Clock::now() + period;
    // Strict real time: an agent that still owes a reply has missed this cycle.
    if (!options_.sync)
        for (auto& [id, a] : agents_)
            if (a.holdsWait && a.owed > 0) NoteLate(a, false);
}

// One line and one event at the start of an episode; the rest of it is only counted.
void Server::NoteLate(Agent& a, bool timeout) {
    (timeout ? a.counts.timeouts : a.counts.late)++;
    const long cycle = world_.Cycle();
    const bool newEpisode = a.lateCycle < 0 || cycle - a.lateCycle > kLateEpisodeCycles;
    a.lateCycle = cycle;
    if (!newEpisode || !a.identified) return;
    MatchEvent e;
    e.kind = MatchEvent::kLate;
    e.robot = IdOf(a);
    e.counts = a.counts;
    Raise(e);
}

void Server::RecordCounts(Agent& a) {
    if (!a.identified || a.counts == a.countsRecorded) return;
    MatchEvent e;
    e.kind = MatchEvent::kCounts;
    e.robot = IdOf(a);
    e.counts = a.counts;
    Keep(e);
    a.countsRecorded = a.counts;
}

void Server::HandleEvents(std::vector<NetEvent>& events) {
    StageTimer timer(costs_, CycleCosts::kReplies);
    for (NetEvent& e : events) {
        bool trainer = e.listener == trainerListener_;
        switch (e.kind) {
            case NetEvent::kAccepted:
                if (trainer) {
                    // Logged once it changes something: a tool polling (getState) is no news.
                    quietTrainers_.insert(e.connection);
                } else {
                    Agent& a = agents_[e.connection];
                    a.connection = e.connection;
                    a.connectedAt = a.lastHeard = Clock::now();
                    log_.Info("agent connected (#" + std::to_string(e.connection) + ")");
                    AdmitAgentConnection(e.connection);
                }
                break;
            case NetEvent::kFrame:
                if (trainer) {
                    OnTrainerFrame(e.connection, e.payload);
                } else {
                    auto it = agents_.find(e.connection);
                    if (it == agents_.end()) break;
                    OnAgentFrame(it->second, e.payload);
                    if (it->second.refused) {
                        net_.Close(e.connection, "refused");
                        RemoveAgent(e.connection, "");
                    }
                }
                break;
            case NetEvent::kRejected:
                NoteRejected(trainer, e.payload);
                break;
            case NetEvent::kClosed:
                if (trainer) {
                    if (quietTrainers_.erase(e.connection) == 0)
                        log_.Info("trainer disconnected (#" + std::to_string(e.connection) + ")");
                } else
                    RemoveAgent(e.connection, e.payload);
                break;
        }
    }
    events.clear();
}

// One line per port and 10 s at most, however many clients knock.
void Server::NoteRejected(bool trainer, const std::string& reason) {
    Rejections& r = rejections_[trainer ? 1 : 0];
    const Clock::time_point now = Clock::now();
    if (r.count > 0 && now < r.nextLine) {
        r.count++;
        return;
    }
    std::string more = r.count > 1 ? " (" + std::to_string(r.count - 1) + " more before)" : "";
    log_.Error(std::string(trainer ? "trainer" : "agent") + " port: " + reason + more);
    r.count = 1;
    r.nextLine = now + std::chrono::seconds(10);
}

void Server::OnAgentFrame(Agent& a, const std::string& payload) {
    a.lastHeard = Clock::now();
    if (a.owed > 0) a.owed--;
    EffectorCommands c;
    long before = a.rejects.Total();
    ParseEffectors(payload, c, a.rejects);
    a.counts.clamped += c.clampedJoints;
    // A reply is applied in any case; only its (syn) lets a synced cycle go on.
    if (c.syn) a.awaitingReply = false;
    // Joint commands and speech go beside the running step; joining and moving wait for it.
    if (c.scene || c.init) TouchWorld();

    if (c.scene && a.robot < 0 && !a.waitingForRoom && !JoinWorld(a, c)) return;
    if (a.robot < 0) {
        // Nothing but scene means anything before it; such a client never holds the wait.
        if (!c.scene) a.rejects.malformed++;
    } else {
        if (!c.initError.empty() && !a.identified) {
            Refuse(a, c.initError);
            return;
        }
        if (c.init && !a.identified && !Identify(a, c)) return;
        for (int j = 0; j < sim::kJointCount; ++j)
            if (c.jointSet[j]) world_.Command(a.robot, j, c.jointVelocity[j]);
        if (c.beam) ApplyBeam(a, c);
        if (c.say) said_.push_back({a.connection, perceptionTime_, c.sayText});
    }
    if (a.rejects.Total() > before && !a.rejectsLogged) {
        a.rejectsLogged = true;
        log_.Info(AgentName(a) +
                  " sent input that was ignored (further ignored input of this "
                  "agent is counted, not logged)");
    }
}

// The model is never rebuilt inside the loop: a joining robot takes an empty room of the
// world, or waits (without perceptions) until a model with room for it, built on another
// thread, is taken between two cycles.
bool Server::JoinWorld(Agent& a, const EffectorCommands& c) {
    if (c.scenePath != kSceneModelPath) {
        Refuse(a, "unknown model '" + c.scenePath + "' (only " + kSceneModelPath + ")");
        return false;
    }
    if (!c.sceneExtra.empty()) {
        Refuse(a, "scene arguments '" + c.sceneExtra +
                      "' (this server has one robot type: (scene " + kSceneModelPath + "))");
        return false;
    }
    // Robots of identified agents fill the world; unidentified ones wait for a seat.
    int identified = 0;
    for (const auto& [id, other] : agents_) identified += other.robot >= 0 && other.identified;
    if (identified >= sim::kMaxRobots) {
        Refuse(a, "the world is full");
        return false;
    }
    a.calibration = vision_.DrawCalibration();
    a.waitingForRoom = true;
    SeatWaitingAgents();
    return true;
}

// In the order they came (connection ids grow), as far as there are rooms and, since none of
// them is identified yet, seats for unidentified robots. An unidentified robot that has had its
// chance to send init gives its seat to one that waits.
void Server::SeatWaitingAgents() {
    int seated = 0, waiting = 0;
    for (const auto& [id, a] : agents_) {
        seated += a.robot >= 0 && !a.identified;
        waiting += a.waitingForRoom;
    }
    for (; waiting > 0 && seated >= UnidentifiedSeats(); --seated) {
        const int gone = GiveWayCandidate(true);
        if (gone < 0) break;
        const std::string reason = "no init within " + Fixed(kGiveWaySeconds, 1) +
                                   " s of its first perception while others waited";
        net_.Close(gone, reason);
        RemoveAgent(gone, reason);
    }
    for (auto& [id, a] : agents_) {
        if (!a.waitingForRoom || world_.FreeRooms() == 0 || seated >= UnidentifiedSeats()) continue;
        a.robot = world_.AddRobot();
        a.waitingForRoom = false;
        seated++;
        log_.Info(AgentName(a) + " joined with robot " + std::to_string(a.robot));
    }
    FitRooms();
}

int Server::UnidentifiedSeats() const {
    return std::max(1, sim::kMaxRobots - 2 * options_.maxRobotsPerTeam);
}

int Server::GiveWayCandidate(bool seated) const {
    const Clock::time_point now = Clock::now();
    for (const auto& [id, a] : agents_) {  // oldest first
        if (a.identified) continue;
        // Seated: a robot sent perceptions. Otherwise a connection that has not even sent
        // scene (one that did keeps its place in the queue for a seat).
        if (seated ? a.robot < 0 || !a.perceived : a.robot >= 0 || a.waitingForRoom) continue;
        const Clock::time_point since = seated ? a.firstPerception : a.connectedAt;
        if (std::chrono::duration<double>(now - since).count() >= kGiveWaySeconds) return id;
    }
    return -1;
}

// The agent port is full: the oldest connection that has not said who it is in time goes, or
// else the newcomer.
void Server::AdmitAgentConnection(int connection) {
    if (agents_.size() <= static_cast<size_t>(options_.maxConnections)) return;
    int gone = GiveWayCandidate(false);
    std::string reason = "the agent port is full: closed a connection that sent nothing";
    if (gone < 0) {
        gone = connection;
        reason = "connection limit of " + std::to_string(options_.maxConnections) + " reached";
    }
    NoteRejected(false, reason);  // one line per burst
    net_.Close(gone, reason);
    RemoveAgent(gone, "");
}

// Asks for as many rooms as robots and the agents that may be seated need; empty rooms are
// kept for a while.
void Server::FitRooms() {
    int waiting = 0, seated = 0;
    for (const auto& [id, a] : agents_) {
        waiting += a.waitingForRoom;
        seated += a.robot >= 0 && !a.identified;
    }
    waiting = std::min(waiting, std::max(0, UnidentifiedSeats() - seated));
    const int needed = world_.RobotCount() + waiting;
    const Clock::time_point now = Clock::now();
    if (needed > world_.Capacity()) {
        world_.RequestRooms(needed);
    } else if (needed == world_.Capacity()) {
        roomsSpareSince_ = now;
    } else if (std::chrono::duration<double>(now - roomsSpareSince_).count() > kSpareRoomSeconds) {
        world_.RequestRooms(needed);
        roomsSpareSince_ = now;
    }
}

bool Server::Identify(Agent& a, const EffectorCommands& c) {
    int side = -1;
    for (size_t i = 0; i < teamNames_.size(); ++i)
        if (teamNames_[i] == c.teamName) side = static_cast<int>(i);
    if (side < 0) {
        for (size_t i = 0; i < teamNames_.size() && side < 0; ++i)
            if (teamNames_[i].empty()) side = static_cast<int>(i);
        if (side < 0) {
            Refuse(a, "a third team '" + c.teamName + "' (playing: " + teamNames_[0] + ", " +
                          teamNames_[1] + ")");
            return false;
        }
        teamNames_[side] = c.teamName;
    }
    bool left = side == 0;
    int unum = c.unum;
    if (unum == 0) {
        for (int n = 1; n <= options_.maxRobotsPerTeam && unum == 0; ++n)
            if (!FindAgent(left, n)) unum = n;
        if (unum == 0) {
            Refuse(a, "team " + c.teamName + " is full");
            return false;
        }
    } else if (unum > options_.maxRobotsPerTeam) {
        Refuse(a, "uniform number " + std::to_string(unum) + " is too large (at most " +
                      std::to_string(options_.maxRobotsPerTeam) + ")");
        return false;
    } else if (FindAgent(left, unum)) {
        Refuse(a,
               "uniform number " + std::to_string(unum) + " of team " + c.teamName + " is taken");
        return false;
    }
    a.identified = true;
    a.left = left;
    a.unum = unum;
    MatchEvent join;
    join.kind = MatchEvent::kJoin;
    join.robot = IdOf(a);
    join.text = c.teamName;
    Raise(join, AgentName(a) + " is " + c.teamName + " " + std::to_string(unum) + " (" +
                    (left ? "left" : "right") + ")");
    ParkBesideTouchLine(a);
    return true;
}

// Off the field beside the touch line of its own half, facing the field, until it beams.
void Server::ParkBesideTouchLine(const Agent& a) {
    double sign = a.left ? -1 : 1;
    const int spots = 15;  // 0.5 .. 10.3 m from the halfway line
    for (int k = 0; k < spots; ++k) {
        double x = sign * (0.5 + 0.7 * k);
        bool free = true;
        for (int r = 0; r < world_.RobotCount() && free; ++r) {
            if (r == a.robot) continue;
            sim::Vec3 p = sim::RobotGroundTruth(world_, r).torso;
            free = std::hypot(p.x - x, p.y - kParkingY) > kParkingClearance;
        }
        if (free || k == spots - 1) {
            sim::BeamRobot(world_, a.robot, x, kParkingY, 90);
            return;
        }
    }
}

void Server::ApplyBeam(Agent& a, const EffectorCommands& c) {
    if (!a.identified || !referee_.BeamAllowed()) return;
    TouchWorld();
    // The agent's own frame has its goal at -x; the right team's frame is the field's turned
    // by 180 degrees. The point is kept inside the own half and the field.
    double x = std::clamp(c.beamX, -sim::kFieldLength / 2, 0.0);
    double y = std::clamp(c.beamY, -sim::kFieldWidth / 2, sim::kFieldWidth / 2);
    double heading = c.beamRot;
    if (!a.left) {
        x = -x;
        y = -y;
        heading += 180;
    }
    sim::BeamRobot(world_, a.robot, x, y, NormalizeDegrees(heading));
}

void Server::Refuse(Agent& a, const std::string& why) {
    MatchEvent refusal;
    refusal.kind = MatchEvent::kRefusal;
    if (a.identified) refusal.robot = IdOf(a);
    refusal.text = why;
    Raise(refusal, "refused " + AgentName(a) + ": " + why);
    a.refused = true;
}

void Server::RemoveAgent(int connection, const std::string& reason) {
    TouchWorld();
    auto it = agents_.find(connection);
    if (it == agents_.end()) return;
    Agent& a = it->second;
    if (a.identified) {
        RecordCounts(a);
        MatchEvent leave;
        leave.kind = MatchEvent::kLeave;
        leave.robot = IdOf(a);
        leave.text = reason.empty() ? "refused" : reason;
        falls_.Forget(leave.robot);
        Raise(leave,
              reason.empty() ? "" : AgentName(a) + " left: " + reason + IgnoredSummary(a.rejects));
    } else if (!reason.empty()) {
        log_.Info(AgentName(a) + " left: " + reason + IgnoredSummary(a.rejects));
    }
    if (a.robot >= 0) {
        world_.RemoveRobot(a.robot);
        for (auto& [id, other] : agents_)
            if (other.robot > a.robot) other.robot--;
    }
    const bool identified = a.identified, left = a.left;
    agents_.erase(it);
    if (identified) FreeSideIfEmpty(left);
    auto gone = [connection](const Said& s) { return s.connection == connection; };
    said_.erase(std::remove_if(said_.begin(), said_.end(), gone), said_.end());
}

// A team whose last robot left gives up its side: passing clients with made-up team names
// must not lock out the teams that come later.
void Server::FreeSideIfEmpty(bool left) {
    for (const auto& [id, other] : agents_)
        if (other.identified && other.left == left) return;
    std::string& name = teamNames_[left ? 0 : 1];
    if (name.empty()) return;
    log_.Info("team " + name + " has no robot left; the " + (left ? "left" : "right") +
              " side is free");
    name.clear();
}

void Server::DropSilentAgents() {
    Clock::time_point now = Clock::now();
    std::vector<std::pair<int, std::string>> gone;
    for (const auto& [id, a] : agents_) {
        if (std::chrono::duration<double>(now - a.lastHeard).count() > kSilentAgentSeconds)
            gone.push_back({id, "silent for " + Fixed(kSilentAgentSeconds, 0) + " s"});
        else if (!a.identified && a.perceived &&
                 std::chrono::duration<double>(now - a.firstPerception).count() > kInitGraceSeconds)
            gone.push_back({id, "no init within " + Fixed(kInitGraceSeconds, 0) +
                                    " s of its first perception"});
        else if (!a.identified &&
                 std::chrono::duration<double>(now - a.connectedAt).count() > kInitDeadlineSeconds)
            gone.push_back({id, "no init within " + Fixed(kInitDeadlineSeconds, 0) + " s"});
    }
    for (const auto& [id, reason] : gone) {
        net_.Close(id, reason);
        RemoveAgent(id, reason);
    }
}

// While the server was busy it sent nothing, so nobody had anything to answer: that time is
// nobody's silence.
void Server::ForgiveStall(Clock::duration stall) {
    if (std::chrono::duration<double>(stall).count() < kServerStallSeconds) return;
    for (auto& [id, a] : agents_) {
        a.lastHeard += stall;
        a.connectedAt += stall;
        a.firstPerception += stall;
    }
}

// Trainer.
void Server::OnTrainerFrame(int connection, const std::string& payload) {
    if (quietTrainers_.count(connection)) {
        for (const TrainerCommand& c : ParseTrainerCommands(payload))
            if (c.kind != TrainerCommand::kGetState) {
                quietTrainers_.erase(connection);
                log_.Info("trainer connected (#" + std::to_string(connection) + ")");
                break;
            }
    }
    for (const std::string& reply : RunTrainerText(payload, false)) net_.Send(connection, reply);
}

std::vector<std::string> Server::RunTrainerText(const std::string& payload, bool fromPage) {
    std::vector<std::string> replies;
    const std::vector<TrainerCommand> commands = ParseTrainerCommands(payload);
    if (fromPage && commands.size() > kMaxPageCommands) {
        replies.push_back("(error at most " + std::to_string(kMaxPageCommands) +
                          " commands per request from the monitor)");
        return replies;
    }
    for (const TrainerCommand& c : commands) {
        // Whoever opens the page may move the ball, not end the match.
        if (fromPage && c.kind == TrainerCommand::kKillSim) {
            replies.push_back("(error killsim is not taken from the monitor)");
            continue;
        }
        if (fromPage && c.kind == TrainerCommand::kPlayMode && c.mode == kGameOver) {
            replies.push_back("(error GameOver is not taken from the monitor)");
            continue;
        }
        referee_.NoteTrainerCommand();
        replies.push_back(ApplyTrainerCommand(c));
        LogRefereeEvents(true);
    }
    return replies;
}

std::string Server::ApplyTrainerCommand(const TrainerCommand& c) {
    switch (c.kind) {
        case TrainerCommand::kKickOff:
            referee_.TrainerKickOff(c.left);
            return "(ok)";
        case TrainerCommand::kPlayMode:
            referee_.TrainerPlayMode(c.mode);
            return "(ok)";
        case TrainerCommand::kBall:
            TouchWorld();
            sim::PlaceBall(world_, {c.pos[0], c.pos[1], c.pos[2]}, {c.vel[0], c.vel[1], c.vel[2]});
            return "(ok)";
        case TrainerCommand::kAgent: {
            TouchWorld();
            Agent* a = FindAgent(c.left, c.unum);
            if (!a || a->robot < 0) return "(error no such robot)";
            if (c.place)
                sim::PlaceRobot(world_, a->robot, {c.pos[0], c.pos[1], c.pos[2]}, c.rot, c.tilt);
            if (c.knock != TrainerCommand::kNoKnock)
                sim::KnockRobot(world_, a->robot, Way(c.knock), c.knockSpeed);
            return "(ok)";
        }
        case TrainerCommand::kGetState:
            return WriteState(Truth());
        case TrainerCommand::kKillSim:
            killed_ = true;
            log_.Info("killed by the trainer");
            return "(ok)";
        case TrainerCommand::kInvalid:
            break;
    }
    return "(error " + c.error + ")";
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

// Commands typed on the page wait for the end of a cycle, like those of the trainer port. A
// cycle gives them a share of its time; what is left waits for the next cycle.
void Server::ServeMonitorCommands() {
    if (!monitor_) return;
    const Clock::time_point until = Clock::now() + kMonitorCommandBudget;
    CommandInbox::Pending p;
    while (Clock::now() < until && monitorCommands_.TakeOne(p)) {
        std::string reply;
        for (const std::string& r : RunTrainerText(p.text, true)) reply += r;
        p.reply->set_value(reply);
    }
}

// While the step to the next cycle runs, the world as the last perceptions showed it (taken
// before the step), with the referee's present state.
WorldTruth Server::Truth() const {
    WorldTruth t = stepAhead_ ? perceived_ : WorldTruth();
    t.gameTime = referee_.gameTime;
    t.mode = referee_.mode;
    t.scoreLeft = referee_.scoreLeft;
    t.scoreRight = referee_.scoreRight;
    if (stepAhead_) return t;
    t.time = world_.Time();
    t.lastTouch = referee_.lastTouch;
    sim::BallTruth ball = sim::BallGroundTruth(world_);
    Put(ball.pos, t.ballPos);
    Put(ball.vel, t.ballVel);
    for (const auto& [id, a] : agents_) {
        if (a.robot < 0 || !a.identified) continue;
        sim::RobotTruth g = sim::RobotGroundTruth(world_, a.robot);
        RobotTruth r;
        r.left = a.left;
        r.unum = a.unum;
        Put(g.torso, r.pos);
        r.heading = g.headingDeg;
        r.upz = g.upZ;
        r.fallen = g.fallen;
        t.robots.push_back(r);
    }
    std::sort(t.robots.begin(), t.robots.end(), [](const RobotTruth& p, const RobotTruth& q) {
        return p.left != q.left ? p.left : p.unum < q.unum;
    });
    return t;
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
