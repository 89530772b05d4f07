#include "bus/ZmqQtPublisher.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <cassert>
#include <cstdlib>
#include <string>

cZmqQtPublisher::cZmqQtPublisher(QObject* parent) : QObject(parent) {}

cZmqQtPublisher::~cZmqQtPublisher() {
    if (mpSocket)
        zsock_destroy(&mpSocket);
}

void cZmqQtPublisher::InitSocket(const char* pName) {
    Bind(BusEndpoints::Ipc(pName).c_str());
}

void cZmqQtPublisher::InitSocket(const char* pAddress, const char* pPort) {
    std::string endpoint =
        std::string("tcp://") + (pAddress ? pAddress : "0.0.0.0") + ":" + (pPort ? pPort : "");
    if (endpoint.size() > BusEndpoints::kTcpEndpointMax)
        endpoint.resize(BusEndpoints::kTcpEndpointMax);
    Bind(endpoint.c_str());
}

void cZmqQtPublisher::Bind(const char* pEndpoint) {
    if (mpSocket)
        zsock_destroy(&mpSocket);
    BusEndpoints::InitRuntime();
    zsock_t* pPubSock = zsock_new(ZMQ_PUB);
    if (!pPubSock) {
        std::fprintf(stderr, "%sAssertion failed: __null != pPubSock\n",
                     ConsolePriority(stderr, kPriorityCritical));
        std::abort();
    }
    // A PUB socket drops what its subscribers cannot take, so a send never
    // waits; the timeout guards the rare case where it would.
    zsock_set_sndtimeo(pPubSock, 0);
    if (zsock_bind(pPubSock, "%s", pEndpoint) < 0)
        KeldError("Failed to bind socket in ZmqQtPublisher.");
    mpSocket = pPubSock;
}

void cZmqQtPublisher::sltZmqPublish(const char* pTopic, const char* pJson) {
    if (!mpSocket)
        return;
    const int topicResult = zstr_sendm(mpSocket, pTopic ? pTopic : "");
    const int jsonResult = zstr_send(mpSocket, pJson ? pJson : "");
    if (topicResult != 0 || jsonResult != 0)
        KeldError("sending %s with message \n%s\n", pTopic ? pTopic : "", pJson ? pJson : "");
}
