#ifndef TESTS_SUPPORT_SIMPROCESS_H
#define TESTS_SUPPORT_SIMPROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

// Real processes on loopback for the end-to-end tests: pitchsim on ports it picks itself,
// framed clients (scripted agents, the trainer) and velorunner agents.

// A child process with standard output and standard error captured in files.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& binary, const std::vector<std::string>& args);
    void Signal(int sig);
    bool Running();
    // Waits for the end; on timeout the child is killed and false returned.
    bool Wait(double timeoutSeconds);
    bool ExitedWith(int status) const;
    std::string Stdout() const;
    std::string Stderr() const;
    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool waited_ = false;
    std::string outPath_, errPath_;
};

// pitchsim, started with --agent-port=0 --trainer-port=0 and the given options.
class PitchSim {
  public:
    // Starts the server and reads the ports it prints. False if it did not come up in time.
    bool Start(const std::vector<std::string>& options);
    int AgentPort() const { return agentPort_; }
    int TrainerPort() const { return trainerPort_; }
    // Ctrl-C; true when it ended in time with exit status 0.
    bool Stop(double timeoutSeconds = 10);
    ChildProcess process;

  private:
    int agentPort_ = 0;
    int trainerPort_ = 0;
};

// A framed TCP client.
class WireClient {
  public:
    WireClient() = default;
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool Connect(int port);
    void Send(const std::string& payload);
    void SendRaw(const std::string& bytes);
    // One frame; false on timeout or end of stream.
    bool Receive(std::string& payload, double timeoutSeconds = 5);
    // True when the server closes the connection within the time given (data before the
    // end is skipped).
    bool SeesEnd(double timeoutSeconds = 5);
    void Close();

  private:
    bool Fill(double timeoutSeconds);
    int fd_ = -1;
    std::string buffer_;
};

// The trainer: one command, one reply.
class TrainerClient : public WireClient {
  public:
    std::string Command(const std::string& command, double timeoutSeconds = 5);
};

// The robot of one team in a (state ...) reply.
struct RobotState {
    bool found = false;
    double x = 0, y = 0, z = 0, heading = 0, upz = 0;
    bool fallen = false;
};
RobotState FindRobot(const std::string& state, const std::string& team, int unum);
// A number after "(NAME " in a text, NaN if absent.
double NumberAfter(const std::string& text, const std::string& name);
std::string PlayModeOf(const std::string& state);

std::string PitchSimBinary();

#endif
