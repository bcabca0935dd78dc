#ifndef TESTS_SUPPORT_SCRIPTED_PEER_H
#define TESTS_SUPPORT_SCRIPTED_PEER_H

#include "support/simprocess.h"

// A stand-in server for end-to-end tests of the agent binary: listens on a free loopback port,
// starts the binary (the child process) and exchanges frames with it (the connection).
class ScriptedPeer : public ChildProcess, public WireClient {
  public:
    ScriptedPeer();
    ~ScriptedPeer();

    int Port() const { return port_; }
    bool Start(const std::vector<std::string>& args, const std::string& binary = VELORUNNER_BIN) {
        return ChildProcess::Start(binary, args);
    }
    bool Accept(double timeoutSeconds = 5.0);  // waits for the child to connect

  private:
    int listenFd_ = -1;
    int port_ = 0;
};

#endif
