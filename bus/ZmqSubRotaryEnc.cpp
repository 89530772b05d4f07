#include "bus/ZmqSubRotaryEnc.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

cZmqSubRotaryEnc::cZmqSubRotaryEnc(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics(
        {{kRightBottomTopic,
          [this](const char* pPayload) { ParseRightBottomEncodedData(pPayload); }},
         {kLeftBottomTopic, [this](const char* pPayload) { ParseLeftBottomEncodedData(pPayload); }},
         {kRightTopTopic, [this](const char* pPayload) { ParseRightTopEncodedData(pPayload); }}},
        {"Web message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
         "ZmqSubRotaryEnc received an unhandled topic: %s\n"},
        eStages::kOne);
}

void cZmqSubRotaryEnc::SetupAndRun(const char* pName) {
    SetupParsers();
    Start(BusEndpoints::Ipc(pName), kMaxMessageBytes, kPollPeriodMs,
          "Sig/slot connection failure in ZmqSubRotaryEnc.");
}

void cZmqSubRotaryEnc::SetupParsers() {
    if (!mParser)
        mParser.emplace();
}

void cZmqSubRotaryEnc::Decode(const char* pBody, RotaryEncEvent_t& event) {
    event = RotaryEncEvent_t{};
    if (mParser)
        mParser->ParseRotaryEncodeData(pBody, &event);
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
