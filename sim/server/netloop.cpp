#include "sim/server/netloop.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool SetNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

NetLoop::NetLoop() {
    // A peer that vanishes must not kill the server with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
}

NetLoop::~NetLoop() {
    CloseAll();
    for (int fd : listenFds_) close(fd);
}

int NetLoop::Listen(int port, std::string& error, const std::string& address) {
    in_addr host;
    if (inet_pton(AF_INET, address.c_str(), &host) != 1) {
        error = "not an IPv4 address: " + address;
        return -1;
    }
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr = host;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 64) != 0 ||
        !SetNonBlocking(fd)) {
        error = std::strerror(errno);
        close(fd);
        return -1;
    }
    socklen_t len = sizeof(addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    listenFds_.push_back(fd);
    listenPorts_.push_back(ntohs(addr.sin_port));
    return static_cast<int>(listenFds_.size()) - 1;
}

int NetLoop::BoundPort(int listener) const {
    return listenPorts_.at(static_cast<size_t>(listener));
}

void NetLoop::Poll(int timeoutMs, std::vector<NetEvent>& events) {
    events.insert(events.end(), deferred_.begin(), deferred_.end());
    if (!deferred_.empty()) timeoutMs = 0;
    deferred_.clear();

    std::vector<pollfd> fds;
    std::vector<int> ids;  // connection id per entry; -1 - listener index for listeners
    for (size_t i = 0; i < listenFds_.size(); ++i) {
        fds.push_back({listenFds_[i], POLLIN, 0});
        ids.push_back(-1 - static_cast<int>(i));
    }
    for (const auto& [id, c] : connections_) {
        short want = POLLIN;
        if (c.outputSent < c.output.size()) want |= POLLOUT;
        fds.push_back({c.fd, want, 0});
        ids.push_back(id);
    }
    int ready = poll(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0) return;  // timeout, or interrupted by a signal

    for (size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        if (ids[i] < 0) {
            AcceptAll(-1 - ids[i], events);
            continue;
        }
        int id = ids[i];
        auto it = connections_.find(id);
        if (it == connections_.end()) continue;
        if (fds[i].revents & POLLOUT) {
            if (!Flush(it->second)) {
                Drop(id, "connection broken");
                events.insert(events.end(), deferred_.begin(), deferred_.end());
                deferred_.clear();
                continue;
            }
        }
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(id, events);
    }
    events.insert(events.end(), deferred_.begin(), deferred_.end());
    deferred_.clear();
}

void NetLoop::AcceptAll(int listener, std::vector<NetEvent>& events) {
    while (true) {
        int fd = accept(listenFds_[static_cast<size_t>(listener)], nullptr, nullptr);
        if (fd < 0) return;  // EAGAIN: nothing more waiting (or a transient failure)
        if (!SetNonBlocking(fd)) {
            close(fd);
            continue;
        }
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        int id = nextId_++;
        Connection& c = connections_[id];
        c.fd = fd;
        c.listener = listener;
        NetEvent e;
        e.kind = NetEvent::kAccepted;
        e.connection = id;
        e.listener = listener;
        events.push_back(e);
    }
}

void NetLoop::ReadFrom(int id, std::vector<NetEvent>& events) {
    Connection& c = connections_.at(id);
    char buffer[16384];
    // Read what is there now, but not forever: a flooding client gets a fair share.
    for (int round = 0; round < 8; ++round) {
        ssize_t n = recv(c.fd, buffer, sizeof(buffer), 0);
        if (n > 0) {
            c.input.Append(buffer, static_cast<size_t>(n));
            std::string payload;
            FrameDecoder::Status status;
            while ((status = c.input.Next(payload)) == FrameDecoder::kFrame) {
                NetEvent e;
                e.kind = NetEvent::kFrame;
                e.connection = id;
                e.listener = c.listener;
                e.payload.swap(payload);
                events.push_back(std::move(e));
            }
            if (status == FrameDecoder::kOversize) {
                Drop(id, "frame longer than 64 KiB");
                return;
            }
            if (static_cast<size_t>(n) < sizeof(buffer)) return;
            continue;
        }
        if (n == 0) {
            Drop(id, c.input.Buffered() ? "disconnected mid-frame" : "disconnected");
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) Drop(id, "connection broken");
        return;
    }
}

bool NetLoop::Flush(Connection& c) {
    while (c.outputSent < c.output.size()) {
        ssize_t n = send(c.fd, c.output.data() + c.outputSent, c.output.size() - c.outputSent,
                         MSG_NOSIGNAL);
        if (n > 0) {
            c.outputSent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        return false;
    }
    if (c.outputSent == c.output.size()) {
        c.output.clear();
        c.outputSent = 0;
    } else if (c.outputSent > (1 << 16)) {
        c.output.erase(0, c.outputSent);
        c.outputSent = 0;
    }
    return true;
}

bool NetLoop::Send(int id, const std::string& payload) {
    auto it = connections_.find(id);
    if (it == connections_.end()) return false;
    Connection& c = it->second;
    c.output += EncodeFrame(payload);
    if (!Flush(c)) {
        Drop(id, "connection broken");
        return false;
    }
    if (c.output.size() - c.outputSent > kMaxPendingOutput) {
        Drop(id, "not reading its messages");
        return false;
    }
    return true;
}

size_t NetLoop::PendingOutput(int id) const {
    auto it = connections_.find(id);
    return it == connections_.end() ? 0 : it->second.output.size() - it->second.outputSent;
}

void NetLoop::Drop(int id, const std::string& reason) {
    auto it = connections_.find(id);
    if (it == connections_.end()) return;
    close(it->second.fd);
    NetEvent e;
    e.kind = NetEvent::kClosed;
    e.connection = id;
    e.listener = it->second.listener;
    e.payload = reason;
    connections_.erase(it);
    deferred_.push_back(e);
}

void NetLoop::Close(int id, const std::string& reason) {
    auto it = connections_.find(id);
    if (it == connections_.end()) return;
    Flush(it->second);
    Drop(id, reason);
}

void NetLoop::CloseAll() {
    while (!connections_.empty()) Close(connections_.begin()->first, "server stopped");
    deferred_.clear();
}
