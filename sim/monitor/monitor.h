#ifndef SIM_MONITOR_MONITOR_H
#define SIM_MONITOR_MONITOR_H

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "sim/monitor/monitorstream.h"

namespace httplib {
class Server;
}

// The web monitor's HTTP server, on threads of its own (cpp-httplib):
//   GET  /             the page and its modules (from the page folder)
//   GET  /vendor/three/ three.js, from the page folder's node_modules
//   GET  /stream       the match as Server-Sent Events: the header, then one record per event
//   POST /trainer      a trainer command from the page (live only), answered like the port
//   GET  /info         {"mode":"live"} or {"mode":"replay"}
// plus the GET routes a replay adds. A viewer that stops reading is dropped; the simulation
// never waits for one.

// Viewers that may watch at once; a further one is refused with 503.
const int kMaxViewers = 16;
// A viewer's socket that takes nothing for this long is closed.
const int kViewerWriteTimeoutSeconds = 2;
// What one HTTP client may cost. Every connection serves one request and is closed. A request
// body beyond kMaxRequestBody is refused with 413 unread; a request head beyond kMaxRequestHead
// bytes, or a request that has not arrived whole within kRequestSeconds, ends the connection.
const size_t kMaxRequestBody = 64 * 1024;
const size_t kMaxRequestHead = 16 * 1024;
const int kRequestSeconds = 3;
// HTTP connections at once (served or waiting for a thread); more are answered 503 and closed
// at once, so that browsers cannot take the descriptors the agents need.
const int kMaxHttpConnections = 64;
// Connections whose request head is still coming in after a first look: more are answered 503
// at once, so that slow clients never hold the threads that serve the page and the trainer.
const int kMaxSlowRequests = 8;
// Header that every trainer command from the page carries. A page of another site cannot set
// it without the browser asking first (which this server never allows), so other sites
// cannot steer the match through a visitor's browser.
const char* const kCommandHeader = "X-Pitchsim-Command";

// The page's folder: `option` (--monitor-dir), or the source tree's monitor/ of this build.
std::string MonitorPageDir(const std::string& option);

class Monitor {
  public:
    // A GET route's answer: status 200 with `body` of `contentType`, or `status` with a text.
    struct Reply {
        int status = 200;
        std::string contentType = "application/json";
        std::string body;
    };
    using Params = std::map<std::string, std::string>;
    using GetHandler = std::function<Reply(const Params& params)>;

    // `commands` null: a replay, where the page cannot steer anything.
    Monitor(std::string pageDir, StreamHub& hub, CommandInbox* commands);
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Before Start.
    void AddGet(const std::string& path, GetHandler handler);

    // Listens on 127.0.0.1:port (0 picks one) and serves on its own threads. False with
    // `error` set when the port or the page folder is not usable.
    bool Start(int port, std::string& error);
    int Port() const { return port_; }
    // Ends every stream and joins the threads.
    void Stop();

    // What the Host header must name: 127.0.0.1 or localhost with this port (a page of another
    // site reached through a rebound name carries its own name).
    bool KnownHost(const std::string& host) const;

  private:
    void Route();

    std::string pageDir_;
    StreamHub& hub_;
    CommandInbox* commands_;
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = -1;
};

#endif
