#ifndef SIM_RECORD_REPLAY_H
#define SIM_RECORD_REPLAY_H

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "sim/record/recordfile.h"

// A recording served to the web monitor (pitchsim --replay=FILE): the record lines, read into
// memory and followed while a running match still writes the file. The page asks for
//   GET /replay/info                  {"cycles":N,"header":{...},
//                                      "events":[{"index":i,"event":{...}}, ...]}
//   GET /replay/cycles?from=I&count=N the cycle records I .. I+N-1 as a JSON array
// and plays them itself (pause, speed, seek); cycle i is `i` cycles after the first.
class Replay {
  public:
    // Most cycle records one request returns.
    static constexpr size_t kMaxCyclesPerRequest = 1000;
    // Memory the records held may take (a 10-minute match of 22 robots takes some 160 MB): the
    // cycles beyond are left out, and InfoJson says so.
    static constexpr size_t kMaxHeldBytes = size_t(512) << 20;

    explicit Replay(size_t maxHeldBytes = kMaxHeldBytes) : maxHeldBytes_(maxHeldBytes) {}

    // Reads the header and every complete record there is. False with `error` naming the
    // problem (no such file, not a recording, another format version, a line that is not a
    // record, by its number).
    bool Open(const std::string& path, std::string& error);
    // Reads what the writer has added since; false on corrupt data (reported once in Error).
    bool Follow();
    const std::string& Error() const { return error_; }

    size_t Cycles() const;
    // True once records were left out for want of memory.
    bool Truncated() const;
    std::string InfoJson();
    // "" when `from` is beyond the last cycle.
    std::string CyclesJson(size_t from, size_t count) const;

  private:
    bool ReadAvailable();

    mutable std::mutex mutex_;
    RecordFileReader reader_;
    std::string header_;
    std::vector<std::string> cycles_;
    std::string events_;  // the JSON array's items so far, each {"index":i,"event":{...}}
    std::string error_;
    bool corrupt_ = false;
    size_t maxHeldBytes_;
    size_t heldBytes_ = 0;
    bool truncated_ = false;
};

#endif
