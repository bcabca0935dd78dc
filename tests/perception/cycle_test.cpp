// The agent binary parses every perception message of its cycle, whatever the message holds.

#include <gtest/gtest.h>

#include <string>

#include "support/scripted_peer.h"

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(PerceptionCycle, EachMessageIsParsedAndHostileOnesAreSurvived) {
    ScriptedPeer peer;
    ASSERT_TRUE(peer.Start({"--port=" + std::to_string(peer.Port()), "--unum=2"}));
    ASSERT_TRUE(peer.Accept());
    std::string scene;
    ASSERT_TRUE(peer.Receive(scene));

    const std::string unknownJoint =
        "(time (now 0.02))(GS (unum 2) (team left) (t 0.00) (pm BeforeKickOff))"
        "(HJ (n hj1) (ax 10))(HJ (n nosuchjoint) (ax 5))"
        "(See (F1L (pol 5 10 -8)) (B (pol 1 0 -30)))";
    peer.Send(unknownJoint);
    peer.Send(std::string(16000, '('));
    peer.Send(std::string(8000, ')') + "(See (F1L (pol 1 2");
    peer.Send(std::string("(time (now 1\0 2))(HJ (n a\0b) (ax 1))", 36) +
              "(GYR (rt nan inf 1e99))");
    peer.Send("(See (P (team) (id) (head (pol))) (B) (F1L) ())(hear k4q");
    peer.Send(unknownJoint);
    // The behaviour answers every message, the first with the init message.
    std::string reply;
    ASSERT_TRUE(peer.Receive(reply));
    EXPECT_EQ("(init (unum 2)(teamname Marrowfinch))", reply);
    for (int i = 2; i <= 6; ++i) EXPECT_TRUE(peer.Receive(reply)) << "reply " << i;
    peer.CloseConnection();
    ASSERT_TRUE(peer.Wait(5));
    ASSERT_TRUE(peer.Exited());
    EXPECT_EQ(0, peer.ExitStatus());
    const std::string err = peer.Stderr();
    // The link ends a message at its first NUL byte, so the joint after it is never read.
    EXPECT_EQ(2u, Count(err, "(NaoBehavior) unknown joint id!\n")) << err;
    EXPECT_NE(std::string::npos, err.find("the server closed the connection\n"));
}

}  // namespace
