#ifndef SIM_MONITOR_MONITORSTREAM_H
#define SIM_MONITOR_MONITORSTREAM_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What passes between the simulation thread and the web monitor's threads. The simulation
// thread only ever appends under a short lock: it never waits for a viewer.

// The match as a stream of records for any number of viewers: one header (sent first to each
// viewer), then the records published since the viewer came. A viewer that falls more than
// `capacity` records behind has lost its place and is dropped.
class StreamHub {
  public:
    using Record = std::shared_ptr<const std::string>;

    explicit StreamHub(size_t capacity = 256);

    // Simulation thread.
    void SetHeader(std::string header);
    void Publish(std::string record);
    // Ends every stream: waiting readers return kClosed.
    void Close();
    int Viewers() const;

    // A viewer's place in the stream.
    struct Cursor {
        uint64_t next = 0;  // sequence number of the next record to read
        uint64_t headerVersion = 0;
        bool joined = false;
    };
    enum ReadResult { kRecords, kTimeout, kLagged, kClosed };

    // Viewer threads: Join before the first Read, Leave after the last.
    Cursor Join();
    void Leave();
    // Appends to `out` the header (when the viewer has not had this one yet) and every record
    // after the cursor; waits up to `timeout` when there is none.
    ReadResult Read(Cursor& cursor, std::vector<Record>& out, std::chrono::milliseconds timeout);

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    size_t capacity_;
    Record header_;
    uint64_t headerVersion_ = 0;
    std::deque<Record> records_;
    uint64_t firstSeq_ = 0;  // sequence number of records_.front()
    int viewers_ = 0;
    bool closed_ = false;
};

// Trainer commands typed on the page, waiting for the simulation thread, which applies them
// between two cycles and answers each.
class CommandInbox {
  public:
    struct Pending {
        std::string text;
        std::shared_ptr<std::promise<std::string>> reply;
    };

    // A viewer thread: queues the command and waits for the reply; false when none came in
    // time (the command may still be applied later).
    bool Submit(const std::string& text, std::chrono::milliseconds timeout, std::string& reply);
    // The simulation thread: everything queued so far, oldest first.
    std::vector<Pending> Take();
    // The oldest one; false when none is queued.
    bool TakeOne(Pending& p);
    bool Empty() const;

  private:
    mutable std::mutex mutex_;
    std::vector<Pending> pending_;
};

#endif
