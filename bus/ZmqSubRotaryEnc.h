#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseRotaryEncoder.h"

#include <optional>

// Listens to the hardware manager's encoder states and emits one signal per
// encoder. The record passed is valid during the signal only.
class cZmqSubRotaryEnc : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubRotaryEnc)

public:
    static constexpr unsigned short kPollPeriodMs = 10;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 4 * 1024;
    static constexpr const char* kRightBottomTopic = "HwmEncoderState_Right-Bottom";
    static constexpr const char* kLeftBottomTopic = "HwmEncoderState_Left-Bottom";
    static constexpr const char* kRightTopTopic = "HwmEncoderState_Right-Top";

    explicit cZmqSubRotaryEnc(QObject* parent = nullptr);

    void SetupAndRun(const char* pName);
    void SetupParsers();

    void ParseRightBottomEncodedData(const char* pBody);
    void ParseLeftBottomEncodedData(const char* pBody);
    void ParseRightTopEncodedData(const char* pBody);

signals:
    void sigRightBottomRotEncEvt(RotaryEncEvent_t* pEvent);
    void sigLeftBottomRotEncEvt(RotaryEncEvent_t* pEvent);
    void sigRightTopRotEncEvt(RotaryEncEvent_t* pEvent);

private:
    // Zeroes the record, reads the body into it and hands it out whatever
    // the outcome: a body that cannot be read yields an all-zero event.
    void Decode(const char* pBody, RotaryEncEvent_t& event);

    std::optional<cJsonParseRotaryEncoder> mParser;
    RotaryEncEvent_t mRightBottom{};
    RotaryEncEvent_t mLeftBottom{};
    RotaryEncEvent_t mRightTop{};
};
