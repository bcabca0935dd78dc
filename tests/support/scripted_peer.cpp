#include "support/scripted_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
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
    char name[] = "/tmp/peerXXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name) + tag;
}

}  // namespace

ScriptedPeer::ScriptedPeer() {
    signal(SIGPIPE, SIG_IGN);
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    listen(listenFd_, 4);
    socklen_t len = sizeof(addr);
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    outPath_ = TempPath(".out");
    errPath_ = TempPath(".err");
}

ScriptedPeer::~ScriptedPeer() {
    if (child_ > 0 && !waited_) {
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
    }
    if (connFd_ >= 0) close(connFd_);
    if (listenFd_ >= 0) close(listenFd_);
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
    unlink(outPath_.substr(0, outPath_.size() - 4).c_str());
    unlink(errPath_.substr(0, errPath_.size() - 4).c_str());
}

bool ScriptedPeer::Start(const std::vector<std::string>& args, const std::string& binary) {
    child_ = fork();
    if (child_ < 0) return false;
    if (child_ == 0) {
        int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        close(listenFd_);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    return true;
}

bool ScriptedPeer::WaitReadable(int fd, double timeoutSeconds) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, static_cast<int>(timeoutSeconds * 1000)) == 1;
}

bool ScriptedPeer::Accept(double timeoutSeconds) {
    if (!WaitReadable(listenFd_, timeoutSeconds)) return false;
    connFd_ = accept(listenFd_, nullptr, nullptr);
    return connFd_ >= 0;
}

std::string ScriptedPeer::Frame(const std::string& payload) {
    uint32_t n = htonl(static_cast<uint32_t>(payload.size()));
    return std::string(reinterpret_cast<const char*>(&n), 4) + payload;
}

void ScriptedPeer::SendRaw(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(connFd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

void ScriptedPeer::Send(const std::string& payload) {
    SendRaw(Frame(payload));
}

bool ScriptedPeer::ReadExactly(char* buf, size_t n, double timeoutSeconds) {
    size_t got = 0;
    while (got < n) {
        if (!WaitReadable(connFd_, timeoutSeconds)) return false;
        ssize_t r = recv(connFd_, buf + got, n - got, 0);
        if (r <= 0) return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

bool ScriptedPeer::Receive(std::string& payload, double timeoutSeconds) {
    char header[4];
    if (!ReadExactly(header, 4, timeoutSeconds)) return false;
    uint32_t n;
    std::memcpy(&n, header, 4);
    n = ntohl(n);
    payload.assign(n, '\0');
    return n == 0 || ReadExactly(&payload[0], n, timeoutSeconds);
}

std::string ScriptedPeer::Exchange(const std::string& perception, double timeoutSeconds) {
    Send(perception);
    std::string reply;
    if (!Receive(reply, timeoutSeconds)) return "";
    return reply;
}

bool ScriptedPeer::Silent(double timeoutSeconds) {
    return !WaitReadable(connFd_, timeoutSeconds);
}

void ScriptedPeer::CloseConnection() {
    if (connFd_ >= 0) close(connFd_);
    connFd_ = -1;
}

void ScriptedPeer::ResetConnection() {
    linger hard{1, 0};
    setsockopt(connFd_, SOL_SOCKET, SO_LINGER, &hard, sizeof(hard));
    CloseConnection();
}

void ScriptedPeer::Signal(int sig) {
    if (child_ > 0) kill(child_, sig);
}

bool ScriptedPeer::Running() {
    if (child_ <= 0 || waited_) return false;
    if (waitpid(child_, &status_, WNOHANG) == child_) {
        waited_ = true;
        return false;
    }
    return true;
}

bool ScriptedPeer::Wait(double timeoutSeconds) {
    if (waited_) return true;
    auto deadline = std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(static_cast<int>(timeoutSeconds * 1000));
    while (std::chrono::steady_clock::now() < deadline) {
        pid_t r = waitpid(child_, &status_, WNOHANG);
        if (r == child_) {
            waited_ = true;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child_, SIGKILL);
    waitpid(child_, &status_, 0);
    waited_ = true;
    return false;
}

bool ScriptedPeer::Exited() const {
    return waited_ && WIFEXITED(status_);
}
int ScriptedPeer::ExitStatus() const {
    return WEXITSTATUS(status_);
}
bool ScriptedPeer::Signaled() const {
    return waited_ && WIFSIGNALED(status_);
}
int ScriptedPeer::TermSignal() const {
    return WTERMSIG(status_);
}

std::string ScriptedPeer::Stdout() const {
    return ReadFile(outPath_);
}
std::string ScriptedPeer::Stderr() const {
    return ReadFile(errPath_);
}
