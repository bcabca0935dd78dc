#ifndef SIM_SERVER_FRAMING_H
#define SIM_SERVER_FRAMING_H

#include <cstddef>
#include <string>

// Every message in both directions is preceded by its payload length as an unsigned 32-bit
// big-endian integer (the prefix is not counted).

// A client frame longer than this drops the client.
const size_t kMaxClientFrame = 64 * 1024;
// The agent's receive buffer holds 16384 bytes with the prefix: no perception may be longer.
const size_t kMaxPerceptionPayload = 16380;

std::string EncodeFrame(const std::string& payload);

// Cuts a byte stream into frames, whatever pieces the bytes arrive in.
class FrameDecoder {
  public:
    enum Status { kNeedMore, kFrame, kOversize };

    void Append(const char* bytes, size_t count);
    // Takes the next whole frame out of the buffer. kOversize when the announced length is
    // beyond kMaxClientFrame (the stream cannot be trusted after that).
    Status Next(std::string& payload);
    size_t Buffered() const { return buffer_.size() - consumed_; }

  private:
    std::string buffer_;
    size_t consumed_ = 0;
};

#endif
