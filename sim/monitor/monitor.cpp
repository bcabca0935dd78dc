#include "sim/monitor/monitor.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

namespace {

// How long a stream's thread waits for a record before it sends a keep-alive comment (which
// also finds browsers that went away).
const auto kStreamIdle = std::chrono::milliseconds(500);
// How long a trainer command from the page waits for the simulation thread.
const auto kCommandWait = std::chrono::seconds(5);
// Socket send buffer of each viewer: small enough that a viewer that stops reading fills it
// within seconds, large enough for a full match's records at 50 Hz.
const int kViewerSendBuffer = 128 * 1024;

// Threads that serve requests: every viewer's stream, the slow requests, and a few for the
// page's files, /info and the trainer.
const int kHttpThreads = kMaxViewers + kMaxSlowRequests + 4;
// How long a connection's request head may take before it counts as slow.
const auto kFirstLook = std::chrono::milliseconds(100);

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A short answer written without waiting, then the connection closed.
void Turn(int fd, const char* status) {
    const std::string text =
        std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    (void)!send(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    shutdown(fd, SHUT_RDWR);
    close(fd);
}

// True once the request head (up to its empty line) has arrived, looking without reading.
bool HeadArrived(int fd, Clock::time_point until) {
    char buf[kMaxRequestHead];
    for (;;) {
        const ssize_t n = recv(fd, buf, sizeof(buf), MSG_PEEK | MSG_DONTWAIT);
        if (n > 0 && (memmem(buf, static_cast<size_t>(n), "\r\n\r\n", 4) ||
                      static_cast<size_t>(n) == sizeof(buf)))
            return true;          // a head too long is refused by the reading
        if (n == 0) return true;  // the end: nothing to wait for
        const int wait = MillisLeft(until);
        if (wait <= 0) return false;
        if (n > 0) {  // part of it: poll would not wait
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(wait, 10)));
            continue;
        }
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, std::min(wait, 10)) < 0) return false;
    }
}

// One connection as cpp-httplib reads and writes it: every read within the request's deadline
// and within the bytes a request may have, every write within the write timeout.
class GuardedStream : public httplib::Stream {
  public:
    GuardedStream(int fd, Clock::time_point deadline, size_t maxRead, int writeTimeoutMs)
        : fd_(fd), deadline_(deadline), maxRead_(maxRead), writeTimeoutMs_(writeTimeoutMs) {}

    bool is_readable() const override { return Wait(POLLIN, MillisLeft(deadline_)); }
    bool is_writable() const override { return Wait(POLLOUT, writeTimeoutMs_); }
    ssize_t read(char* ptr, size_t size) override {
        if (read_ >= maxRead_ || !is_readable()) return -1;
        const ssize_t n = recv(fd_, ptr, std::min(size, maxRead_ - read_), 0);
        if (n > 0) read_ += static_cast<size_t>(n);
        return n;
    }
    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        return send(fd_, ptr, size, MSG_NOSIGNAL);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        Address(getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        Address(getsockname, ip, port);
    }
    int socket() const override { return fd_; }

  private:
    bool Wait(short events, int timeoutMs) const {
        pollfd p = {fd_, events, 0};
        return poll(&p, 1, timeoutMs) > 0 && (p.revents & (POLLERR | POLLNVAL)) == 0 &&
               (p.revents & events) != 0;
    }
    void Address(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
        sockaddr_in a{};
        socklen_t len = sizeof(a);
        ip.clear();
        port = 0;
        if (get(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || a.sin_family != AF_INET) return;
        char text[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &a.sin_addr, text, sizeof(text));
        ip = text;
        port = ntohs(a.sin_port);
    }

    int fd_;
    Clock::time_point deadline_;
    size_t maxRead_;
    size_t read_ = 0;
    int writeTimeoutMs_;
};

// Marks the connection that the accepting thread itself answers: the port is full.
thread_local bool turnAway = false;

// The threads, and the count of connections they hold (served or waiting): beyond the cap a
// connection is turned away on the accepting thread at once.
class BoundedPool : public httplib::TaskQueue {
  public:
    explicit BoundedPool(int threads) : pool_(static_cast<size_t>(threads)) {}
    void enqueue(std::function<void()> fn) override {
        if (held_.load() >= kMaxHttpConnections) {
            turnAway = true;
            fn();
            turnAway = false;
            return;
        }
        ++held_;
        pool_.enqueue([this, fn = std::move(fn)] {
            fn();
            --held_;
        });
    }
    void shutdown() override { pool_.shutdown(); }

