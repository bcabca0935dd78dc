#include "net/tcpsocket.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

TcpSocket::TcpSocket() : s(-1) {
    std::memset(&addr, 0, sizeof(addr));
    FD_ZERO(&readfds);
    Open();
}

TcpSocket::~TcpSocket() {
    Close();
}

int TcpSocket::Open() {
    s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) {
        std::cout << "open Socket is error" << std::endl;
        std::exit(1);
    }
    return s;
}

void TcpSocket::Close() {
    // Closed explicitly at the end of the run and once more by the destructor: the second call
    // must not close a descriptor number that has been reused meanwhile.
    if (s >= 0) {
        close(s);
        s = -1;
    }
    resetSeen = false;
}

void TcpSocket::SetServerAddr(std::string host, short port) {
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(port));
    // No name lookup: a text that is not a dotted quad gives the all-ones address.
    addr.sin_addr.s_addr = inet_addr(host.c_str());
}

bool TcpSocket::Connect() {
    if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) < 0) {
        std::cout << "Connect Socket is error" << std::endl;
        std::exit(1);
    }
    return true;
}

bool TcpSocket::SelectInput() {
    timeval timeout;
    timeout.tv_sec = 10;
    timeout.tv_usec = 0;
    FD_ZERO(&readfds);
    FD_SET(s, &readfds);
    for (;;) {
        int ready = select(s + 1, &readfds, nullptr, nullptr, &timeout);
        if (ready == 1) return true;
        // On Linux select leaves the remaining time in timeout, so an interrupted wait resumes
        // with what is left of the 10 s.
        if (ready < 0 && errno == EINTR) continue;
        std::cerr << "(SelectInput) select failed " << std::strerror(errno) << std::endl;
        std::abort();
    }
}

int TcpSocket::WaitOutput(int timeoutMs) {
    pollfd p{s, POLLOUT, 0};
    int ready = poll(&p, 1, timeoutMs);
    return ready > 0 ? 1 : ready;
}

int TcpSocket::Send(const char* buf, int len) {
    // A server that has gone away must end the run through the error, not kill the process.
    return send(s, buf, len, MSG_NOSIGNAL | MSG_DONTWAIT);
}

int TcpSocket::Recv(char* buf, int len) {
    return recv(s, buf, len, 0);
}
