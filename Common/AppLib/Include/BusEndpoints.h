#pragma once

#include <string>

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
// "tcp://" + address + ":" + port, cut to 31 characters.
std::string Tcp(const char* pAddress, unsigned uPort);

// CZMQ installs its own SIGINT/SIGTERM handlers and tears its context down at
// exit. Call this before the first socket and before registering any exit
// hook that destroys sockets: ours then run before CZMQ's shutdown.
void InitRuntime();

} // namespace BusEndpoints
