#ifndef SIM_SERVER_SERVER_H
#define SIM_SERVER_SERVER_H

#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sim/monitor/monitor.h"
#include "sim/monitor/monitorstream.h"
#include "sim/physics/vision.h"
#include "sim/physics/world.h"
#include "sim/record/events.h"
#include "sim/record/record.h"
#include "sim/record/recordfile.h"
#include "sim/referee/referee.h"
#include "sim/server/cyclecost.h"
#include "sim/server/effector.h"
#include "sim/server/eventlog.h"
#include "sim/server/netloop.h"
#include "sim/server/options.h"
#include "sim/server/perception.h"
#include "sim/server/stepper.h"
#include "sim/server/trainertext.h"

// pitchsim's server: the world, the referee and the clients, in one loop of 20 ms cycles.
// Cycle k: (1) advance the physics and judge it; (2) read perception k of every agent from the
// world, start the step to cycle k+1 on the stepper's thread, then write and send the
// perceptions while it runs; (3) collect replies (real time: until the cycle's wall-clock slot
// ends; sync: until every agent has sent (syn) or the timeout passed; a reply without it is applied
// all the same). Trainer commands are applied as they arrive, always between two physics steps.
// The class's source files: server.cpp (start-up, the loop, status), server_cycle.cpp (the
// cycle), server_join.cpp (joining and leaving), server_trainer.cpp (the trainer's commands).

// The only robot model this server has.
const char* const kSceneModelPath = "rsg/agent/nao/nao.rsg";
// An agent silent this long (wall time) is dropped, its robot removed.
const double kSilentAgentSeconds = 5;
// A connection that has not been identified by init this long (wall time) is dropped, and one
// whose robot has been sent perceptions for kInitGraceSeconds without init (an agent sends init
// in its first reply). Only identified agents hold a synced cycle's wait.
const double kInitDeadlineSeconds = 10;
const double kInitGraceSeconds = 2;
// Connections not identified yet are the first to go: when the agent port is full, or when a
// robot waits for one of the few seats of unidentified robots, the oldest such connection that
// has had this long (since it connected, or since its first perception) gives way.
const double kGiveWaySeconds = 0.5;
// A cycle in which the server itself was busy this long (wall time, not counting the waits
// for replies) does not count towards any agent's silence.
const double kServerStallSeconds = 0.5;
// An agent's late replies (or sync timeouts) after this many cycles without one begin a new
// episode: one log line and one event each, the replies within it only counted.
const int kLateEpisodeCycles = 50;
// A cycle this long (wall time) is logged with where its time went.
const double kSlowCycleSeconds = 1.0;
// Rooms of the world left empty this long are given up (they cost physics time); until then
// a robot that leaves and comes back finds its room at once.
const double kSpareRoomSeconds = 10;
// --exit-at-gameover: simulated seconds of GameOver before the process ends.
const double kGameOverExitSeconds = 3;
// Trainer commands one request of the web monitor may carry, and the wall time per cycle
// given to the page's requests.
const size_t kMaxPageCommands = 64;
const std::chrono::milliseconds kMonitorCommandBudget{5};
// Events that trainer commands may raise between two cycles (a play mode set, a kick-off):
// beyond, they are counted and named in one line per 10 s, neither logged nor recorded.
const int kMaxTrainerEventsPerCycle = 8;
// Wall time between two status lines.
const double kStatusSeconds = 5;
// Cycles per frame of the recording: what a reader following the file lags behind at most.
const int kRecordFrameCycles = 50;

class Server {
  public:
    explicit Server(const ServerOptions& options);

    // Opens both ports and prints them. False with a message on failure.
    bool Start();
    // Runs until `stop` is set (by a signal handler) or the trainer kills the simulation.
    // Closes everything and prints the final score.
    void Run(const volatile std::sig_atomic_t& stop);

    // The match as records (record.h): the header, and the present cycle with the events
    // raised since the previous call of TakeCycleRecord.
    const RecordHeader& Header();
    RecordCycle TakeCycleRecord();

  private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kCycle{20};  // wall time of a real-time cycle

    struct Agent {
        int connection = -1;
        int robot = -1;  // world index, -1 before scene
        bool identified = false;
        int unum = 0;
        bool left = true;
        bool awaitingReply = false;  // perception sent, no (syn) yet
        bool holdsWait = false;      // identified, and has been sent a perception since
        bool perceived = false;      // has been sent at least one perception
        Clock::time_point firstPerception;
        Clock::time_point connectedAt;
        Clock::time_point lastHeard;  // its latest frame, or a perception sent owing nothing
        EffectorRejects rejects;
        bool rejectsLogged = false;
        ReplyCounts counts;                  // late replies, sync timeouts, clamped speeds
        ReplyCounts countsRecorded;          // as the latest counts event gave them
        long owed = 0;                       // perceptions sent and not answered yet (real time)
        long lateCycle = -1;                 // the latest cycle it was late in (-1: never)
        bool refused = false;                // to be closed once its frame is handled
        bool waitingForRoom = false;         // sent scene; its robot joins once there is room
        sim::CameraCalibration calibration;  // its camera's mounting error
    };

    struct Said {
        int connection;
        double time;
        std::string text;
    };

    // ---- The server's life (server.cpp) ----
    bool OverLongEnough() const;
    bool StartMonitor();
    void StreamCycle(const RecordCycle& c, const std::string& line);
    void PrintStatus();
    std::string PaceText();
    std::string MonitorText() const;
    std::string TeamName(bool left) const;
    std::string AgentName(const Agent& agent) const;
    Agent* AgentOfRobot(int robot);
    Agent* FindAgent(bool left, int unum);
    static RobotId IdOf(const Agent& agent) { return {agent.left, agent.unum}; }

