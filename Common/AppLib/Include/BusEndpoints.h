#pragma once

#include <string>

// The bus library's own name for its socket, declared as its header does.
typedef struct _zsock_t zsock_t; // NOLINT(bugprone-reserved-identifier)

// Where the unit's bus lives. The built-in values are the unit's own; the
// environment overrides them so that development runs and tests stay on a
// temporary directory and on loopback:
//   BRISVEL_MQ_DIR        replaces the IPC directory "/run/shm/mq"
//   BRISVEL_DECODER_ADDR  replaces the decoder board's address
//   BRISVEL_UNIT_ADDR     replaces the unit's own address of the TCP forms
namespace BusEndpoints {

inline constexpr const char* kDefaultMqDir = "/run/shm/mq";
// Fixed link-local addresses of the unit's internal network.
inline constexpr const char* kDefaultDecoderAddress = "169.254.20.2";
inline constexpr const char* kDefaultUnitAddress = "169.254.20.1";

// The IPC endpoint texts are limited to 126 characters, the TCP ones to 31.
inline constexpr std::size_t kIpcEndpointMax = 126;
inline constexpr std::size_t kTcpEndpointMax = 31;

const char* MqDir();
const char* DecoderAddress();
const char* UnitAddress();

// "ipc://" + dir + "/" + name, cut to 126 characters.
std::string Ipc(const char* pName);
// "ipc://" + dir + "//" + name: the slash-joined form some subscribers use;
// it names the same socket file. Cut to 126 characters.
std::string IpcJoined(const char* pName);
// True for an endpoint of the TCP form.
bool IsTcp(const char* pEndpoint);
// "tcp://" + address + ":" + port, cut to 31 characters.
std::string Tcp(const char* pAddress, unsigned uPort);

// An absent peer is tried again after 100 ms, then at doubling intervals up
// to a maximum. TCP: an idle app waiting for the decoder board stays asleep,
// and a peer that comes back is heard within two seconds (the maximum plus up
// to one first interval of jitter). Local peers: a missing socket file costs
// one failed call, but each try also wakes the bus library's thread; a local
// peer that starts is heard within 0.6 s, one that restarts at once sooner.
inline constexpr int kRetryMs = 100;
inline constexpr int kLocalRetryMaxMs = 500;
inline constexpr int kTcpRetryMaxMs = 1800;

// A TCP peer that goes silent without closing (power lost, cable pulled, a
// relay that stops forwarding) is noticed within 2.75 s and its link made
// again. A peer that speaks the bus protocol's heartbeats is asked for one
// every 1.25 s (an ask and its answer wake the bus library's thread twice)
// and cut when no byte at all has come 1.5 s after the ask; any
// inbound traffic counts as an answer, so a busy peer is never cut. Peers too
// old for heartbeats are never asked; under them the kernel's keepalive cuts
// a link whose far end no longer answers at all within about 2 s.
inline constexpr int kHeartbeatMs = 1250;
inline constexpr int kHeartbeatTimeoutMs = 1500;
// Asks the peer to drop us after this long without a word from us.
inline constexpr int kHeartbeatTtlMs = 3000;
inline constexpr int kKeepaliveIdleS = 1;
inline constexpr int kKeepaliveIntervalS = 1;
inline constexpr int kKeepaliveProbes = 1;

// Sets the retry intervals and, for TCP, the silent-peer checks for the
// endpoint on a socket, before its connect.
void SetLinkOptions(zsock_t* pSocket, const char* pEndpoint);

// CZMQ installs its own SIGINT/SIGTERM handlers and tears its context down at
// exit. Call this before the first socket and before registering any exit
// hook that destroys sockets: ours then run before CZMQ's shutdown.
void InitRuntime();

} // namespace BusEndpoints
