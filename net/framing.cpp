#include "net/framing.h"

#include <arpa/inet.h>

#include <cerrno>
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

void PutMessage(const std::string& msg) {
    if (msg.empty()) return;
    uint32_t length = htonl(static_cast<uint32_t>(msg.size()));
    std::string block(reinterpret_cast<const char*>(&length), sizeof(length));
    block += msg;
    gSocket.Send(block.data(), static_cast<int>(block.size()));
}

namespace {

// Receives exactly `wanted` bytes into buf. A receive interrupted by a signal is repeated; end
// of stream or any other failure marks the link and returns false.
bool ReceiveExactly(char* buf, int wanted) {
    int got = 0;
    while (got < wanted) {
        SelectInput();
        int n = gSocket.Recv(buf + got, wanted - got);
        if (n > 0) {
            got += n;
        } else if (n == 0) {
            gLinkState = LINK_CLOSED;
            return false;
        } else if (errno != EINTR) {
            gLinkErrno = errno;
            gLinkState = LINK_BROKEN;
            return false;
        }
    }
    return true;
}

}  // namespace

bool GetMessage(std::string& msg) {
    static char buffer[kReceiveBufferSize];
    if (!ReceiveExactly(buffer, 4)) return false;

    uint32_t netLength;
    std::memcpy(&netLength, buffer, sizeof(netLength));
    uint64_t length = ntohl(netLength);
    if (length + 4 > kReceiveBufferSize) {
        std::cerr << "message too long; aborting" << std::endl;
        std::abort();
    }
    char* payload = buffer + 4;
    if (!ReceiveExactly(payload, static_cast<int>(length))) return false;

    // The text ends at the first zero byte if the payload holds one.
    msg.assign(payload, strnlen(payload, length));
    return true;
}
