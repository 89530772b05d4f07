#include "visualiser/ZmqSubDolbyED2PaData.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "visualiser/DolbyED2Frames.h"

namespace {

// What keeps an event from being shown, for the newest-only gate.
enum eFault { kShown, kWrongTopic, kWrongFrameCount };

int Check(zmsg_t* pMessage) {
    zframe_t* pTopic = zmsg_first(pMessage);
    if (!pTopic || !zframe_streq(pTopic, DolbyED2Frames::kTopic))
        return kWrongTopic;
    return zmsg_size(pMessage) == DolbyED2Frames::kEventFrames ? kShown : kWrongFrameCount;
}

} // namespace

cZmqSubDolbyED2PaData::cZmqSubDolbyED2PaData(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics({{DolbyED2Frames::kTopic, {}}}, {}, eStages::kOne);
    // Bad events have no console line of their own.
    KeepNewestOnly("ED2", &Check, [](zmsg_t*) {});
    SetMessageBounds(DolbyED2Frames::kEventFrames, DolbyED2Frames::kMaxEventBytes);
    // An event is thousands of frames of a few bytes.
    ReadTcpRaw();
}

void cZmqSubDolbyED2PaData::SetupAndRun(const char* pAddress) {
    Start(BusEndpoints::Tcp(pAddress, DolbyED2Frames::kPort), DolbyED2Frames::kMaxFrameBytes,
          kPollMs, "Unable to connect signalt to slot in ZmqSubDolbyED2PaData().");
}

void cZmqSubDolbyED2PaData::sltNewMessage(zmsg_t* msg) {
    if (!msg)
        return;
    if (const std::vector<sFrameSlot>* pFrames = KnownFrames(msg))
        DolbyED2Frames::Decode(pFrames->data(), pFrames->size(), &mStatus);
    else
        DolbyED2Frames::Decode(msg, &mStatus);
    emit sigDolbyED2PaData(&mStatus);
}
