#ifndef NET_FRAMING_H
#define NET_FRAMING_H

#include <string>

#include "net/tcpsocket.h"

// The one connection to the server.
extern TcpSocket gSocket;

// What became of the link after GetMessage returned false or PutMessage failed.
enum LinkState {
    LINK_OPEN,    // still usable
    LINK_CLOSED,  // the server closed the connection
    LINK_BROKEN,  // a receive or send failed otherwise; gLinkErrno holds the error number
};
extern LinkState gLinkState;
extern int gLinkErrno;

// Every message in both directions is preceded by its payload length as an unsigned 32-bit
// big-endian integer. The receive buffer holds the prefix and at most 16380 payload bytes.
const int kReceiveBufferSize = 16384;

// A send that finds no room for this long means the server stopped reading: the process aborts,
// as it does after this long without input.
const int kSendTimeoutSeconds = 10;

bool SelectInput();
// Sends one framed message whole. A failure marks the link (gLinkState) LINK_BROKEN; a
// connection the server has shut is left to GetMessage, which reads what came before and then
// reports LINK_CLOSED (the end, or a reset, between two messages) or LINK_BROKEN (a reset inside
// one).
void PutMessage(const std::string& msg);
bool GetMessage(std::string& msg);

#endif
