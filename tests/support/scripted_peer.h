#ifndef TESTS_SUPPORT_SCRIPTED_PEER_H
#define TESTS_SUPPORT_SCRIPTED_PEER_H

#include <sys/types.h>

#include <string>
#include <vector>

// A stand-in server for end-to-end tests of the agent binary: listens on a free loopback port,
// starts the binary with options, and exchanges length-prefixed messages with it. Standard
// output and standard error of the child are captured in files.
class ScriptedPeer {
  public:
    ScriptedPeer();
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    int Port() const { return port_; }

    // Starts `binary` with `args` (argv[0] is added). Returns false if it could not start.
    bool Start(const std::vector<std::string>& args, const std::string& binary = VELORUNNER_BIN);
    // Waits for the child to connect.
    bool Accept(double timeoutSeconds = 5.0);

    void Send(const std::string& payload);   // one framed message
    void SendRaw(const std::string& bytes);  // bytes as they are
    // Receives one framed message; false on timeout or end of stream.
    bool Receive(std::string& payload, double timeoutSeconds = 5.0);
    // Sends a perception and returns the reply; "" when none arrives within the timeout.
    std::string Exchange(const std::string& perception, double timeoutSeconds = 2.0);
    // True when no byte arrives within the time given.
    bool Silent(double timeoutSeconds);
    void CloseConnection();
    // Closes with a reset instead of an orderly end of stream.
    void ResetConnection();

    void Signal(int sig);
    // True while the child has not ended (checked without waiting).
    bool Running();
    // Waits for the child's end. Returns false on timeout (the child is then killed).
    bool Wait(double timeoutSeconds = 15.0);
    bool Exited() const;     // ended by exit (after Wait)
    int ExitStatus() const;  // exit status (after Wait)
    bool Signaled() const;   // ended by a signal (after Wait)
    int TermSignal() const;

    std::string Stdout() const;
    std::string Stderr() const;

    static std::string Frame(const std::string& payload);

  private:
    bool WaitReadable(int fd, double timeoutSeconds);
    bool ReadExactly(char* buf, size_t n, double timeoutSeconds);

    int listenFd_ = -1;
    int connFd_ = -1;
    int port_ = 0;
    pid_t child_ = -1;
    int status_ = 0;
    bool waited_ = false;
    std::string outPath_;
    std::string errPath_;
};

#endif
