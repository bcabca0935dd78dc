// Joining and leaving: the agent port's connections, scene and init, rooms and seats in the
// world, beams, refusals, and agents dropped for silence.

#include <algorithm>
#include <cmath>

#include "sim/physics/placement.h"
#include "sim/physics/truth.h"
#include "sim/server/hearing.h"
#include "sim/server/server.h"

namespace {

// Parking beside the touch line for robots that have not beamed yet.
const double kParkingY = -7.6;
const double kParkingClearance = 0.5;

// The counts of an agent's ignored input, for its leaving line ("" when there was none).
std::string IgnoredSummary(const EffectorRejects& r) {
    if (r.Total() == 0) return "";
    return " (ignored: " + std::to_string(r.malformed) + " malformed, " +
           std::to_string(r.unknown) + " unknown, " + std::to_string(r.nonFinite) +
           " non-finite, " + std::to_string(r.outOfRange) + " out of range, " +
           std::to_string(r.badSay) + " bad say)";
}

}  // namespace

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
