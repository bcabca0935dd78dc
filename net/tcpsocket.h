#ifndef NET_TCPSOCKET_H
#define NET_TCPSOCKET_H

#include <netinet/in.h>
#include <sys/select.h>

#include <string>

// A blocking IPv4 TCP client socket. The descriptor exists from construction to Close; every
// failure to create or connect it ends the process.
class TcpSocket {
  public:
    sockaddr_in addr;  // server address set by SetServerAddr
    int s;             // socket descriptor, -1 once closed
    fd_set readfds;    // rebuilt by every SelectInput

    TcpSocket();
    ~TcpSocket();

    int Open();
    void Close();
    void SetServerAddr(std::string host, short port);
    bool Connect();
    bool SelectInput();
    int Send(const char* buf, int len);
    int Recv(char* buf, int len);
};

#endif
