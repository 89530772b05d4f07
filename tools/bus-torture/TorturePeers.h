#pragma once

#include <cstdint>
#include <string>

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
// Speaks the wire protocol by hand: a few whole messages, then one cut short
// (a first frame whose rest never comes, a frame shorter than its header
// says, or a frame header far above the bound), then the connection closes.
int Cut(const std::string& endpoint, eKind kind, std::uint64_t seed);

} // namespace TorturePeers
