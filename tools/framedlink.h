#ifndef TOOLS_FRAMEDLINK_H
#define TOOLS_FRAMEDLINK_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

// The probes' connections to pitchsim: agent port and trainer port.
// One length-prefixed TCP connection to 127.0.0.1.
class FramedLink {
  public:
    ~FramedLink() { Close(); }

    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    bool Connect(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        if (fd_ < 0) return false;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }

    bool Send(const std::string& text) {
        uint32_t length = htonl(static_cast<uint32_t>(text.size()));
        std::string frame(reinterpret_cast<const char*>(&length), 4);
        frame += text;
        return WriteAll(frame.data(), frame.size());
    }

    bool Receive(std::string& text) {
        uint32_t length = 0;
        if (!ReadAll(reinterpret_cast<char*>(&length), 4)) return false;
        text.assign(ntohl(length), '\0');
        return ReadAll(&text[0], text.size());
    }

  private:
    bool WriteAll(const char* data, size_t size) {
        while (size > 0) {
            ssize_t n = send(fd_, data, size, MSG_NOSIGNAL);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    bool ReadAll(char* data, size_t size) {
        while (size > 0) {
            ssize_t n = recv(fd_, data, size, 0);
            if (n <= 0) return false;
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    int fd_ = -1;
};

#endif
