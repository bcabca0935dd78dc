#include "support/scripted_peer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ScriptedPeer::ScriptedPeer() {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr = LoopbackAddress(0);  // port 0: a free one
    socklen_t len = sizeof(addr);
    bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), len);
    listen(listenFd_, 4);
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
}

ScriptedPeer::~ScriptedPeer() {
    close(listenFd_);
}

bool ScriptedPeer::Accept(double timeoutSeconds) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeoutSeconds * 1000)) != 1) return false;
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    Adopt(fd);
    return fd >= 0;
}
