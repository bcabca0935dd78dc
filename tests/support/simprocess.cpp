#include "support/simprocess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <thread>

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

static bool Readable(int fd, double deadline) {
    pollfd p{fd, POLLIN, 0};
    int ms = static_cast<int>((deadline - WallSeconds()) * 1000);
    return ms >= 0 && poll(&p, 1, ms) == 1;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

sockaddr_in LoopbackAddress(int port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    return addr;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) n++;
    return n;
}

BusyPort::BusyPort() : fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof(a);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 && listen(fd, 1) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
}

BusyPort::~BusyPort() {
    close(fd);
}

RefusingPort::RefusingPort() : fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a = LoopbackAddress(0);
    socklen_t len = sizeof(a);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
}

RefusingPort::~RefusingPort() {
    close(fd);
}

std::string WireClient::Frame(const std::string& payload) {
    uint32_t n = htonl(static_cast<uint32_t>(payload.size()));
    return std::string(reinterpret_cast<const char*>(&n), 4) + payload;
}

bool WireClient::Connect(int port) {
    Adopt(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in addr = LoopbackAddress(port);
    return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
}

void WireClient::SendRaw(const std::string& bytes) {
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

bool WireClient::SendWithin(const std::string& payload, double timeoutSeconds) {
    const std::string bytes = Frame(payload);
    for (size_t sent = 0; sent < bytes.size();) {
        pollfd p{fd_, POLLOUT, 0};
        if (poll(&p, 1, static_cast<int>(timeoutSeconds * 1000)) != 1) return false;
        ssize_t n =
            send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (n > 0) sent += static_cast<size_t>(n);
    }
    return true;
}

bool WireClient::Receive(std::string& payload, double timeoutSeconds) {
    double deadline = WallSeconds() + timeoutSeconds;
    char buf[65536];
    while (true) {
        uint32_t n = 0;
        if (buffer_.size() >= 4) std::memcpy(&n, buffer_.data(), 4);
        n = ntohl(n);
        if (buffer_.size() >= 4 + size_t(n)) {
            payload = buffer_.substr(4, n);
            buffer_.erase(0, 4 + size_t(n));
            return true;
        }
        ssize_t got = Readable(fd_, deadline) ? recv(fd_, buf, sizeof(buf), 0) : -1;
        if (got <= 0) return false;
        buffer_.append(buf, static_cast<size_t>(got));
    }
}

bool WireClient::SeesEnd(double timeoutSeconds) {
    double deadline = WallSeconds() + timeoutSeconds;
    char buf[65536];
    while (Readable(fd_, deadline))
        if (recv(fd_, buf, sizeof(buf), 0) <= 0) return true;
    return false;
}

void WireClient::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    buffer_.clear();
}

void WireClient::Reset() {
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    Close();
}

ChildProcess::~ChildProcess() {
    Wait(0);  // kills a child still running
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

bool ChildProcess::Start(const std::string& binary, const std::vector<std::string>& args) {
    signal(SIGPIPE, SIG_IGN);
    char name[] = "/tmp/childXXXXXX";
    close(mkstemp(name));
    unlink(name);
    outPath_ = name + std::string(".out");
    errPath_ = name + std::string(".err");
    pid_ = fork();
    if (pid_ != 0) return pid_ > 0;
    dup2(open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    dup2(open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    // The child starts as from a shell: a SIGPIPE it does not guard against ends it.
    signal(SIGPIPE, SIG_DFL);
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
}

void ChildProcess::Signal(int sig) {
    if (pid_ > 0 && !waited_) kill(pid_, sig);
}

bool ChildProcess::Running() {
    if (pid_ <= 0 || waited_) return false;
    waited_ = waitpid(pid_, &status_, WNOHANG) == pid_;
    return !waited_;
}

bool ChildProcess::Wait(double timeoutSeconds) {
    for (double end = WallSeconds() + timeoutSeconds; WallSeconds() < end;) {
        if (!Running()) return waited_;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Signal(SIGKILL);
    if (pid_ > 0 && !waited_) waited_ = waitpid(pid_, &status_, 0) == pid_;
    return false;
}

bool PitchSim::Start(const std::vector<std::string>& options) {
    std::vector<std::string> args = {"--agent-port=0", "--trainer-port=0"};
    args.insert(args.end(), options.begin(), options.end());
    const char* other = std::getenv("PITCHSIM");  // another build's, to compare two builds
    if (!process.Start(other ? other : std::string(BIN_DIR) + "/pitchsim", args)) return false;
    bool http = false;
    for (const std::string& o : options) http = http || o.rfind("--http-port=", 0) == 0;
    for (double end = WallSeconds() + 10; WallSeconds() < end && process.Running();) {
        std::string out = process.Stdout();
        size_t a = out.find("agent port "), t = out.find("trainer port ");
        size_t h = http ? out.find("http port ") : t;
        if (a != std::string::npos && t != std::string::npos && h != std::string::npos &&
            out.find('\n', std::max(t, h)) != out.npos) {
            agentPort_ = std::atoi(out.c_str() + a + 11);
            trainerPort_ = std::atoi(out.c_str() + t + 13);
            if (http) httpPort_ = std::atoi(out.c_str() + h + 10);
            return agentPort_ > 0 && trainerPort_ > 0 && (!http || httpPort_ > 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool PitchSim::Stop(double timeoutSeconds) {
    process.Signal(SIGINT);
    return process.Wait(timeoutSeconds) && process.ExitedWith(0);
}

std::string WireClient::Exchange(const std::string& payload, double timeoutSeconds) {
    Send(payload);
    std::string reply;
    return Receive(reply, timeoutSeconds) ? reply : "";
}

double NumberAfter(const std::string& text, const std::string& name) {
    size_t at = text.find("(" + name + " ");
    if (at == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
    return std::strtod(text.c_str() + at + name.size() + 2, nullptr);
}

RobotState FindRobot(const std::string& state, const std::string& team, int unum) {
    RobotState r;
    size_t at = state.find("(robot (team " + team + ") (unum " + std::to_string(unum) + ")");
    if (at == std::string::npos) return r;
    std::string rest = state.substr(at, state.find("(robot", at + 1) - at);
    r.found = true;
    char* end = nullptr;
    r.x = std::strtod(rest.c_str() + rest.find("(pos ") + 5, &end);
    r.y = std::strtod(end, nullptr);
    r.heading = NumberAfter(rest, "heading");
    r.upz = NumberAfter(rest, "upz");
    r.fallen = NumberAfter(rest, "fallen") == 1;
    return r;
}

std::string PlayModeOf(const std::string& state) {
    const size_t at = state.find("(playMode ");
    return at == std::string::npos ? "" : state.substr(at + 10, state.find(')', at) - at - 10);
}

const char kScene[] = "(scene rsg/agent/nao/nao.rsg)";

bool JoinScene(WireClient& c, int port) {
    std::string p;
    return c.Connect(port) && (c.Send(kScene), c.Receive(p));
}

std::string JoinTeam(WireClient& c, int port, const std::string& team, int unum) {
    std::string p;
    if (!JoinScene(c, port)) return "";
    c.Send("(init (unum " + std::to_string(unum) + ")(teamname " + team + "))");
    while (c.Receive(p)) {
        c.Send("(syn)");
        const size_t at = p.find("(GS (unum");
        if (at != std::string::npos) return p.substr(at, p.find(')', p.find("(team", at)) - at + 1);
    }
    return "";
}
