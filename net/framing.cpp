#include "net/framing.h"

#include <arpa/inet.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>

TcpSocket gSocket;
LinkState gLinkState = LINK_OPEN;
int gLinkErrno = 0;

bool SelectInput() {
    return gSocket.SelectInput();
}

namespace {

void MarkLinkFailed(int error) {
    gLinkErrno = error;
    gLinkState = LINK_BROKEN;
}

int MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

[[noreturn]] void AbortStuckSend() {
    std::cerr << "(PutMessage) no room to send for " << kSendTimeoutSeconds
              << " s: the server stopped reading; aborting" << std::endl;
    std::abort();
}

// Hands all of data to the socket, in as many sends as it takes, within the send timeout.
bool SendAll(const char* data, int size) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(kSendTimeoutSeconds);
    int sent = 0;
    while (sent < size) {
        int ready = gSocket.WaitOutput(MillisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            MarkLinkFailed(errno);
            return false;
        }
        if (ready == 0) AbortStuckSend();
        int n = gSocket.Send(data + sent, size - sent);
        if (n >= 0) {
            sent += n;
        } else if (errno == EPIPE || errno == ECONNRESET) {
            // The server has closed (one that closes with replies unread resets the connection):
            // the receiving side tells how the link ended, once the messages that came before
            // are read (later sends fail at once).
            if (errno == ECONNRESET) gSocket.resetSeen = true;
            return false;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Room reported but none taken: the deadline still holds.
            if (MillisecondsUntil(deadline) == 0) AbortStuckSend();
        } else if (errno != EINTR) {
            MarkLinkFailed(errno);
            return false;
        }
    }
    return true;
}

// Receives exactly `wanted` bytes into buf. A receive interrupted by a signal is repeated; end
// of stream or any other failure marks the link and returns false. Between two messages
// (`frameStart` and nothing of the next one received) a reset is the server closing: Linux
// resets a connection closed while replies lay unread in it.
bool ReceiveExactly(char* buf, int wanted, bool frameStart) {
    int got = 0;
    while (got < wanted) {
        SelectInput();
        int n = gSocket.Recv(buf + got, wanted - got);
        if (n > 0) {
            got += n;
        } else if (n == 0 || (errno == ECONNRESET && frameStart && got == 0)) {
            if (frameStart && got == 0)
                gLinkState = LINK_CLOSED;
            else if (n == 0 && !gSocket.resetSeen)
                gLinkState = LINK_CLOSED;  // an orderly end, though inside a message
            else
                MarkLinkFailed(ECONNRESET);
            return false;
        } else if (errno != EINTR) {
            MarkLinkFailed(errno);
            return false;
        }
    }
    return true;
}

}  // namespace

void PutMessage(const std::string& msg) {
    if (msg.empty()) return;
    uint32_t length = htonl(static_cast<uint32_t>(msg.size()));
    std::string block(reinterpret_cast<const char*>(&length), sizeof(length));
    block += msg;
    SendAll(block.data(), static_cast<int>(block.size()));
}

bool GetMessage(std::string& msg) {
    static char buffer[kReceiveBufferSize];
    if (!ReceiveExactly(buffer, 4, true)) return false;

    uint32_t netLength;
    std::memcpy(&netLength, buffer, sizeof(netLength));
    uint64_t length = ntohl(netLength);
    if (length + 4 > kReceiveBufferSize) {
        std::cerr << "message too long; aborting" << std::endl;
        std::abort();
    }
    char* payload = buffer + 4;
    if (!ReceiveExactly(payload, static_cast<int>(length), false)) return false;

    // The text ends at the first zero byte if the payload holds one.
    msg.assign(payload, strnlen(payload, length));
    return true;
}
