// The cycle: stepping the world (ahead, on the stepper's thread) and judging it, the records,
// reading and sending the perceptions, and collecting the replies.

#include <algorithm>

#include "sim/physics/placement.h"
#include "sim/physics/sensors.h"
#include "sim/physics/truth.h"
#include "sim/record/recordmodel.h"
#include "sim/server/hearing.h"
#include "sim/server/server.h"

namespace {

// Real time: a server this far behind its schedule starts a new one instead of racing.
const auto kMaxLag = std::chrono::milliseconds(100);

// The three coordinates of v into out[0..2].
void Put(sim::Vec3 v, double* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

PolarReading Reading(const sim::Polar& p) {
    return {p.distance, p.horizontalDeg, p.verticalDeg};
}

// Set plays that the referee gives when the ball leaves the field.
bool IsOutOfPlayMode(PlayMode m) {
    return m == kKickInLeft || m == kKickInRight || m == kCornerKickLeft || m == kCornerKickRight ||
           m == kGoalKickLeft || m == kGoalKickRight;
}

int MillisUntil(std::chrono::steady_clock::time_point t) {
    auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(t - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    return static_cast<int>((left.count() + 999) / 1000);
}

}  // namespace

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
