#ifndef SIM_SERVER_NETLOOP_H
#define SIM_SERVER_NETLOOP_H

#include <map>
#include <string>
#include <vector>

#include "sim/server/framing.h"

// One poll-based event loop over non-blocking TCP sockets: listeners, and connections
// with their own input and output buffers. Nothing here ever blocks on a client: a client
// that does not read has its output queued up to a limit, then it is dropped.

struct NetEvent {
    enum Kind { kAccepted, kFrame, kClosed };
    Kind kind = kFrame;
    int connection = -1;
    int listener = -1;    // which listener accepted it
    std::string payload;  // kFrame: the payload; kClosed: the reason
};

// Output a client may leave unread before it is dropped (about 4 s of perceptions).
const size_t kMaxPendingOutput = 1 << 20;

class NetLoop {
  public:
    NetLoop();
    ~NetLoop();
    NetLoop(const NetLoop&) = delete;
    NetLoop& operator=(const NetLoop&) = delete;

    // Listens on address:port (an IPv4 address in dots; port 0 picks a free port). Returns the
    // listener id, or -1 with `error` set. BoundPort gives the port actually used.
    int Listen(int port, std::string& error, const std::string& address = "127.0.0.1");
    int BoundPort(int listener) const;

    // Waits at most timeoutMs (0: just look) for activity and appends what happened. Returns
    // early when a signal interrupts the wait.
    void Poll(int timeoutMs, std::vector<NetEvent>& events);

    // Queues one frame; writes as much as the socket takes at once. False (and the
    // connection closed, a kClosed event queued) when the client lets its output pile up.
    bool Send(int connection, const std::string& payload);
    // Closes a connection after a last attempt to flush its output; a kClosed event follows.
    void Close(int connection, const std::string& reason);
    // Closes everything, flushing what each socket takes at once.
    void CloseAll();

    bool IsOpen(int connection) const { return connections_.count(connection) != 0; }
    size_t PendingOutput(int connection) const;
    size_t ConnectionCount() const { return connections_.size(); }

  private:
    struct Connection {
        int fd = -1;
        int listener = -1;
        FrameDecoder input;
        std::string output;
        size_t outputSent = 0;
    };

    void AcceptAll(int listener, std::vector<NetEvent>& events);
    void ReadFrom(int id, std::vector<NetEvent>& events);
    bool Flush(Connection& c);  // false on a broken socket
    void Drop(int id, const std::string& reason);

    std::vector<int> listenFds_;
    std::vector<int> listenPorts_;
    std::map<int, Connection> connections_;
    std::vector<NetEvent> deferred_;  // events raised outside Poll (drops during Send)
    int nextId_ = 1;
};

#endif
