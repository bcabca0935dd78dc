#include "support/simprocess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string TempPath(const char* tag) {
    char name[] = "/tmp/e2eXXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    unlink(name);
    return std::string(name) + tag;
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

std::string PitchSimBinary() {
    return std::string(BIN_DIR) + "/pitchsim";
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !waited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (!outPath_.empty()) unlink(outPath_.c_str());
    if (!errPath_.empty()) unlink(errPath_.c_str());
}

bool ChildProcess::Start(const std::string& binary, const std::vector<std::string>& args) {
    signal(SIGPIPE, SIG_IGN);
    outPath_ = TempPath(".out");
    errPath_ = TempPath(".err");
    pid_ = fork();
    if (pid_ < 0) return false;
    if (pid_ == 0) {
        int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    return true;
}

void ChildProcess::Signal(int sig) {
    if (pid_ > 0 && !waited_) kill(pid_, sig);
}

bool ChildProcess::Running() {
    if (pid_ <= 0 || waited_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) {
        waited_ = true;
        return false;
    }
    return true;
}

bool ChildProcess::Wait(double timeoutSeconds) {
    double end = Now() + timeoutSeconds;
    while (Now() < end) {
        if (!Running()) return waited_;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (pid_ > 0 && !waited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        waited_ = true;
    }
    return false;
}

bool ChildProcess::ExitedWith(int status) const {
    return waited_ && WIFEXITED(status_) && WEXITSTATUS(status_) == status;
}

std::string ChildProcess::Stdout() const {
    return ReadFile(outPath_);
}

std::string ChildProcess::Stderr() const {
    return ReadFile(errPath_);
}

bool PitchSim::Start(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--agent-port=0", "--trainer-port=0"};
    args.insert(args.end(), options.begin(), options.end());
    if (!process.Start(PitchSimBinary(), args)) return false;
    double end = Now() + 10;
    while (Now() < end && process.Running()) {
        std::string out = process.Stdout();
        size_t a = out.find("agent port "), t = out.find("trainer port ");
        if (a != std::string::npos && t != std::string::npos && out.find('\n', t) != out.npos) {
            agentPort_ = std::atoi(out.c_str() + a + 11);
            trainerPort_ = std::atoi(out.c_str() + t + 13);
            return agentPort_ > 0 && trainerPort_ > 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool PitchSim::Stop(double timeoutSeconds) {
    process.Signal(SIGINT);
    return process.Wait(timeoutSeconds) && process.ExitedWith(0);
}

WireClient::~WireClient() {
    Close();
}

bool WireClient::Connect(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
}

void WireClient::SendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

void WireClient::Send(const std::string& payload) {
    uint32_t n = htonl(static_cast<uint32_t>(payload.size()));
    SendRaw(std::string(reinterpret_cast<const char*>(&n), 4) + payload);
}

bool WireClient::Fill(double timeoutSeconds) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(timeoutSeconds * 1000)) != 1) return false;
    char buf[65536];
    ssize_t n = recv(fd_, buf, sizeof(buf), 0);
    if (n <= 0) return false;
    buffer_.append(buf, static_cast<size_t>(n));
    return true;
}

bool WireClient::Receive(std::string& payload, double timeoutSeconds) {
    double end = Now() + timeoutSeconds;
    while (true) {
        if (buffer_.size() >= 4) {
            uint32_t n;
            std::memcpy(&n, buffer_.data(), 4);
            n = ntohl(n);
            if (buffer_.size() >= 4 + size_t(n)) {
                payload = buffer_.substr(4, n);
                buffer_.erase(0, 4 + size_t(n));
                return true;
            }
        }
        double left = end - Now();
        if (left <= 0 || !Fill(left)) return false;
    }
}

bool WireClient::SeesEnd(double timeoutSeconds) {
    double end = Now() + timeoutSeconds;
    while (Now() < end) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>((end - Now()) * 1000) + 1) != 1) continue;
        char buf[65536];
        ssize_t n = recv(fd_, buf, sizeof(buf), 0);
        if (n <= 0) return true;
    }
    return false;
}

void WireClient::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    buffer_.clear();
}

std::string TrainerClient::Command(const std::string& command, double timeoutSeconds) {
    Send(command);
    std::string reply;
    if (!Receive(reply, timeoutSeconds)) return "";
    return reply;
}

double NumberAfter(const std::string& text, const std::string& name) {
    size_t at = text.find("(" + name + " ");
    if (at == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
    return std::strtod(text.c_str() + at + name.size() + 2, nullptr);
}

RobotState FindRobot(const std::string& state, const std::string& team, int unum) {
    RobotState r;
    std::string key = "(robot (team " + team + ") (unum " + std::to_string(unum) + ")";
    size_t at = state.find(key);
    if (at == std::string::npos) return r;
    std::string rest = state.substr(at, state.find("(robot", at + 1) - at);
    r.found = true;
    const char* pos = rest.c_str() + rest.find("(pos ") + 5;
    char* end = nullptr;
    r.x = std::strtod(pos, &end);
    r.y = std::strtod(end, &end);
    r.z = std::strtod(end, &end);
    r.heading = NumberAfter(rest, "heading");
    r.upz = NumberAfter(rest, "upz");
    r.fallen = NumberAfter(rest, "fallen") == 1;
    return r;
}

std::string PlayModeOf(const std::string& state) {
    size_t at = state.find("(playMode ");
    if (at == std::string::npos) return "";
    at += 10;
    return state.substr(at, state.find(')', at) - at);
}
