#include "sim/server/replay.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <thread>

#include "sim/server/monitor.h"
#include "sim/server/record.h"

namespace {

using nlohmann::json;

// A cycle record without events ends its events list at once; only the others are parsed.
bool HasEvents(const std::string& line) {
    return line.find("\"events\":[]") == std::string::npos;
}

}  // namespace

bool Replay::Open(const std::string& path, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!reader_.Open(path, error)) return false;
    std::string line;
    if (reader_.NextLine(line) != RecordFileReader::kLine) {
        error = path + " holds no record" +
                (reader_.Error().empty() ? "" : " (" + reader_.Error() + ")");
        return false;
    }
    RecordHeader header;
    if (!ReadHeaderRecord(line, header, error)) {
        error = path + ": " + error;
        return false;
    }
    header_ = line;
    if (!ReadAvailable()) {
        error = path + ": " + error_;
        return false;
    }
    return true;
}

bool Replay::Follow() {
    std::lock_guard<std::mutex> lock(mutex_);
    return ReadAvailable();
}

bool Replay::ReadAvailable() {
    if (corrupt_) return false;
    if (truncated_) return true;
    std::string line;
    for (;;) {
        switch (reader_.NextLine(line)) {
            case RecordFileReader::kEnd:
                return true;
            case RecordFileReader::kError:
                error_ = reader_.Error();
                corrupt_ = true;
                return false;
            case RecordFileReader::kLine:
                break;
        }
        // Every line is checked as strictly as a report reads it (the page trusts them).
        RecordCycle checked;
        std::string error;
        if (!ReadCycleRecord(line, checked, error)) {
            error_ = "line " + std::to_string(reader_.LineNumber()) + ": " + error;
            corrupt_ = true;
            return false;
        }
        const size_t eventsBefore = events_.size();
        if (HasEvents(line)) {
            const json j = json::parse(line);
            for (const json& e : j.at("events")) {
                if (!events_.empty()) events_ += ',';
                events_ += R"({"index":)" + std::to_string(cycles_.size()) + R"(,"event":)" +
                           e.dump() + "}";
            }
        }
        const size_t cost = line.size() + sizeof(std::string) + events_.size() - eventsBefore;
        if (heldBytes_ + cost > maxHeldBytes_) {
            events_.resize(eventsBefore);
            truncated_ = true;
            return true;
        }
        heldBytes_ += cost;
        cycles_.push_back(std::move(line));
    }
}

bool Replay::Truncated() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return truncated_;
}

size_t Replay::Cycles() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cycles_.size();
}

std::string Replay::InfoJson() {
    Follow();
    std::lock_guard<std::mutex> lock(mutex_);
    // The game clock of the last cycle, for the page's clock (the writer puts it near the
    // start of the line).
    double lastGameTime = 0;
    if (!cycles_.empty()) {
        const std::string& last = cycles_.back();
        const size_t at = last.find("\"gameTime\":");
        if (at != std::string::npos) lastGameTime = std::strtod(last.c_str() + at + 11, nullptr);
    }
    return R"({"cycles":)" + std::to_string(cycles_.size()) + R"(,"lastGameTime":)" +
           Fixed(lastGameTime, 2) + (truncated_ ? R"(,"truncated":true)" : "") +
           R"(,"header":)" + header_ + R"(,"events":[)" + events_ + "]}";
}

std::string Replay::CyclesJson(size_t from, size_t count) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (from >= cycles_.size()) return "";
    size_t end = std::min(cycles_.size(), from + std::min(count, kMaxCyclesPerRequest));
    std::string out = "[";
    for (size_t i = from; i < end; ++i) {
        if (i > from) out += ',';
        out += cycles_[i];
    }
    return out + "]";
}

int ServeReplay(const ServerOptions& options, const volatile std::sig_atomic_t& stop) {
    Replay replay;
    std::string error;
    if (!replay.Open(options.replayFile, error)) {
        std::fprintf(stderr, "pitchsim: cannot replay %s\n", error.c_str());
        return 1;
    }
    StreamHub unused;  // a replay has no live stream
    Monitor monitor(MonitorPageDir(options.monitorDir), unused, nullptr);
    monitor.AddGet("/replay/info", [&replay](const Monitor::Params&) {
        return Monitor::Reply{200, "application/json", replay.InfoJson()};
    });
    monitor.AddGet("/replay/cycles", [&replay](const Monitor::Params& p) {
        size_t from = 0, count = 0;
        auto number = [&p](const char* name, size_t& v) {
            auto it = p.find(name);
            if (it == p.end() || it->second.empty() ||
                it->second.find_first_not_of("0123456789") != std::string::npos ||
                it->second.size() > 9)
                return false;
            v = std::stoul(it->second);
            return true;
        };
        if (!number("from", from) || !number("count", count))
            return Monitor::Reply{400, "text/plain", "from and count must be whole numbers"};
        std::string body = replay.CyclesJson(from, count);
        if (body.empty()) return Monitor::Reply{404, "text/plain", "no such cycle"};
        return Monitor::Reply{200, "application/json", body};
    });
    if (!monitor.Start(options.httpPort, error)) {
        std::fprintf(stderr, "pitchsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("replaying %s (%zu cycles so far)\n", options.replayFile.c_str(), replay.Cycles());
    if (replay.Truncated())
        std::fprintf(stderr,
                     "pitchsim: %s holds more than a replay keeps (%zu MiB): replaying its first "
                     "%zu cycles\n",
                     options.replayFile.c_str(), Replay::kMaxHeldBytes >> 20, replay.Cycles());
    std::printf("http port %d\nmonitor http://127.0.0.1:%d/\n", monitor.Port(), monitor.Port());
    std::fflush(stdout);
    while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    monitor.Stop();
    return 0;
}
