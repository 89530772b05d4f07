#include "visualiser/ZmqSubDolbyED2PaData.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "visualiser/DolbyED2Frames.h"

cZmqSubDolbyED2PaData::cZmqSubDolbyED2PaData(QObject* parent) : cZmqQtListenerBase(parent) {
    KeepNewestOnly("ED2");
}

void cZmqSubDolbyED2PaData::SetupAndRun(const char* pAddress) {
    OpenSubscribed(BusEndpoints::Tcp(pAddress, DolbyED2Frames::kPort).c_str(),
                   {DolbyED2Frames::kTopic}, DolbyED2Frames::kMaxFrameBytes);
    PollIfConnected(bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                 &cZmqSubDolbyED2PaData::sltNewMessage)),
                    100, "Unable to connect signalt to slot in ZmqSubDolbyED2PaData().\n");
}

void cZmqSubDolbyED2PaData::sltNewMessage(zmsg_t* msg) {
    if (!msg)
        return;
    DolbyED2Frames::Decode(msg, &mStatus);
    emit sigDolbyED2PaData(&mStatus);
}
