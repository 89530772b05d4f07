#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseFpMessages.h"

#include <cstdint>
#include <optional>

// Listens to the peer front-panel application: when to come to the front,
// which room view to draw, whether to hide the markers. Two-stage: the
// message is split into topic and payload, then dispatched by exact topic.
class cZmqSubPeer : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubPeer)

public:
    // Our name on the peer protocol: a "Switch" concerns us only with it.
    static constexpr const char* kPeerAppName = "RoVodirAzazodovir";
    static constexpr unsigned kTcpPort = 6003;
    static constexpr unsigned short kPollPeriodMs = 50;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 4 * 1024;

    static constexpr const char* kTopicSwitch = "Switch";
    static constexpr const char* kTopicMeterScale = "MeterScale";
    static constexpr const char* kTopicDolbyZoomPair = "DolbyZoomPair";
    static constexpr const char* kTopicResetDolbyGrid = "FpResetDolbyGrid";
    static constexpr const char* kTopicVisualView = "FpSetDolbyVisualView";
    static constexpr const char* kTopicReqMuteSettings = "FpReqMuteSettings";
    static constexpr const char* kTopicRecallLastSource = "FpRecallLastSource";

    explicit cZmqSubPeer(QObject* parent = nullptr);

    // Start with exactly one of these, once.
    void SetupAndRunIPC(const char* pSocketName);
    void SetupAndRunTCP(const char* pAddress);
    void Run(const char* pEndpoint);
    void SetupParsers();

    void ParseDolbyVisualiserView(const char* pData);
    void PreparseShowApp(const char* pData);
    void ParseMeterScaleInfo(const char* pData);
    void ParseDolbyZoomPair(const char* pData);
    void ParseResetDolbyGrid(const char* pData);
    void SendPeerMuteSettings(const char* pData);
    void SendPeerRecallLastSource(const char* pData);

signals:
    void sigShowApp(bool bShow);
    void sigSetMeterScale(std::uint8_t iScaleId);
    void sigSendPeerMuteMsg(const char* pTopic, const char* pData);
    void sigSendPeerRecallLastSource(const char* pTopic, const char* pData);
    void sigSendDolbyZoomPair(std::uint32_t iPairId);
    void sigResetDolbyGrid(bool bReset);
    void sigSetVisualiserView(const char* pcView);

private:
    // Made once by SetupParsers: their values are the only state the peer
    // link keeps, so a second start leaves them as they are.
    std::optional<cJsonParseFpAppMessages> mAppMsgParser;
    std::optional<cJsonParseMeterScaleInfo> mMeterScaleParser;
    std::optional<cJsonParseDoRiduyZoom> mDolbyZoomParser;
    std::optional<cJsonParseResetDolbyGridMsg> mResetGridParser;
    std::optional<cJsonParseVisualiserView> mVisualiserViewParser;
};
