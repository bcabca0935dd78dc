// The server's framing and event loop against real loopback sockets: frames in pieces,
// oversize frames, clients that vanish or stop reading, and many connect/disconnect cycles.

#include "sim/server/netloop.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/server/framing.h"

namespace {

TEST(FrameDecoderTest, FramesArrivingInPiecesAndBackToBack) {
    std::string stream = EncodeFrame("(he1 1)") + EncodeFrame("") + EncodeFrame("(syn)");
    FrameDecoder d;
    std::vector<std::string> got;
    std::string payload;
    for (char byte : stream) {
        d.Append(&byte, 1);
        while (d.Next(payload) == FrameDecoder::kFrame) got.push_back(payload);
    }
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ("(he1 1)", got[0]);
    EXPECT_EQ("", got[1]);
    EXPECT_EQ("(syn)", got[2]);
    EXPECT_EQ(0u, d.Buffered());
}

TEST(FrameDecoderTest, LengthIsBigEndianAndLimitedTo64KiB) {
    std::string frame = EncodeFrame(std::string(0x0102, 'x'));
    EXPECT_EQ('\x00', frame[0]);
    EXPECT_EQ('\x00', frame[1]);
    EXPECT_EQ('\x01', frame[2]);
    EXPECT_EQ('\x02', frame[3]);

    std::string payload;
    FrameDecoder exact;
    std::string atLimit = EncodeFrame(std::string(kMaxClientFrame, 'a'));
    exact.Append(atLimit.data(), atLimit.size());
    EXPECT_EQ(FrameDecoder::kFrame, exact.Next(payload));
    EXPECT_EQ(kMaxClientFrame, payload.size());

    FrameDecoder over;
    std::string header = EncodeFrame(std::string(kMaxClientFrame + 1, 'a')).substr(0, 4);
    over.Append(header.data(), header.size());
    EXPECT_EQ(FrameDecoder::kOversize, over.Next(payload));
}

// A blocking client socket on the loop's listener.
class Client {
  public:
    explicit Client(int port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(port));
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    ~Client() { Close(); }
    bool Connected() const { return connected_; }
    void Write(const std::string& bytes) {
        ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        (void)n;
    }
    // Reads one frame with a timeout.
    bool ReadFrame(std::string& payload, int timeoutMs = 2000) {
        FrameDecoder::Status s;
        while ((s = decoder_.Next(payload)) == FrameDecoder::kNeedMore) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) != 1) return false;
            char buf[4096];
            ssize_t n = recv(fd_, buf, sizeof(buf), 0);
            if (n <= 0) return false;
            decoder_.Append(buf, static_cast<size_t>(n));
        }
        return s == FrameDecoder::kFrame;
    }
    // True when the server closed the connection.
    bool SeesEnd(int timeoutMs = 2000) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1) return false;
        char buf[4096];
        while (true) {
            ssize_t n = recv(fd_, buf, sizeof(buf), MSG_DONTWAIT);
            if (n == 0) return true;
            if (n < 0) return errno != EAGAIN;
        }
    }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
    FrameDecoder decoder_;
};

class NetLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        listener_ = loop_.Listen(0, error);
        ASSERT_EQ(0, listener_) << error;
        port_ = loop_.BoundPort(listener_);
        ASSERT_GT(port_, 0);
    }
    // Polls until `want` events of `kind` have been seen or the time is up.
    std::vector<NetEvent> PollFor(NetEvent::Kind kind, size_t want, int timeoutMs = 2000) {
        std::vector<NetEvent> all;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t seen = 0;
        while (seen < want && std::chrono::steady_clock::now() < end) {
            std::vector<NetEvent> events;
            loop_.Poll(20, events);
            for (NetEvent& e : events) {
                if (e.kind == kind) seen++;
                all.push_back(std::move(e));
            }
        }
        return all;
    }
    static int CountKind(const std::vector<NetEvent>& events, NetEvent::Kind kind) {
        int n = 0;
        for (const NetEvent& e : events) n += e.kind == kind;
        return n;
    }
    NetLoop loop_;
    int listener_ = -1;
    int port_ = 0;
};

