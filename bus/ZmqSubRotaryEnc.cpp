#include "bus/ZmqSubRotaryEnc.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

namespace {

// The console lines of this subscriber's messages that cannot be handled.
const cZmqQtListenerBase::sDispatchLines kLines = {
    "Web message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
    "ZmqSubRotaryEnc received an unhandled topic: %s\n"};

} // namespace

cZmqSubRotaryEnc::~cZmqSubRotaryEnc() = default;

void cZmqSubRotaryEnc::SetupAndRun(const char* pName) {
    SetupParsers();
    SetupSocket(pName);
    MakeConnections();
}

void cZmqSubRotaryEnc::SetupParsers() {
    if (!mpParser)
        mpParser = std::make_unique<cJsonParseRotaryEncoder>();
}

void cZmqSubRotaryEnc::SetupSocket(const char* pName) {
    OpenSubscribed(BusEndpoints::Ipc(pName).c_str(),
                   {kRightBottomTopic, kLeftBottomTopic, kRightTopTopic}, kMaxMessageBytes);
}

void cZmqSubRotaryEnc::MakeConnections() {
    PollIfConnected(bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                 &cZmqSubRotaryEnc::sltNewMessage, Qt::UniqueConnection)),
                    kPollPeriodMs, "Sig/slot connection failure in ZmqSubRotaryEnc.");
}

void cZmqSubRotaryEnc::sltNewMessage(zmsg_t* pMessage) {
    SplitMessage(pMessage);
}

void cZmqSubRotaryEnc::Decode(const char* pBody, RotaryEncEvent_t& event) {
    event = RotaryEncEvent_t{};
    if (mpParser)
        mpParser->ParseRotaryEncodeData(pBody, &event);
}

void cZmqSubRotaryEnc::ParseRightBottomEncodedData(const char* pBody) {
    Decode(pBody, mRightBottom);
    emit sigRightBottomRotEncEvt(&mRightBottom);
}

void cZmqSubRotaryEnc::ParseLeftBottomEncodedData(const char* pBody) {
    Decode(pBody, mLeftBottom);
    emit sigLeftBottomRotEncEvt(&mLeftBottom);
}

void cZmqSubRotaryEnc::ParseRightTopEncodedData(const char* pBody) {
    Decode(pBody, mRightTop);
    emit sigRightTopRotEncEvt(&mRightTop);
}

cZmqSubRotaryEnc::cZmqSubRotaryEnc(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopicRoutes(
        {{kRightBottomTopic,
          [this](const char* pPayload) { ParseRightBottomEncodedData(pPayload); }},
         {kLeftBottomTopic, [this](const char* pPayload) { ParseLeftBottomEncodedData(pPayload); }},
         {kRightTopTopic, [this](const char* pPayload) { ParseRightTopEncodedData(pPayload); }}},
        kLines);
}
