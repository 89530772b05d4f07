#include "Common/AppLib/Include/BusEndpoints.h"

#include <czmq.h>

#include <cstdlib>
#include <cstring>

namespace BusEndpoints {
namespace {

const char* FromEnv(const char* pVariable, const char* pDefault) {
    const char* pValue = std::getenv(pVariable);
    return (pValue && *pValue) ? pValue : pDefault;
}

std::string Cut(std::string text, std::size_t max) {
    if (text.size() > max)
        text.resize(max);
    return text;
}

} // namespace

const char* MqDir() {
    return FromEnv("BRISVEL_MQ_DIR", kDefaultMqDir);
}
const char* DecoderAddress() {
    return FromEnv("BRISVEL_DECODER_ADDR", kDefaultDecoderAddress);
}
const char* UnitAddress() {
    return FromEnv("BRISVEL_UNIT_ADDR", kDefaultUnitAddress);
}

std::string Ipc(const char* pName) {
    return Cut(std::string("ipc://") + MqDir() + "/" + (pName ? pName : ""), kIpcEndpointMax);
}

std::string IpcJoined(const char* pName) {
    return Cut(std::string("ipc://") + MqDir() + "//" + (pName ? pName : ""), kIpcEndpointMax);
}

std::string Tcp(const char* pAddress, unsigned uPort) {
    return Cut(std::string("tcp://") + (pAddress ? pAddress : "") + ":" + std::to_string(uPort),
               kTcpEndpointMax);
}

bool IsTcp(const char* pEndpoint) {
    return pEndpoint && std::strncmp(pEndpoint, "tcp://", 6) == 0;
}

void SetLinkOptions(zsock_t* pSocket, const char* pEndpoint) {
    zsock_set_reconnect_ivl(pSocket, kRetryMs);
    if (!IsTcp(pEndpoint)) {
        zsock_set_reconnect_ivl_max(pSocket, kLocalRetryMaxMs);
        return;
    }
    zsock_set_reconnect_ivl_max(pSocket, kTcpRetryMaxMs);
    zsock_set_heartbeat_ivl(pSocket, kHeartbeatMs);
    zsock_set_heartbeat_timeout(pSocket, kHeartbeatTimeoutMs);
    zsock_set_heartbeat_ttl(pSocket, kHeartbeatTtlMs);
    zsock_set_tcp_keepalive(pSocket, 1);
    zsock_set_tcp_keepalive_idle(pSocket, kKeepaliveIdleS);
    zsock_set_tcp_keepalive_intvl(pSocket, kKeepaliveIntervalS);
    zsock_set_tcp_keepalive_cnt(pSocket, kKeepaliveProbes);
}

void InitRuntime() {
    static bool done = false;
    if (done)
        return;
    done = true;
    zsys_handler_set(nullptr);
    zsys_init();
}

} // namespace BusEndpoints