TEST_F(NetLoopTest, ListensOnAPortOfItsOwnAndExchangesFramesBothWays) {
    Client c(port_);
    ASSERT_TRUE(c.Connected());
    std::vector<NetEvent> events = PollFor(NetEvent::kAccepted, 1);
    ASSERT_EQ(1, CountKind(events, NetEvent::kAccepted));
    int id = events[0].connection;
    EXPECT_EQ(listener_, events[0].listener);

    std::string two = EncodeFrame("(scene rsg/agent/nao/nao.rsg)") + EncodeFrame("(syn)");
    c.Write(two.substr(0, 3));
    EXPECT_EQ(0, CountKind(PollFor(NetEvent::kFrame, 1, 100), NetEvent::kFrame));
    c.Write(two.substr(3));
    events = PollFor(NetEvent::kFrame, 2);
    ASSERT_EQ(2, CountKind(events, NetEvent::kFrame));
    EXPECT_EQ("(scene rsg/agent/nao/nao.rsg)", events[0].payload);
    EXPECT_EQ("(syn)", events[1].payload);
    EXPECT_EQ(id, events[1].connection);

    ASSERT_TRUE(loop_.Send(id, "(time (now 0.02))"));
    std::string payload;
    ASSERT_TRUE(c.ReadFrame(payload));
    EXPECT_EQ("(time (now 0.02))", payload);
}

TEST_F(NetLoopTest, AnOversizeFrameDropsOnlyThatClient) {
    Client good(port_), bad(port_);
    std::vector<NetEvent> events = PollFor(NetEvent::kAccepted, 2);
    ASSERT_EQ(2, CountKind(events, NetEvent::kAccepted));
    int goodId = events[0].connection, badId = events[1].connection;

    bad.Write(EncodeFrame(std::string(kMaxClientFrame + 1, 'x')).substr(0, 4));
    events = PollFor(NetEvent::kClosed, 1);
    ASSERT_EQ(1, CountKind(events, NetEvent::kClosed));
    EXPECT_EQ(badId, events.back().connection);
    EXPECT_EQ("frame longer than 64 KiB", events.back().payload);
    EXPECT_TRUE(bad.SeesEnd());

    EXPECT_TRUE(loop_.IsOpen(goodId));
    good.Write(EncodeFrame("(syn)"));
    events = PollFor(NetEvent::kFrame, 1);
    ASSERT_EQ(1, CountKind(events, NetEvent::kFrame));
    EXPECT_EQ(goodId, events[0].connection);
}

TEST_F(NetLoopTest, DisconnectMidFrameIsReportedAsSuch) {
    Client c(port_);
    PollFor(NetEvent::kAccepted, 1);
    c.Write(EncodeFrame("(he1 1.0)").substr(0, 7));
    PollFor(NetEvent::kFrame, 1, 100);
    c.Close();
    std::vector<NetEvent> events = PollFor(NetEvent::kClosed, 1);
    ASSERT_EQ(1, CountKind(events, NetEvent::kClosed));
    EXPECT_EQ("disconnected mid-frame", events.back().payload);
    EXPECT_EQ(0u, loop_.ConnectionCount());
}

TEST_F(NetLoopTest, AClientThatStopsReadingIsDroppedWithoutBlockingTheLoop) {
    Client reader(port_), sleeper(port_);
    std::vector<NetEvent> events = PollFor(NetEvent::kAccepted, 2);
    int readerId = events[0].connection, sleeperId = events[1].connection;
    std::string perception(4000, 'p');
    bool dropped = false;
    // Far more than the kernel buffers plus the allowed backlog.
    for (int cycle = 0; cycle < 2000 && !dropped; ++cycle) {
        ASSERT_TRUE(loop_.Send(readerId, perception));
        dropped = !loop_.Send(sleeperId, perception);
        std::string payload;
        ASSERT_TRUE(reader.ReadFrame(payload));
        ASSERT_EQ(perception.size(), payload.size());
    }
    EXPECT_TRUE(dropped);
    events = PollFor(NetEvent::kClosed, 1);
    ASSERT_EQ(1, CountKind(events, NetEvent::kClosed));
    EXPECT_EQ("not reading its messages", events.back().payload);
    EXPECT_TRUE(loop_.IsOpen(readerId));
}

TEST_F(NetLoopTest, HundredConnectDisconnectCyclesLeaveNothingBehind) {
    for (int i = 0; i < 100; ++i) {
        Client c(port_);
        ASSERT_TRUE(c.Connected());
        if (i % 2) c.Write(EncodeFrame("(scene rsg/agent/nao/nao.rsg)").substr(0, 9));
        c.Close();
        std::vector<NetEvent> events = PollFor(NetEvent::kClosed, 1);
        ASSERT_EQ(1, CountKind(events, NetEvent::kAccepted)) << "cycle " << i;
        ASSERT_EQ(1, CountKind(events, NetEvent::kClosed)) << "cycle " << i;
    }
    EXPECT_EQ(0u, loop_.ConnectionCount());
    Client last(port_);
    EXPECT_EQ(1, CountKind(PollFor(NetEvent::kAccepted, 1), NetEvent::kAccepted));
}

}  // namespace