    // ---- The cycle (server_cycle.cpp) ----
    void StepCycle();
    void StartNextStep();
    void FinishStep();
    void TouchWorld();
    void FinishCycleStep();
    void JudgeCycle();
    std::vector<BallTouch> BallTouches();
    // Mode changes by the trainer are not the ball going out.
    void LogRefereeEvents(bool byTrainer = false);
    // The referee's last touch since the latest kick-off (unum 0: nobody).
    RobotId LastTouch() const;
    void WatchFalls();
    // Logs an event (its own line, or `line` when given) and keeps it for the next record.
    void Raise(MatchEvent e, const std::string& line = "");
    // Keeps an event for the next record without a log line.
    void Keep(MatchEvent e);
    void RecordThisCycle();
    void GatherPerceptions();
    void SendPerceptions();
    bool AllReplied() const;
    void CollectReplies();
    void WaitForSlot(std::vector<NetEvent>& events);
    void NoteLate(Agent& agent, bool timeout);
    void RecordCounts(Agent& agent);
    WorldTruth Truth() const;

    // ---- Joining and leaving (server_join.cpp) ----
    void HandleEvents(std::vector<NetEvent>& events);
    void NoteRejected(bool trainer, const std::string& reason);
    void OnAgentFrame(Agent& agent, const std::string& payload);
    bool JoinWorld(Agent& agent, const EffectorCommands& c);
    void SeatWaitingAgents();
    // Robots of connections not identified yet may take this many rooms at once.
    int UnidentifiedSeats() const;
    // The oldest unidentified connection that has had kGiveWaySeconds (with a robot: since its
    // first perception); -1 when none.
    int GiveWayCandidate(bool seated) const;
    void AdmitAgentConnection(int connection);
    void FitRooms();
    bool Identify(Agent& agent, const EffectorCommands& c);
    void ParkBesideTouchLine(const Agent& agent);
    void ApplyBeam(Agent& agent, const EffectorCommands& c);
    void Refuse(Agent& agent, const std::string& why);
    void RemoveAgent(int connection, const std::string& reason);
    void FreeSideIfEmpty(bool left);
    void DropSilentAgents();
    void ForgiveStall(Clock::duration stall);

    // ---- The trainer's commands (server_trainer.cpp) ----
    void NoteTrainerEventsLeftOut();
    void OnTrainerFrame(int connection, const std::string& payload);
    // The replies to every command of a trainer text, from the port or from the page.
    std::vector<std::string> RunTrainerText(const std::string& payload, bool fromPage);
    std::string ApplyTrainerCommand(const TrainerCommand& c);
    void ServeMonitorCommands();

    // ---- State ----

    ServerOptions options_;
    EventLog log_;
    NetLoop net_;
    int agentListener_ = -1;
    int trainerListener_ = -1;
    sim::World world_;
    Stepper stepper_;  // declared after world_: stops (finishing its step) before it goes
    sim::Vision vision_;
    Referee referee_;
    std::map<int, Agent> agents_;                 // by connection
    std::vector<std::string> teamNames_{"", ""};  // [0] plays left, [1] right; "" = free
    std::vector<Said> said_;                      // this cycle's messages, heard in the next
    std::vector<Said> toHear_;
    struct Rejections {
        long count = 0;  // since the latest line
        Clock::time_point nextLine;
    };
    Rejections rejections_[2];     // agent port, trainer port
    std::set<int> quietTrainers_;  // trainer connections that have only asked for the state
    struct TrainerEvents {
        int thisCycle = 0;
        long leftOut = 0;  // since the latest line
        Clock::time_point nextLine;
    };
    TrainerEvents trainerEvents_;
    bool killed_ = false;
    const volatile std::sig_atomic_t* stop_ = nullptr;
    Clock::duration waited_{};  // this cycle's time in poll
    CycleCosts costs_;
    double perceptionTime_ = 0;  // simulation time of the perceptions sent last
    struct Outgoing {
        int connection;
        RobotPerception perception;
    };
    std::vector<Outgoing> outgoing_;  // this cycle's perceptions, read before the step
    // The step to the next cycle is taken ahead, while the replies come in: the world as the
    // perceptions showed it, to give the trainer and to go back to when something changes it.
    bool stepAhead_ = false;
    bool stepAgain_ = false;
    bool touched_ = false;  // the world was changed between two cycles since the latest step
    WorldTruth perceived_;
    sim::World::Snapshot beforeStep_;
    Clock::time_point roomsSpareSince_;
    Clock::time_point nextCycle_;
    Clock::time_point nextStatus_;
    Clock::time_point statusWall_;  // the previous status line: wall time and simulation time
    double statusSimTime_ = 0;
    std::vector<RobotId> touches_;  // in the latest cycle
    FallWatch falls_;
    std::vector<MatchEvent> events_;  // raised since the latest cycle record
    std::unique_ptr<RecordHeader> header_;
    RecordFileWriter recording_;
    long syncWaits_ = 0;     // synced cycles that waited for replies
    long syncTimeouts_ = 0;  // of them, those that went on without every reply

    // The web monitor (--http-port): its own threads, fed by this one.
    StreamHub monitorHub_;
    CommandInbox monitorCommands_;
    std::unique_ptr<Monitor> monitor_;
    Clock::time_point nextStreamRecord_;
    std::vector<MatchEvent> streamEvents_;  // of cycles not streamed, for the next record
};

#endif
