#include "sim/record/replay.h"

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "sim/record/record.h"

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
           Fixed(lastGameTime, 2) + (truncated_ ? R"(,"truncated":true)" : "") + R"(,"header":)" +
           header_ + R"(,"events":[)" + events_ + "]}";
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
