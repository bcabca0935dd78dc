#ifndef TESTS_SUPPORT_SCRIPTED_PEER_H
#define TESTS_SUPPORT_SCRIPTED_PEER_H

#include "support/simprocess.h"

// A stand-in server for end-to-end tests of the agent binary: listens on a free loopback port,
// starts the binary with options (the child process) and exchanges length-prefixed messages
// with it (the connection).
class ScriptedPeer : public ChildProcess, public WireClient {
  public:
    ScriptedPeer();
    ~ScriptedPeer();

    int Port() const { return port_; }
    // Starts `binary` with `args` (argv[0] is added). Returns false if it could not start.
    bool Start(const std::vector<std::string>& args, const std::string& binary = VELORUNNER_BIN) {
        return ChildProcess::Start(binary, args);
    }
    // Waits for the child to connect.
    bool Accept(double timeoutSeconds = 5.0);
    std::string Exchange(const std::string& perception, double timeoutSeconds = 2.0) {
        return WireClient::Exchange(perception, timeoutSeconds);
    }
    void CloseConnection() { Close(); }
    void ResetConnection() { Reset(); }

  private:
    int listenFd_ = -1;
    int port_ = 0;
};

#endif
