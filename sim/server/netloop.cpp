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
#include <cstdio>
#include <cstring>

namespace {

bool SetNonBlocking(int fd) {
    int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// After accept failed for want of descriptors or memory the listener stays readable: it is
// left out of the poll this long instead of waking it at once, again and again.
const auto kAcceptPause = std::chrono::milliseconds(200);

std::string SecondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", seconds);
    return text;
}

double SecondsSince(std::chrono::steady_clock::time_point t,
                    std::chrono::steady_clock::time_point now) {
    return std::chrono::duration<double>(now - t).count();
}

}  // namespace

NetLoop::NetLoop() {
    // A peer that vanishes must not kill the server with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
}

NetLoop::~NetLoop() {
    CloseAll();
    for (const Listener& l : listeners_) close(l.fd);
}

int NetLoop::Listen(int port, std::string& error, const std::string& address,
                    const ListenerLimits& limits) {
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
    Listener l;
    l.fd = fd;
    l.port = ntohs(addr.sin_port);
    l.limits = limits;
    listeners_.push_back(l);
    return static_cast<int>(listeners_.size()) - 1;
}

int NetLoop::BoundPort(int listener) const {
    return listeners_.at(static_cast<size_t>(listener)).port;
}

// The wait, shortened to wake up when a paused listener may accept again.
int NetLoop::PollTimeout(int timeoutMs) const {
    const Clock::time_point now = Clock::now();
    for (const Listener& l : listeners_) {
        if (l.pausedUntil <= now) continue;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(l.pausedUntil - now);
        int ms = static_cast<int>(left.count()) + 1;
        if (timeoutMs < 0 || ms < timeoutMs) timeoutMs = ms;
    }
    return timeoutMs;
}

void NetLoop::Poll(int timeoutMs, std::vector<NetEvent>& events) {
    events.insert(events.end(), deferred_.begin(), deferred_.end());
    if (!deferred_.empty()) timeoutMs = 0;
    deferred_.clear();

    std::vector<pollfd> fds;
    std::vector<int> ids;  // connection id per entry; -1 - listener index for listeners
    const Clock::time_point now = Clock::now();
    for (size_t i = 0; i < listeners_.size(); ++i) {
        if (listeners_[i].pausedUntil > now) continue;
        fds.push_back({listeners_[i].fd, POLLIN, 0});
        ids.push_back(-1 - static_cast<int>(i));
    }
    for (const auto& [id, c] : connections_) {
        short want = POLLIN;
        if (c.outputSent < c.output.size()) want |= POLLOUT;
        fds.push_back({c.fd, want, 0});
        ids.push_back(id);
    }
    int ready = poll(fds.data(), fds.size(), PollTimeout(timeoutMs));
    if (ready <= 0) {  // timeout, or interrupted by a signal
        ExpireConnections(events);
        return;
    }

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
    ExpireConnections(events);
}

// Drops the connections that sat idle too long, or on part of a frame.
void NetLoop::ExpireConnections(std::vector<NetEvent>& events) {
    const Clock::time_point now = Clock::now();
    std::vector<std::pair<int, std::string>> expired;
    for (const auto& [id, c] : connections_) {
        const ListenerLimits& limits = listeners_[static_cast<size_t>(c.listener)].limits;
        if (c.input.Buffered() > 0 && SecondsSince(c.partialSince, now) > limits.halfFrameSeconds)
            expired.push_back(
                {id, "held part of a frame for " + SecondsText(limits.halfFrameSeconds)});
        else if (limits.idleSeconds > 0 && SecondsSince(c.lastInput, now) > limits.idleSeconds)
            expired.push_back({id, "idle for " + SecondsText(limits.idleSeconds)});
    }
    for (const auto& [id, reason] : expired) Drop(id, reason);
    events.insert(events.end(), deferred_.begin(), deferred_.end());
    deferred_.clear();
}

void NetLoop::Reject(int listener, const std::string& reason, std::vector<NetEvent>& events) {
    NetEvent e;
    e.kind = NetEvent::kRejected;
    e.listener = listener;
    e.payload = reason;
    events.push_back(e);
}

void NetLoop::AcceptAll(int listener, std::vector<NetEvent>& events) {
    Listener& l = listeners_[static_cast<size_t>(listener)];
    while (true) {
        int fd = accept(l.fd, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            // Out of descriptors or memory: the waiting client stays queued; look again later.
            l.pausedUntil = Clock::now() + kAcceptPause;
            Reject(listener,
                   std::string("cannot accept a connection (") + std::strerror(errno) +
                       "); trying again shortly",
                   events);
            return;
        }
        if (l.connections >= l.limits.maxConnections) {
            close(fd);
            Reject(listener,
                   "connection limit of " + std::to_string(l.limits.maxConnections) +
                       " reached; a new connection was closed",
                   events);
            continue;
        }
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
        c.lastInput = Clock::now();
        l.connections++;
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
            c.lastInput = Clock::now();
            if (c.input.Buffered() == 0) c.partialSince = c.lastInput;
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
            // The part of a frame left over, if any, is as old as these bytes.
            if (c.input.Buffered() > 0 && c.input.Buffered() < static_cast<size_t>(n))
                c.partialSince = c.lastInput;
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
    listeners_[static_cast<size_t>(it->second.listener)].connections--;
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
