// The probes' connections to pitchsim: the framed link, then a probe's pair of links.

#include "tools/probe/link.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <iostream>

#include "tools/probe/measure.h"
#include "tools/probe/truth.h"

namespace probe {

// ---- FramedLink ----

void FramedLink::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool FramedLink::Connect(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

bool FramedLink::Send(const std::string& text) {
    uint32_t length = htonl(static_cast<uint32_t>(text.size()));
    std::string frame(reinterpret_cast<const char*>(&length), 4);
    frame += text;
    return WriteAll(frame.data(), frame.size());
}

bool FramedLink::Receive(std::string& text) {
    uint32_t length = 0;
    if (!ReadAll(reinterpret_cast<char*>(&length), 4)) return false;
    text.assign(ntohl(length), '\0');
    return ReadAll(&text[0], text.size());
}

bool FramedLink::WriteAll(const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = send(fd_, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool FramedLink::ReadAll(char* data, size_t size) {
    while (size > 0) {
        ssize_t n = recv(fd_, data, size, 0);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// ---- PitchLink ----

bool PitchLink::Connect(int port, int trainerPort) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (agent_.Connect(port) && trainer_.Connect(trainerPort)) return true;
        agent_.Close();
        trainer_.Close();
        usleep(100000);
    }
    return false;
}

void PitchLink::WaitForBeat() {
    for (int poll = 0; poll < 1000; ++poll) {
        double time = 0;
        NumbersAfter(Trainer("(getState)"), 0, "time", &time, 1);
        if (std::lround(time / kCycle) % 3 == 1) break;
        usleep(2000);
    }
    Trainer("(ball (pos 0 0 0.042) (vel 0 0 0))");
}

bool PitchLink::Receive(std::string& msg) {
    if (agent_.Receive(msg)) return true;
    std::cerr << probe_ << ": the server closed the connection\n";
    return false;
}

std::string PitchLink::Trainer(const std::string& command) {
    std::string reply;
    if (!trainer_.Send(command) || !trainer_.Receive(reply)) reply = "(no reply)";
    return reply;
}

}  // namespace probe
