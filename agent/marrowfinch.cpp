// Process entry of the agent: options, connection, and the per-cycle loop that turns each
// perception message into one command message.

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <utility>

#include "agent/blockcache.h"
#include "behavior/naobehavior.h"
#include "body/player.h"
#include "net/framing.h"
#include "net/mytime.h"
#include "perception/msgparse.h"
#include "world/data.h"
#include "world/worldmodel.h"

// Every operator new of the process takes its small blocks from here (blockcache.h). Constant
// initialised: ready before the first static object allocates.
static BlockCache gBlocks;

void* operator new(std::size_t bytes) {
    if (void* block = gBlocks.Allocate(bytes)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t bytes) {
    return operator new(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return gBlocks.Allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return gBlocks.Allocate(bytes);
}
void operator delete(void* block) noexcept {
    gBlocks.Free(block);
}
void operator delete[](void* block) noexcept {
    gBlocks.Free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    gBlocks.Free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    gBlocks.Free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    gBlocks.Free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    gBlocks.Free(block);
}

static std::string gHost = "127.0.0.1";
static int gPort = 3100;
static std::string unum = "0";
static MyTime mytime;
static volatile sig_atomic_t gLoop = true;
// The behaviour lives, on the heap, for the rest of the process once the run has begun.
static NaoBehavior* gBehavior = nullptr;
// Closes every reply: a server in sync mode starts the next cycle once every agent has sent it
// (and ignores it otherwise), so a cycle in which the behaviour has nothing to say is answered
// too.
static const char kSyncMark[] = "(syn)";

static void handler(int signal) {
    if (signal == SIGINT) gLoop = false;
}

static void PrintGreeting() {
    std::cout << "velorunner, a spark Version3.0 agent\n";
}

static void PrintHelp() {
    std::cout << "\nusage: velorunner [options]" << std::endl;
    std::cout << "\noptions:" << std::endl;
    std::cout << " --help      prints this message." << std::endl;
    std::cout << " --host=IP   IP of the server." << std::endl;
    std::cout << " --gPort=IP   Port of the server." << std::endl;
    std::cout << " --unum=num   player num." << std::endl;
    std::cout << "\n";
    std::cout << " --team=NAME  team name: 1 to 20 letters, digits, _ or - (default Marrowfinch)."
              << std::endl;
    std::cout << " --key=KEY    key of the team's spoken messages: 3 letters (default k4q)."
              << std::endl;
}

// The value of an option starts at index 7; index 6 (normally '=') is skipped whatever it is.
// An option with nothing after index 6 prints the help and ends the process.
static std::string OptionValue(const std::string& arg) {
    if (arg.size() < 8) {
        PrintHelp();
        std::exit(0);
    }
    return arg.substr(7);
}

// A team name goes into the init message and is compared with the team of every robot seen.
static bool IsTeamName(const std::string& name) {
    if (name.empty() || name.size() > 20) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') return false;
    return true;
}

// The key starts every spoken message and is searched for in every heard one: it must be valid
// say text, must not be taken for the uniform number or position after it (letters only), and
// must not occur in the "hear" that starts the hearing group, where it would be found instead.
static bool IsHearKey(const std::string& key) {
    if (key.size() != 3) return false;
    for (char c : key)
        if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    return std::string("hear").find(key) == std::string::npos;
}

// One line on standard error and exit status 2 for an option value that breaks its rule.
static void ExitBadValue(const char* option, const char* rule) {
    std::cerr << "bad value for " << option << ": " << rule << std::endl;
    std::exit(2);
}

static void ReadOptions(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help") {
            PrintHelp();
            std::exit(0);
        } else if (arg.compare(0, 6, "--host") == 0) {
            gHost = OptionValue(arg);
        } else if (arg.compare(0, 6, "--unum") == 0) {
            unum = OptionValue(arg);
            DATA::Unum = unum;
        } else if (arg.compare(0, 6, "--port") == 0) {
            gPort = std::atoi(OptionValue(arg).c_str());
            std::cout << "gPort " << gPort << std::endl;
        } else if (arg.compare(0, 6, "--team") == 0) {
            std::string name = arg.size() > 7 ? arg.substr(7) : "";
            if (!IsTeamName(name))
                ExitBadValue("--team", "1 to 20 letters, digits, _ or - are needed");
            DATA::TeamName = name;
        } else if (arg.compare(0, 5, "--key") == 0) {
            std::string key = arg.size() > 6 ? arg.substr(6) : "";
            if (!IsHearKey(key))
                ExitBadValue("--key", "exactly 3 letters are needed, and not \"hea\" or \"ear\"");
            DATA::hearMsgKey = key;
        }
    }
}

static bool Init() {
    std::cout << "connecting to TCP " << gHost << ":" << gPort << "\n\n";
    // Only the low 16 bits of the port reach the address.
    gSocket.SetServerAddr(gHost, static_cast<short>(gPort & 0xFFFF));
    return gSocket.Connect();
}

static void Done() {
    gSocket.Close();
    std::cout << "closed connection to " << gHost << ":" << gPort << "\n";
}

static void Run() {
    gBehavior = new NaoBehavior(unum);
    Player player(unum);
    MsgParse msgParse;
    WorldModel worldModel;
    PutMessage(player.Init());

    std::string msg;
    std::string reply;
    DATA::SetPlayerLocation();
    // A send that finds the link closed or failed ends the run as a receive would.
    while (gLoop && gLinkState == LINK_OPEN) {
        if (!GetMessage(msg) && gLinkState != LINK_OPEN) break;
        msgParse.PareseMsg(msg, player, worldModel);
        player.DataAnalyse(worldModel);
        // The behaviour works on copies, made in this order.
        WorldModel worldCopy(worldModel);
        Player playerCopy(player);
        std::string msgCopy(msg);
        reply = gBehavior->Think(std::move(msgCopy), std::move(playerCopy), std::move(worldCopy));
        ++WorldModel::circleCount;
        PutMessage(reply + kSyncMark);
    }
}

// The server ending the link ends the run: one line on standard error, then the usual close.
static int ReportLinkEnd() {
    if (gLinkState == LINK_CLOSED) {
        std::cerr << "the server closed the connection" << std::endl;
        return 0;
    }
    if (gLinkState == LINK_BROKEN) {
        std::cerr << "the connection to the server failed: " << std::strerror(gLinkErrno)
                  << std::endl;
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    std::signal(SIGINT, handler);
    PrintGreeting();
    ReadOptions(argc, argv);
    if (!Init()) return 1;
    Run();
    int status = ReportLinkEnd();
    Done();
    return status;
}
