#include "sim/server/framing.h"

#include <cstdint>

std::string EncodeFrame(const std::string& payload) {
    uint32_t n = static_cast<uint32_t>(payload.size());
    std::string frame;
    frame.reserve(payload.size() + 4);
    frame.push_back(static_cast<char>((n >> 24) & 0xFF));
    frame.push_back(static_cast<char>((n >> 16) & 0xFF));
    frame.push_back(static_cast<char>((n >> 8) & 0xFF));
    frame.push_back(static_cast<char>(n & 0xFF));
    frame += payload;
    return frame;
}

void FrameDecoder::Append(const char* bytes, size_t count) {
    // Compact once the consumed part dominates, so the buffer does not grow without bound.
    if (consumed_ > 0 && consumed_ >= buffer_.size() / 2) {
        buffer_.erase(0, consumed_);
        consumed_ = 0;
    }
    buffer_.append(bytes, count);
}

FrameDecoder::Status FrameDecoder::Next(std::string& payload) {
    if (Buffered() < 4) return kNeedMore;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer_.data() + consumed_);
    uint32_t length =
        (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    if (length > kMaxClientFrame) return kOversize;
    if (Buffered() < 4 + size_t(length)) return kNeedMore;
    payload.assign(buffer_, consumed_ + 4, length);
    consumed_ += 4 + length;
    if (consumed_ == buffer_.size()) {
        buffer_.clear();
        consumed_ = 0;
    }
    return kFrame;
}
