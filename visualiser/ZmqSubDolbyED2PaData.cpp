#include "visualiser/ZmqSubDolbyED2PaData.h"

#include "BusEndpoints.h"
#include "visualiser/DolbyED2Frames.h"

cZmqSubDolbyED2PaData::cZmqSubDolbyED2PaData(QObject* parent) : cZmqQtListenerBase(parent) {}

void cZmqSubDolbyED2PaData::SetupAndRun(const char* pAddress) {
    const std::string endpoint = BusEndpoints::Tcp(pAddress, DolbyED2Frames::kPort);
    SockInit(endpoint.c_str());
    SockSubscribe(DolbyED2Frames::kTopic);
    if (!connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                 &cZmqSubDolbyED2PaData::sltNewMessage)) {
        ZqtError("Unable to connect signalt to slot in ZmqSubDolbyED2PaData().\n");
        return;
    }
    StartPolling(100);
}

void cZmqSubDolbyED2PaData::sltNewMessage(zmsg_t* msg) {
    if (!msg)
        return;
    DolbyED2Frames::Decode(msg, &mStatus);
    emit sigDolbyED2PaData(&mStatus);
}