  private:
    httplib::ThreadPool pool_;
    std::atomic<int> held_{0};
};

// cpp-httplib's server, each connection read through a GuardedStream for one request.
class GuardedServer : public httplib::Server {
  public:
    // After binding: a burst of connections waits in the kernel's queue to be turned away,
    // instead of filling it so that the page's own connections are dropped and retried seconds
    // later.
    void WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

  private:
    bool process_and_close_socket(socket_t sock) override {
        if (turnAway) {
            Turn(sock, "503 Service Unavailable");
            return false;
        }
        const Clock::time_point accepted = Clock::now();
        bool slow = false;
        if (!HeadArrived(sock, accepted + kFirstLook)) {
            if (++slow_ > kMaxSlowRequests) {
                --slow_;
                Turn(sock, "503 Service Unavailable");
                return false;
            }
            slow = true;
        }
        GuardedStream stream(
            sock, accepted + std::chrono::seconds(kRequestSeconds),
            kMaxRequestHead + kMaxRequestBody,
            static_cast<int>(write_timeout_sec_ * 1000 + write_timeout_usec_ / 1000));
        bool closed = false;
        const bool ok = process_request(stream, true, closed, nullptr);
        if (slow) --slow_;
        shutdown(sock, SHUT_RDWR);
        close(sock);
        return ok;
    }

    std::atomic<int> slow_{0};
};

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The viewer behind one stream: its place in the hub, given back when the stream ends.
struct StreamViewer {
    explicit StreamViewer(StreamHub& h) : hub(h), cursor(h.Join()) {}
    ~StreamViewer() { hub.Leave(); }
    StreamHub& hub;
    StreamHub::Cursor cursor;
    std::vector<StreamHub::Record> batch;
};

}  // namespace

std::string MonitorPageDir(const std::string& option) {
#ifdef PITCHSIM_MONITOR_DIR
    if (option.empty()) return PITCHSIM_MONITOR_DIR;
#endif
    return option;
}

Monitor::Monitor(std::string pageDir, StreamHub& hub, CommandInbox* commands)
    : pageDir_(std::move(pageDir)),
      hub_(hub),
      commands_(commands),
      http_(std::make_unique<GuardedServer>()) {}

Monitor::~Monitor() {
    Stop();
}

void Monitor::AddGet(const std::string& path, GetHandler handler) {
    http_->Get(path, [handler](const httplib::Request& req, httplib::Response& res) {
        Params params;
        for (const auto& [name, value] : req.params) params[name] = value;
        Reply reply = handler(params);
        res.status = reply.status;
        res.set_content(reply.body, reply.status == 200 ? reply.contentType.c_str() : "text/plain");
    });
}

