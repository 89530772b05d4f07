#include "bus/ZmqSubPeer.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <string>

cZmqSubPeer::cZmqSubPeer(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics(
        {{kTopicSwitch, [this](const char* pPayload) { PreparseShowApp(pPayload); }},
         {kTopicMeterScale, [this](const char* pPayload) { ParseMeterScaleInfo(pPayload); }},
         {kTopicDolbyZoomPair, [this](const char* pPayload) { ParseDolbyZoomPair(pPayload); }},
         {kTopicResetDolbyGrid, [this](const char* pPayload) { ParseResetDolbyGrid(pPayload); }},
         {kTopicVisualView, [this](const char* pPayload) { ParseDolbyVisualiserView(pPayload); }}},
        {"Metadata message returned null elements.", &KeldError,
         "Dolby Peer Communication - Unhandled topic: %s\n"},
        eStages::kTwo);
}

void cZmqSubPeer::SetupAndRunIPC(const char* pSocketName) {
    Run(BusEndpoints::IpcJoined(pSocketName).c_str());
}

void cZmqSubPeer::SetupAndRunTCP(const char* pAddress) {
    Run(BusEndpoints::Tcp(pAddress, kTcpPort).c_str());
}

void cZmqSubPeer::Run(const char* pEndpoint) {
    SetupParsers();
    Start(pEndpoint, kMaxMessageBytes, kPollPeriodMs,
          "Unable to connect signal to slot in cZmqSubPeer().");
}

void cZmqSubPeer::SetupParsers() {
    if (mAppMsgParser)
        return;
    mAppMsgParser.emplace();
    mMeterScaleParser.emplace();
    mDolbyZoomParser.emplace();
    mResetGridParser.emplace();
    mVisualiserViewParser.emplace();
}

void cZmqSubPeer::PreparseShowApp(const char* pData) {
    if (pData && mAppMsgParser && mAppMsgParser->ParseAppMessage(pData) &&
        mAppMsgParser->GetAppName() == kPeerAppName)
        emit sigShowApp(mAppMsgParser->GetShow());
}

void cZmqSubPeer::ParseMeterScaleInfo(const char* pData) {
    if (pData && mMeterScaleParser && mMeterScaleParser->ParseMeterScaleInfo(pData))
        emit sigSetMeterScale(static_cast<std::uint8_t>(mMeterScaleParser->GetScale() & 0xFF));
}

void cZmqSubPeer::ParseDolbyZoomPair(const char* pData) {
    if (pData && mDolbyZoomParser &&
        mDolbyZoomParser->ParseDolbyZoom(pData, cJsonParseDoRiduyZoom::kNoPair) &&
        mDolbyZoomParser->GetPair() != cJsonParseDoRiduyZoom::kNoPair)
        emit sigSendDolbyZoomPair(mDolbyZoomParser->GetPair());
}

void cZmqSubPeer::ParseResetDolbyGrid(const char* pData) {
    if (pData && mResetGridParser && mResetGridParser->ParseResetDolbyGridMsg(pData))
        emit sigResetDolbyGrid(mResetGridParser->GetResetDolbyGrid());
}

void cZmqSubPeer::ParseDolbyVisualiserView(const char* pData) {
    if (!pData || !mVisualiserViewParser || !mVisualiserViewParser->ParseSetVisualiserView(pData))
        return;
    // A copy, so a receiver that triggers another parse cannot pull the
    // text from under the remaining receivers.
    const std::string view = mVisualiserViewParser->GetVisualiserView();
    emit sigSetVisualiserView(view.c_str());
}

void cZmqSubPeer::SendPeerMuteSettings(const char* pData) {
    emit sigSendPeerMuteMsg(kTopicReqMuteSettings, pData);
}

void cZmqSubPeer::SendPeerRecallLastSource(const char* pData) {
    emit sigSendPeerRecallLastSource(kTopicRecallLastSource, pData);
}
