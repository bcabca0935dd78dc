// Framing against a real socket peer: gSocket is one end of a socket pair.

#include "net/framing.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/scripted_peer.h"

namespace {

class FramingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(0, socketpair(AF_UNIX, SOCK_STREAM, 0, fds_));
        gSocket.Close();
        gSocket.s = fds_[0];
        gLinkState = LINK_OPEN;
    }
    void TearDown() override {
        gSocket.Close();
        if (fds_[1] >= 0) close(fds_[1]);
    }
    void Write(const std::string& bytes) {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), write(fds_[1], bytes.data(), bytes.size()));
    }
    int fds_[2] = {-1, -1};
};

// Messages in pieces or back to back stay apart; a payload ends at its first zero byte.
TEST_F(FramingTest, AssemblesMessagesArrivingInPiecesUpToTheLargest) {
    std::string largest(16380, 'x');
    largest.front() = '(';
    const std::vector<std::string> sent = {"(time (now 1.50))(GS (t 0.00) (pm BeforeKickOff))",
                                           "(time (now 1.52))", largest, "",
                                           std::string("(a)\0(b)", 7)};
    std::string framed = ScriptedPeer::Frame(sent[0]);
    std::vector<std::string> pieces = {framed.substr(0, 1), framed.substr(1, 3)};
    for (size_t i = 4; i < framed.size(); i += 7) pieces.push_back(framed.substr(i, 7));
    for (size_t i = 1; i < sent.size(); ++i) pieces.push_back(ScriptedPeer::Frame(sent[i]));
    std::thread writer([this, pieces] {
        for (const std::string& p : pieces) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_EQ(static_cast<ssize_t>(p.size()), write(fds_[1], p.data(), p.size()));
        }
    });
    for (const std::string& payload : sent) {
        std::string msg = "stale";
        EXPECT_TRUE(GetMessage(msg));
        EXPECT_EQ(payload.substr(0, payload.find('\0')), msg);
    }
    writer.join();
}

TEST_F(FramingTest, PeerClosingMidHeaderOrMidPayloadEndsTheLinkInOrder) {
    for (size_t cut : {2, 10}) {
        SetUp();
        Write(ScriptedPeer::Frame("(time (now 1.00))").substr(0, cut));
        close(fds_[1]);
        fds_[1] = -1;
        std::string msg = "kept";
        EXPECT_FALSE(GetMessage(msg)) << cut;
        EXPECT_EQ(LINK_CLOSED, gLinkState) << cut;
        EXPECT_EQ("kept", msg) << cut;
    }
}

TEST_F(FramingTest, SendsOneFramedBlockAndNothingForAnEmptyReply) {
    PutMessage("");
    PutMessage("(he1 0)");
    char buf[64];
    const ssize_t n = read(fds_[1], buf, sizeof(buf));
    ASSERT_EQ(11, n);
    EXPECT_EQ(ScriptedPeer::Frame("(he1 0)"), std::string(buf, n));
}

TEST_F(FramingTest, SendsAMessageLargerThanTheSocketTakesAtOnceWhole) {
    int small = 4096;
    ASSERT_EQ(0, setsockopt(fds_[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof(small)));
    std::string big(300000, ' ');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
    std::string received;
    std::thread reader([&] {
        char buf[1000];
        while (received.size() < big.size() + 4) {
            ssize_t n = read(fds_[1], buf, sizeof(buf));
            if (n <= 0) return;
            received.append(buf, n);
        }
    });
    PutMessage(big);
    reader.join();
    EXPECT_EQ(LINK_OPEN, gLinkState);
    EXPECT_TRUE(received == ScriptedPeer::Frame(big));
}

// A send on an ended link never raises SIGPIPE: a socket error marks the link, a peer that closed
// shows at the next receive, after what it sent before.
TEST_F(FramingTest, FailedSendMarksTheLink) {
    for (const bool pipeInstead : {false, true}) {  // the peer closed, or not a socket at all
        SCOPED_TRACE(pipeInstead ? "not a socket" : "peer closed");
        SetUp();
        int pipeFds[2] = {-1, -1};
        if (pipeInstead) {
            ASSERT_EQ(0, pipe(pipeFds));
            gSocket.Close();
            gSocket.s = pipeFds[1];
        }
        close(fds_[1]);
        fds_[1] = -1;
        gLinkErrno = 0;
        PutMessage("(he1 0)(syn)");
        // A closed peer is told by the receiving side, after what it sent before.
        EXPECT_EQ(pipeInstead ? LINK_BROKEN : LINK_OPEN, gLinkState);
        EXPECT_EQ(pipeInstead ? ENOTSOCK : 0, gLinkErrno);
        std::string msg;
        if (!pipeInstead) {
            EXPECT_FALSE(GetMessage(msg));
            EXPECT_EQ(LINK_CLOSED, gLinkState);
        }
        if (pipeFds[0] >= 0) close(pipeFds[0]);
        gSocket.Close();
    }
}

using FramingDeathTest = FramingTest;

TEST_F(FramingDeathTest, AbortsOnAnAnnouncedLengthBeyondTheBuffer) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (uint32_t length : {16381u, 0xffffffffu}) {
        uint32_t net = htonl(length);
        Write(std::string(reinterpret_cast<const char*>(&net), 4));
        std::string msg;
        EXPECT_DEATH(GetMessage(msg), "message too long; aborting") << length;
    }
}

}  // namespace
