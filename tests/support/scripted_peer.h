#ifndef TESTS_SUPPORT_SCRIPTED_PEER_H
#define TESTS_SUPPORT_SCRIPTED_PEER_H

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/simprocess.h"

// A stand-in server on a free loopback port: starts the agent binary and talks to it.
class ScriptedPeer : public ChildProcess, public WireClient {
  public:
    ScriptedPeer() : listenFd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr = LoopbackAddress(0);  // port 0: a free one
        socklen_t len = sizeof(addr);
        bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), len);
        listen(listenFd_, 4);
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~ScriptedPeer() { close(listenFd_); }

    int Port() const { return port_; }
    bool Start(const std::vector<std::string>& args, const std::string& binary = VELORUNNER_BIN) {
        return ChildProcess::Start(binary, args);
    }
    // Waits for the child to connect.
    bool Accept(double timeoutSeconds = 5.0) {
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(timeoutSeconds * 1000)) != 1) return false;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        Adopt(fd);
        return fd >= 0;
    }

  private:
    int listenFd_ = -1, port_ = 0;
};

#endif
