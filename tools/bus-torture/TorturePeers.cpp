#include "tools/bus-torture/TorturePeers.h"

#include "visualiser/DolbyED2Frames.h"

#include <czmq.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace TorturePeers {
namespace {

// Above every stream's bound (the largest is 64 KiB).
constexpr std::size_t kOversizeBytes = 1024 * 1024;
constexpr long kBombFrames = 1000000;
// An endless message's pace: enough to show what it costs a subscriber that
// keeps every frame, little enough for a shared machine to survive that.
constexpr std::size_t kEndlessBytesPerSecond = 4 * 1024 * 1024;
constexpr long kEndlessFramesPerSecond = 200000;

void Ready() {
    std::printf("ready\n");
    std::fflush(stdout);
}

// An XPUB that says when a subscriber has joined, so a burst is not sent
// into the void; the linger lets a normal exit flush a little, not all.
zsock_t* BindPublisher(const std::string& endpoint, int lingerMs = 200) {
    zsock_t* pSocket = zsock_new(ZMQ_XPUB);
    zsock_set_sndhwm(pSocket, 0);
    zsock_set_linger(pSocket, lingerMs);
    zsock_set_rcvtimeo(pSocket, 5000);
    // A port still held by the last round's socket is tried again.
    for (int attempt = 0; zsock_bind(pSocket, "%s", endpoint.c_str()) < 0; ++attempt) {
        if (attempt == 100) {
            std::fprintf(stderr, "bus-torture: cannot bind %s\n", endpoint.c_str());
            zsock_destroy(&pSocket);
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Bound, not yet heard: a board that waits behind a relay.
    std::printf("bound\n");
    std::fflush(stdout);
    zframe_t* pSubscription = zframe_recv(pSocket);
    zframe_destroy(&pSubscription);
    Ready();
    return pSocket;
}

zmsg_t* Frames(std::initializer_list<std::string> frames) {
    zmsg_t* pMessage = zmsg_new();
    for (const std::string& frame : frames)
        zmsg_addmem(pMessage, frame.data(), frame.size());
    return pMessage;
}

zmsg_t* Ed2Event(std::uint32_t uMark) {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    status.presentations[0].num_objects = 1;
    status.presentations[0].opaque_a = uMark;
    return DolbyED2Frames::Encode(status);
}

const char* Topic(eKind kind) {
    switch (kind) {
    case eKind::kPeer:
        return "FpSetDolbyVisualView";
    case eKind::kMonitor:
        return "SiSystemUpdate";
    case eKind::kEd2:
        break;
    }
    return DolbyED2Frames::kTopic;
}

// One message of a burst: most are shaped like the stream's own, the rest
// each one kind of fault.
zmsg_t* BurstMessage(eKind kind, std::mt19937_64& random) {
    const std::string topic = Topic(kind);
    switch (random() % 8) {
    case 0:
        return Frames({topic, "not json {"});
    case 1:
        return Frames({topic + "X", "{}"});
    case 2:
        return Frames({"", "{}"});
    case 3:
        return Frames({topic});
    case 4:
        return Frames({topic, "{}", "extra"});
    default:
        break;
    }
    switch (kind) {
    case eKind::kPeer:
        return Frames({"Switch", R"({"Show": true, "AppName": "Other"})"});
    case eKind::kMonitor:
        return Frames({"HbAppCmd", R"({"Command": 9})"});
    case eKind::kEd2:
        break;
    }
    // Short events are shown as far as they go; whole ones are marked as
    // no round's.
    return random() % 2 ? Frames({topic, "\1\0\0\0"}) : Ed2Event(0xFFFFFFFFu);
}

zmsg_t* GoodMessage(eKind kind, std::uint32_t round) {
    const std::string text = "Round " + std::to_string(round);
    switch (kind) {
    case eKind::kPeer:
        return Frames({Topic(kind), R"({"VisualiserView": ")" + text + "\"}"});
    case eKind::kMonitor:
        return Frames({Topic(kind), R"({"Message": ")" + text + R"(", "AvailablePackages": []})"});
    case eKind::kEd2:
        break;
    }
    return Ed2Event(round);
}

// A listening stream socket on the endpoint's unix path or loopback port.
int Listen(const std::string& endpoint) {
    int fd = -1;
    if (endpoint.rfind("ipc://", 0) == 0) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", endpoint.c_str() + 6);
        unlink(address.sun_path);
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return -1;
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port =
            htons(std::uint16_t(std::stoi(endpoint.substr(endpoint.rfind(':') + 1))));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        fd = socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        for (int attempt = 0; bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
             ++attempt) {
            if (attempt == 100)
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    listen(fd, 16);
    const timeval wait{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    return fd;
}

bool Write(int fd, const std::string& bytes) {
    return send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

bool ReadExactly(int fd, std::size_t size) {
    std::vector<char> buffer(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = recv(fd, buffer.data() + got, size - got, 0);
        if (n <= 0)
            return false;
        got += std::size_t(n);
    }
    return true;
}

std::string ShortFrame(const std::string& body, bool bMore) {
    return std::string(1, char(bMore ? 0x01 : 0x00)) + char(body.size()) + body;
}

// The first link to come within five seconds (the subscriber may be backing
// off), or -1; the listening socket is closed either way.
// Listens on the endpoint, says it is ready and takes the subscriber's link:
// its descriptor, or kNoListener, or kNoLink when nobody came.
constexpr int kNoListener = -1;
constexpr int kNoLink = -2;
int TakeLink(const std::string& endpoint) {
    const int fd = Listen(endpoint);
    if (fd < 0)
        return kNoListener;
    Ready();
    int link = -1;
    for (int attempt = 0; link < 0 && attempt < 5; ++attempt)
        link = accept(fd, nullptr, nullptr);
    close(fd);
    return link < 0 ? kNoLink : link;
}

// Greeting (signature, version 3.0, the NULL mechanism, not as server) and
// READY as a publisher; false when the subscriber's side is not heard.
bool Greet(int link) {
    std::string greeting(64, '\0');
    greeting[0] = char(0xFF);
    greeting[9] = 0x7F;
    greeting[10] = 3;
    std::memcpy(&greeting[12], "NULL", 4);
    const std::string ready =
        std::string("\5READY\13Socket-Type") + std::string("\0\0\0\3", 4) + "PUB";
    return Write(link, greeting) && ReadExactly(link, 64) &&
           Write(link, std::string(1, 0x04) + char(ready.size()) + ready);
}

} // namespace

void SendBurst(zsock_t* pSocket, eKind kind, long count, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    for (long i = 0; i < count; ++i) {
        zmsg_t* pMessage = BurstMessage(kind, random);
        zmsg_send(&pMessage, pSocket);
    }
}

int Bomb(const std::string& endpoint, eKind kind) {
    // Lingers until the whole message has gone: a bomb cut short by the exit
    // would be a cut message, which is another fault.
    zsock_t* pSocket = BindPublisher(endpoint, 60000);
    if (!pSocket)
        return 1;
    void* pRaw = zsock_resolve(pSocket);
    const std::string topic = Topic(kind);
    zmq_send(pRaw, topic.data(), topic.size(), ZMQ_SNDMORE);
    for (long i = 1; i < kBombFrames; ++i)
        zmq_send(pRaw, "b", 1, i + 1 < kBombFrames ? ZMQ_SNDMORE : 0);
    zsock_destroy(&pSocket);
    return 0;
}

int Endless(const std::string& endpoint, eKind kind, std::uint64_t seed, int ms) {
    const int link = TakeLink(endpoint);
    if (link < 0)
        return link == kNoListener ? 1 : 0;
    // A subscriber that stops reading, or drops the link, ends it early.
    const timeval wait{0, 200000};
    setsockopt(link, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
    std::mt19937_64 random(seed);
    // One-byte frames cost a keeper the most per byte; longer ones, per frame.
    const bool bTiny = random() % 2;
    std::string batch;
    long batchFrames = 0;
    while (batch.size() < 16384) {
        batch += ShortFrame(std::string(bTiny ? 1 : 1 + random() % 255, 'e'), true);
        ++batchFrames;
    }
    bool bOk = Greet(link) && Write(link, ShortFrame(Topic(kind), true));
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::milliseconds(ms);
    long frames = 0;
    std::size_t bytes = 0;
    while (bOk && std::chrono::steady_clock::now() < end) {
        bOk = Write(link, batch);
        frames += batchFrames;
        bytes += batch.size();
        // Paced: no faster than either bound allows.
        const double due = std::max(double(bytes) / double(kEndlessBytesPerSecond),
                                    double(frames) / double(kEndlessFramesPerSecond));
        std::this_thread::sleep_until(start + std::chrono::microseconds(long(due * 1e6)));
    }
    close(link);
    std::printf("sent %ld frames, %zu bytes\n", frames, bytes);
    return 0;
}

int Burst(const std::string& endpoint, eKind kind, long count, std::uint64_t seed,
          long oversizeAt) {
    zsock_t* pSocket = BindPublisher(endpoint);
    if (!pSocket)
        return 1;
    std::mt19937_64 random(seed);
    for (long i = 0; i < count; ++i) {
        if (i == oversizeAt) {
            zmsg_t* pBig = zmsg_new();
            zmsg_addstr(pBig, Topic(kind));
            zframe_t* pFrame = zframe_new(nullptr, kOversizeBytes);
            zmsg_append(pBig, &pFrame);
            zmsg_send(&pBig, pSocket);
        }
        zmsg_t* pMessage = BurstMessage(kind, random);
        zmsg_send(&pMessage, pSocket);
    }
    zsock_destroy(&pSocket);
    return 0;
}

int Good(const std::string& endpoint, eKind kind, std::uint32_t round) {
    zsock_t* pSocket = BindPublisher(endpoint);
    if (!pSocket)
        return 1;
    for (int i = 0; i < 600; ++i) { // half a minute at most
        zmsg_t* pMessage = GoodMessage(kind, round);
        zmsg_send(&pMessage, pSocket);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    zsock_destroy(&pSocket);
    return 0;
}

int Drop(const std::string& endpoint, int seconds) {
    const int fd = Listen(endpoint);
    if (fd < 0)
        return 1;
    Ready();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    long dropped = 0;
    while (std::chrono::steady_clock::now() < end) {
        const int link = accept(fd, nullptr, nullptr);
        if (link >= 0) {
            close(link);
            ++dropped;
        }
    }
    close(fd);
    std::printf("dropped %ld\n", dropped);
    return 0;
}

int Cut(const std::string& endpoint, eKind kind, std::uint64_t seed) {
    const int link = TakeLink(endpoint);
    if (link < 0)
        return link == kNoListener ? 1 : 0;
    std::mt19937_64 random(seed);
    bool bOk = Greet(link);
    const std::string topic = Topic(kind);
    for (int i = 0; bOk && i < int(random() % 5); ++i)
        bOk = Write(link, ShortFrame(topic, true) + ShortFrame("{}", false));
    if (bOk) {
        switch (random() % 3) {
        case 0: // the first frame, and nothing after it
            Write(link, ShortFrame(topic, true));
            break;
        case 1: // a frame shorter than its header says
            Write(link, std::string(1, 0x01) + char(topic.size()) + topic.substr(0, 3));
            break;
        default: // a long frame of 8 GiB, announced and never sent
            Write(link, ShortFrame(topic, true) + std::string("\2\0\0\0\2\0\0\0\0", 9) + "{");
            break;
        }
    }
    close(link);
    return 0;
}

} // namespace TorturePeers
