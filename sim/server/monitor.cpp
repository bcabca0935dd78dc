#include "sim/server/monitor.h"

#include <httplib.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <atomic>
#include <memory>

namespace {

// How long a stream's thread waits for a record before it sends a keep-alive comment (which
// also finds browsers that went away).
const auto kStreamIdle = std::chrono::milliseconds(500);
// How long a trainer command from the page waits for the simulation thread.
const auto kCommandWait = std::chrono::seconds(5);
// Socket send buffer of each viewer: small enough that a viewer that stops reading fills it
// within seconds, large enough for a full match's records at 50 Hz.
const int kViewerSendBuffer = 128 * 1024;

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
      http_(std::make_unique<httplib::Server>()) {}

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
    http_->new_task_queue = [] { return new httplib::ThreadPool(kMaxViewers + 4); };
    http_->set_write_timeout(kViewerWriteTimeoutSeconds, 0);
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

void Monitor::Route() {
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
        if (!req.has_header(kCommandHeader)) {
            res.status = 403;
            res.set_content(std::string("(error missing header ") + kCommandHeader + ")",
                            "text/plain");
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
