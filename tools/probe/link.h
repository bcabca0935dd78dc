#ifndef TOOLS_PROBE_LINK_H
#define TOOLS_PROBE_LINK_H

// The probes' connections to pitchsim:
//   FramedLink  one length-prefixed TCP connection to 127.0.0.1
//   PitchLink   a probe's pair of them, to the agent port and the trainer port: connecting,
//               joining on the beat of the vision, perceptions, replies and trainer commands

#include <string>
#include <utility>

namespace probe {

class FramedLink {
  public:
    ~FramedLink() { Close(); }

    void Close();
    bool Connect(int port);
    bool Send(const std::string& text);
    bool Receive(std::string& text);

  private:
    bool WriteAll(const char* data, size_t size);
    bool ReadAll(char* data, size_t size);

    int fd_ = -1;
};

// One robot's connection to the agent port and the trainer's to the trainer port. `probe`
// names the program in what it writes to stderr.
class PitchLink {
  public:
    explicit PitchLink(std::string probe) : probe_(std::move(probe)) {}

    // A simulator started just before the probe may not listen yet: tried for 5 s.
    bool Connect(int port, int trainerPort);

    // Waits until just after a cycle whose number is 1 modulo 3 and lays the ball at rest on
    // the centre spot. Vision comes every third cycle of the server's clock, and until a robot
    // is announced the server keeps its own pace: a robot sent in now is seated within a few
    // cycles in the same world, however long the server ran before (Robot::Join then idles
    // until it is on the beat).
    void WaitForBeat();

    // The next perception; false, said on stderr, when the server closed the connection.
    bool Receive(std::string& msg);
    void Send(const std::string& text) { agent_.Send(text); }
    // The answer to this cycle's perception; its (syn) lets a synced server go on.
    void Reply(const std::string& text) { agent_.Send(text + "(syn)"); }

    // The trainer's reply to `command`, "(no reply)" when there is none.
    std::string Trainer(const std::string& command);

  private:
    std::string probe_;
    FramedLink agent_;
    FramedLink trainer_;
};

}  // namespace probe

#endif
