#ifndef TOOLS_PROBELINK_H
#define TOOLS_PROBELINK_H

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

// The probes' side of pitchsim: their connections to the agent and trainer ports, and the
// trainer's state as they read it.
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

// The robot (number `unum` of the left team) and the ball as the trainer reports them: field frame,
// metres, degrees.
struct Truth {
    bool found = false;
    double time = 0;
    double x = 0, y = 0, z = 0;
    double heading = 0;
    double upz = 1;
    bool fallen = false;
    int scoreLeft = 0;
    double ballX = 0, ballY = 0;  // the ball, field frame, m
    double ballSpeed = 0;         // m/s
};

// Reads the numbers after "(key " within text from position `from`.
inline bool NumbersAfter(const std::string& text, size_t from, const char* key, double* out,
                         int count) {
    size_t at = text.find(std::string("(") + key + " ", from);
    if (at == std::string::npos) return false;
    std::istringstream in(text.substr(at + std::strlen(key) + 2));
    for (int i = 0; i < count; ++i)
        if (!(in >> out[i])) return false;
    return true;
}

// From a (getState) reply.
inline Truth ParseState(const std::string& state, int unum) {
    Truth t;
    NumbersAfter(state, 0, "time", &t.time, 1);
    double score[2] = {0, 0};
    if (NumbersAfter(state, 0, "score", score, 2)) t.scoreLeft = static_cast<int>(score[0]);
    const size_t ball = state.find("(ball ");
    double ballPos[3] = {0, 0, 0}, ballVel[3] = {0, 0, 0};
    if (ball != std::string::npos && NumbersAfter(state, ball, "pos", ballPos, 3) &&
        NumbersAfter(state, ball, "vel", ballVel, 3)) {
        t.ballX = ballPos[0];
        t.ballY = ballPos[1];
        t.ballSpeed = std::hypot(ballVel[0], ballVel[1]);
    }
    std::string key = "(robot (team Left) (unum " + std::to_string(unum) + ")";
    size_t at = state.find(key);
    if (at == std::string::npos) return t;
    double pos[3] = {0, 0, 0}, fallen = 0;
    t.found = NumbersAfter(state, at, "pos", pos, 3) &&
              NumbersAfter(state, at, "heading", &t.heading, 1) &&
              NumbersAfter(state, at, "upz", &t.upz, 1) &&
              NumbersAfter(state, at, "fallen", &fallen, 1);
    t.x = pos[0];
    t.y = pos[1];
    t.z = pos[2];
    t.fallen = fallen != 0;
    return t;
}

// An option's value: the whole text one finite number within [low, high].
inline bool ParseOptionNumber(const std::string& value, double low, double high, double& out) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno != 0 || !std::isfinite(v) || v < low || v > high)
        return false;
    out = v;
    return true;
}

#endif
