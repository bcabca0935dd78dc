#include "sim/monitor/monitorstream.h"

StreamHub::StreamHub(size_t capacity) : capacity_(capacity > 0 ? capacity : 1) {}

void StreamHub::SetHeader(std::string header) {
    auto record = std::make_shared<const std::string>(std::move(header));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        header_ = std::move(record);
        headerVersion_++;
    }
    changed_.notify_all();
}

void StreamHub::Publish(std::string text) {
    auto record = std::make_shared<const std::string>(std::move(text));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        records_.push_back(std::move(record));
        if (records_.size() > capacity_) {
            records_.pop_front();
            firstSeq_++;
        }
    }
    changed_.notify_all();
}

void StreamHub::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

int StreamHub::Viewers() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return viewers_;
}

StreamHub::Cursor StreamHub::Join() {
    std::lock_guard<std::mutex> lock(mutex_);
    viewers_++;
    Cursor c;
    // A new viewer starts with the latest record: the present state, not the backlog.
    uint64_t end = firstSeq_ + records_.size();
    c.next = records_.empty() ? end : end - 1;
    c.joined = true;
    return c;
}

void StreamHub::Leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    viewers_--;
}

StreamHub::ReadResult StreamHub::Read(Cursor& c, std::vector<Record>& out,
                                      std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto ready = [&] {
        return closed_ || c.next < firstSeq_ + records_.size() ||
               (header_ && c.headerVersion != headerVersion_);
    };
    if (!changed_.wait_for(lock, timeout, ready)) return kTimeout;
    if (closed_) return kClosed;
    if (c.next < firstSeq_) return kLagged;
    if (header_ && c.headerVersion != headerVersion_) {
        out.push_back(header_);
        c.headerVersion = headerVersion_;
    }
    uint64_t end = firstSeq_ + records_.size();
    for (; c.next < end; ++c.next) out.push_back(records_[c.next - firstSeq_]);
    return kRecords;
}

bool CommandInbox::Submit(const std::string& text, std::chrono::milliseconds timeout,
                          std::string& reply) {
    Pending p{text, std::make_shared<std::promise<std::string>>()};
    std::future<std::string> answer = p.reply->get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(std::move(p));
    }
    if (answer.wait_for(timeout) != std::future_status::ready) return false;
    reply = answer.get();
    return true;
}

std::vector<CommandInbox::Pending> CommandInbox::Take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Pending> taken;
    taken.swap(pending_);
    return taken;
}

bool CommandInbox::TakeOne(Pending& p) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.empty()) return false;
    p = std::move(pending_.front());
    pending_.erase(pending_.begin());
    return true;
}

bool CommandInbox::Empty() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.empty();
}
