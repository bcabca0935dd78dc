#ifndef TESTS_SUPPORT_SIMPROCESS_H
#define TESTS_SUPPORT_SIMPROCESS_H

#include <netinet/in.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <string>
#include <vector>

// Real processes on loopback: framed TCP connections, child processes and pitchsim.

std::string ReadFile(const std::string& path);

class WireClient {
  public:
    ~WireClient() { Close(); }

    static std::string Frame(const std::string& payload);  // 4-byte big-endian length first
    bool Connect(int port);                                // to 127.0.0.1
    void Adopt(int fd) { Close(), fd_ = fd; }              // an accepted connection
    void Send(const std::string& payload) { SendRaw(Frame(payload)); }
    void SendRaw(const std::string& bytes);
    // One frame; false when the other side took nothing for the time given (perhaps half sent).
    bool SendWithin(const std::string& payload, double timeoutSeconds);
    // One frame; false on timeout or end of stream (a partial frame is kept for the next call).
    bool Receive(std::string& payload, double timeoutSeconds = 5);
    bool SeesEnd(double timeoutSeconds = 5);  // the other side closes (data before is skipped)
    void Close();
    void Reset();  // closes with a reset instead of an orderly end of stream
    std::string Exchange(const std::string& payload, double timeoutSeconds = 5);  // "" on timeout

  private:
    int fd_ = -1;
    std::string buffer_;
};

class ChildProcess {
  public:
    ~ChildProcess();

    // Starts `binary` with `args` (argv[0] is added). False if it could not start.
    bool Start(const std::string& binary, const std::vector<std::string>& args);
    void Signal(int sig);
    bool Running();  // checked without waiting
    // Waits for the end; on timeout the child is killed and false returned.
    bool Wait(double timeoutSeconds = 15);
    bool Exited() const { return waited_ && WIFEXITED(status_); }  // (after Wait)
    int ExitStatus() const { return WEXITSTATUS(status_); }
    bool ExitedWith(int status) const { return Exited() && ExitStatus() == status; }
    bool Signaled() const { return waited_ && WIFSIGNALED(status_); }
    int TermSignal() const { return WTERMSIG(status_); }
    std::string Stdout() const { return ReadFile(outPath_); }
    std::string Stderr() const { return ReadFile(errPath_); }
    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool waited_ = false;
    std::string outPath_, errPath_;
};

double WallSeconds();                                            // a steady clock
sockaddr_in LoopbackAddress(int port);                           // 127.0.0.1
size_t Count(const std::string& text, const std::string& what);  // occurrences

// A loopback port that is listened on for as long as the object lives.
struct BusyPort {
    BusyPort();
    ~BusyPort();
    int fd = -1, port = 0;
};

// A loopback port that refuses every connection for as long as the object lives: bound, never
// listened on, so no other process can take it meanwhile.
struct RefusingPort {
    RefusingPort();
    ~RefusingPort();
    int fd = -1, port = 0;
};

class PitchSim {
  public:
    // Starts pitchsim on free ports (read from what it prints) with `options`; false on failure.
    bool Start(const std::vector<std::string>& options);
    int AgentPort() const { return agentPort_; }
    int TrainerPort() const { return trainerPort_; }
    int HttpPort() const { return httpPort_; }  // with --http-port=0 among the options
    // Ctrl-C; true when it ended in time with exit status 0.
    bool Stop(double timeoutSeconds = 10);
    ChildProcess process;

  private:
    int agentPort_ = 0, trainerPort_ = 0, httpPort_ = 0;
};

// The trainer: one command, one reply ("" on timeout).
class TrainerClient : public WireClient {
  public:
    std::string Command(const std::string& command) { return Exchange(command); }
};

// A robot's client: connects, announces the model (`kScene`) and takes the first perception.
extern const char kScene[];
bool JoinScene(WireClient& c, int port);
// Then init as `unum` of `team`, answering with (syn): "(GS (unum N) (team SIDE)", or "".
std::string JoinTeam(WireClient& c, int port, const std::string& team, int unum = 0);

// The robot of one team in a (state ...) reply.
struct RobotState {
    bool found = false;
    double x = 0, y = 0, heading = 0, upz = 0;
    bool fallen = false;
};
RobotState FindRobot(const std::string& state, const std::string& team, int unum);
// A number after "(NAME " in a text, NaN if absent.
double NumberAfter(const std::string& text, const std::string& name);
std::string PlayModeOf(const std::string& state);

#endif