bool Monitor::Start(int port, std::string& error) {
    if (!IsFolder(pageDir_) || !IsFolder(pageDir_ + "/node_modules/three/build")) {
        error = "the monitor's page or its three.js is missing in " + pageDir_ +
                " (tools/bootstrap installs it)";
        return false;
    }
    Route();
    http_->new_task_queue = [] { return new BoundedPool(kHttpThreads); };
    http_->set_write_timeout(kViewerWriteTimeoutSeconds, 0);
    http_->set_read_timeout(kRequestSeconds, 0);
    http_->set_payload_max_length(kMaxRequestBody);
    http_->set_socket_options([](int fd) {
        int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
        // Accepted sockets inherit the listener's buffer size.
        int size = kViewerSendBuffer;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
    });
    port_ = port == 0 ? http_->bind_to_any_port("127.0.0.1")
                      : (http_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ < 0) {
        error = "cannot listen on http port " + std::to_string(port);
        return false;
    }
    static_cast<GuardedServer&>(*http_).WidenBacklog();
    auto ended = std::make_shared<std::atomic<bool>>(false);
    thread_ = std::thread([this, ended] {
        http_->listen_after_bind();
        *ended = true;
    });
    // A stop() before the thread is in its accept loop would be lost.
    while (!http_->is_running() && !*ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void Monitor::Stop() {
    hub_.Close();
    if (http_) http_->stop();
    if (thread_.joinable()) thread_.join();
}

bool Monitor::KnownHost(const std::string& host) const {
    const std::string port = ":" + std::to_string(port_);
    return host == "127.0.0.1" + port || host == "localhost" + port;
}

void Monitor::Route() {
    // Before a request's body is read: requests for another host, and trainer commands without
    // the page's header or with a body too long, are answered unread.
    http_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!KnownHost(req.get_header_value("Host"))) {
            res.status = 421;
            res.set_content(
                "(error unknown host '" + req.get_header_value("Host").substr(0, 100) + "')",
                "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.method == "POST" && req.path == "/trainer" && commands_) {
            if (!req.has_header(kCommandHeader)) {
                res.status = 403;
                res.set_content(std::string("(error missing header ") + kCommandHeader + ")",
                                "text/plain");
                return httplib::Server::HandlerResponse::Handled;
            }
            const std::string length = req.get_header_value("Content-Length");
            if (length.size() > 9 || length.find_first_not_of("0123456789") != std::string::npos ||
                (!length.empty() && std::stoul(length) > kMaxRequestBody) ||
                (length.empty() && req.has_header("Transfer-Encoding"))) {
                res.status = 413;
                res.set_content("(error a request takes at most " +
                                    std::to_string(kMaxRequestBody / 1024) + " KiB)",
                                "text/plain");
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    http_->set_mount_point("/vendor/three", pageDir_ + "/node_modules/three");
    http_->set_mount_point("/", pageDir_);
    http_->set_file_extension_and_mimetype_mapping("js", "text/javascript");

    http_->Get("/info", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(commands_ ? R"({"mode":"live"})" : R"({"mode":"replay"})",
                        "application/json");
    });

    http_->Get("/stream", [this](const httplib::Request&, httplib::Response& res) {
        if (hub_.Viewers() >= kMaxViewers) {
            res.status = 503;
            res.set_content("too many viewers", "text/plain");
            return;
        }
        auto viewer = std::make_shared<StreamViewer>(hub_);
        res.set_header("Cache-Control", "no-cache");
        res.set_chunked_content_provider(
            "text/event-stream", [viewer](size_t, httplib::DataSink& sink) {
                viewer->batch.clear();
                switch (viewer->hub.Read(viewer->cursor, viewer->batch, kStreamIdle)) {
                    case StreamHub::kRecords: {
                        std::string text;
                        for (const StreamHub::Record& r : viewer->batch) {
                            text += "data: ";
                            text += *r;
                            text += "\n\n";
                        }
                        return sink.write(text.data(), text.size());
                    }
                    case StreamHub::kTimeout:
                        return sink.write(":\n\n", 3);
                    case StreamHub::kLagged:
                        return false;  // it lost its place: dropped
                    case StreamHub::kClosed:
                        sink.done();
                        return true;
                }
                return false;
            });
    });

    http_->Post("/trainer", [this](const httplib::Request& req, httplib::Response& res) {
        if (!commands_) {
            res.status = 409;
            res.set_content("(error a replay takes no trainer commands)", "text/plain");
            return;
        }
        std::string reply;
        if (!commands_->Submit(req.body, kCommandWait, reply)) {
            res.status = 504;
            res.set_content("(error the simulation did not answer in time)", "text/plain");
            return;
        }
        res.set_content(reply, "text/plain");
    });
}
