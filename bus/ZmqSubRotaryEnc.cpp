#include "bus/ZmqSubRotaryEnc.h"

#include "BusEndpoints.h"
#include "ConsolePrint.h"

#include <cstdlib>
#include <cstring>

cZmqSubRotaryEnc::cZmqSubRotaryEnc(QObject* parent) : cZmqQtListenerBase(parent) {}

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
                   {kRightBottomTopic, kLeftBottomTopic, kRightTopTopic});
}

void cZmqSubRotaryEnc::MakeConnections() {
    PollIfConnected(bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                 &cZmqSubRotaryEnc::sltNewMessage, Qt::UniqueConnection)),
                    kPollPeriodMs, "Sig/slot connection failure in ZmqSubRotaryEnc.");
}

void cZmqSubRotaryEnc::sltNewMessage(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    const cBusMessageTexts message(pMessage);
    const char* pTopic = message.Topic();
    if (!message.Complete())
        ZqtError("Web message contains a null element (topic: %s, Message: %s).\n",
                 message.ShownTopic(), message.ShownPayload());
    else if (std::strcmp(pTopic, kRightBottomTopic) == 0)
        ParseRightBottomEncodedData(message.Payload());
    else if (std::strcmp(pTopic, kLeftBottomTopic) == 0)
        ParseLeftBottomEncodedData(message.Payload());
    else if (std::strcmp(pTopic, kRightTopTopic) == 0)
        ParseRightTopEncodedData(message.Payload());
    else
        ZqtError("ZmqSubRotaryEnc received an unhandled topic: %s\n", pTopic);
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
