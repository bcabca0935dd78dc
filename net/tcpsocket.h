#ifndef NET_TCPSOCKET_H
#define NET_TCPSOCKET_H

#include <netinet/in.h>
#include <sys/select.h>

#include <string>

// A blocking IPv4 TCP client socket. The descriptor exists from construction to Close; every
// failure to create or connect it ends the process.
class TcpSocket {
  public:
    sockaddr_in addr;        // server address set by SetServerAddr
    int s;                   // socket descriptor, -1 once closed
    fd_set readfds;          // rebuilt by every SelectInput
    bool resetSeen = false;  // a send found the connection reset (its error is then taken)

    TcpSocket();
    ~TcpSocket();

    int Open();
    void Close();
    void SetServerAddr(std::string host, short port);
    bool Connect();
    bool SelectInput();
    // Waits up to timeoutMs for room to send: 1 when there is room (or the link has failed, which
    // the next send reports), 0 on timeout, -1 on an error of the wait (errno set).
    int WaitOutput(int timeoutMs);
    // One send that neither blocks nor raises SIGPIPE: returns the bytes taken, or -1 (errno).
    int Send(const char* buf, int len);
    int Recv(char* buf, int len);
};

#endif
