#pragma once

#include <cstdint>
#include <string>

typedef struct _zsock_t zsock_t; // NOLINT(bugprone-reserved-identifier)

// The publishers of the bus torture, each run as a process of its own so
// that it can exit or be killed in the middle of what it sends. Each binds
// the endpoint, prints "ready" once a subscriber has joined (or after a few
// seconds without one), and returns the process's exit status.
namespace TorturePeers {

// What a target's messages look like.
enum class eKind { kPeer, kMonitor, kEd2 };

// COUNT messages, a seeded mix of good-shaped ones and faults (text that is
// not JSON, topics that only begin like a subscribed one, empty topics,
// topic-only messages, extra frames); with OVERSIZE_AT >= 0 a frame above
// every stream's bound goes out at that place.
int Burst(const std::string& endpoint, eKind kind, long count, std::uint64_t seed, long oversizeAt);
// The round's good message, again and again until killed.
int Good(const std::string& endpoint, eKind kind, std::uint32_t round);
// Takes every connection and drops it at once, for SECONDS.
int Drop(const std::string& endpoint, int seconds);
// One message of a million frames: the topic, then one-byte frames, each
// sent as a part of the message; the socket lingers until all has gone.
int Bomb(const std::string& endpoint, eKind kind);
// Speaks the wire protocol by hand: a first frame, then frames that each say
// more follows, at a bounded pace, for MS milliseconds; then the connection
// closes without the message ever ending.
int Endless(const std::string& endpoint, eKind kind, std::uint64_t seed, int ms);
// Sends COUNT burst messages on a socket of the caller's.
void SendBurst(zsock_t* pSocket, eKind kind, long count, std::uint64_t seed);

// Speaks the wire protocol by hand: a few whole messages, then one cut short
// (a first frame whose rest never comes, a frame shorter than its header
// says, or a frame header far above the bound), then the connection closes.
int Cut(const std::string& endpoint, eKind kind, std::uint64_t seed);

} // namespace TorturePeers
