#include "bus/ZmqSubPeer.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonParseFpMessages.h"

#include <memory>
#include <string>
#include <vector>

namespace {

// The console lines of this subscriber's messages that cannot be handled.
const cZmqQtListenerBase::sDispatchLines kLines = {
    "Metadata message returned null elements.", &KeldError,
    "Dolby Peer Communication - Unhandled topic: %s\n"};

// The parsers outlive their subscriber on purpose: their values are the only
// state the peer link keeps. A process-wide keeper frees them at exit, so
// leak checkers see them as owned.
template <class T> T* KeepForProcess() {
    static std::vector<std::unique_ptr<T>> kept;
    kept.push_back(std::make_unique<T>());
    return kept.back().get();
}

} // namespace

void cZmqSubPeer::SetupAndRunIPC(const char* pSocketName) {
    const std::string endpoint = BusEndpoints::IpcJoined(pSocketName);
    Run(endpoint.c_str());
}

void cZmqSubPeer::SetupAndRunTCP(const char* pAddress) {
    const std::string endpoint = BusEndpoints::Tcp(pAddress, kTcpPort);
    Run(endpoint.c_str());
}

void cZmqSubPeer::Run(const char* pEndpoint) {
    SetupParsers();
    OpenSubscribed(pEndpoint,
                   {kTopicSwitch, kTopicMeterScale, kTopicDolbyZoomPair, kTopicResetDolbyGrid,
                    kTopicVisualView},
                   kMaxMessageBytes);

    const bool bMessage =
        connect(this, &cZmqQtListenerBase::sigMessageReceived, this, &cZmqSubPeer::sltNewMessage);
    const bool bSystem =
        connect(this, &cZmqSubPeer::sigNewSystemData, this, &cZmqSubPeer::sltSystemTopicSwitch);
    PollIfConnected(bMessage && bSystem, kPollPeriodMs,
                    "Unable to connect signal to slot in cZmqSubPeer().");
}

void cZmqSubPeer::SetupParsers() {
    // Values persist between messages, so a second start must not reset them.
    if (mpAppMsgParser)
        return;
    mpAppMsgParser = KeepForProcess<cJsonParseFpAppMessages>();
    mpMeterScaleParser = KeepForProcess<cJsonParseMeterScaleInfo>();
    mpDolbyZoomParser = KeepForProcess<cJsonParseDoRiduyZoom>();
    mpResetGridParser = KeepForProcess<cJsonParseResetDolbyGridMsg>();
    mpVisualiserViewParser = KeepForProcess<cJsonParseVisualiserView>();
}

void cZmqSubPeer::sltNewMessage(zmsg_t* pMessage) {
    SplitMessage(pMessage);
}

void cZmqSubPeer::sltSystemTopicSwitch(const char* pTopic, const char* pData) {
    RouteTopic(pTopic, pData);
}

void cZmqSubPeer::PreparseShowApp(const char* pData) {
    if (pData && mpAppMsgParser && mpAppMsgParser->ParseAppMessage(pData) &&
        mpAppMsgParser->GetAppName() == kPeerAppName)
        emit sigShowApp(mpAppMsgParser->GetShow());
}

void cZmqSubPeer::ParseMeterScaleInfo(const char* pData) {
    if (pData && mpMeterScaleParser && mpMeterScaleParser->ParseMeterScaleInfo(pData))
        emit sigSetMeterScale(static_cast<std::uint8_t>(mpMeterScaleParser->GetScale() & 0xFF));
}

void cZmqSubPeer::ParseDolbyZoomPair(const char* pData) {
    if (pData && mpDolbyZoomParser &&
        mpDolbyZoomParser->ParseDolbyZoom(pData, cJsonParseDoRiduyZoom::kNoPair) &&
        mpDolbyZoomParser->GetPair() != cJsonParseDoRiduyZoom::kNoPair)
        emit sigSendDolbyZoomPair(mpDolbyZoomParser->GetPair());
}

void cZmqSubPeer::ParseResetDolbyGrid(const char* pData) {
    if (pData && mpResetGridParser && mpResetGridParser->ParseResetDolbyGridMsg(pData))
        emit sigResetDolbyGrid(mpResetGridParser->GetResetDolbyGrid());
}

void cZmqSubPeer::ParseDolbyVisualiserView(const char* pData) {
    if (!pData || !mpVisualiserViewParser || !mpVisualiserViewParser->ParseSetVisualiserView(pData))
        return;
    // A copy, so a receiver that triggers another parse cannot pull the
    // text from under the remaining receivers.
    const std::string view = mpVisualiserViewParser->GetVisualiserView();
    emit sigSetVisualiserView(view.c_str());
}

void cZmqSubPeer::SendPeerMuteSettings(const char* pData) {
    emit sigSendPeerMuteMsg(kTopicReqMuteSettings, pData);
}

void cZmqSubPeer::SendPeerRecallLastSource(const char* pData) {
    emit sigSendPeerRecallLastSource(kTopicRecallLastSource, pData);
}

cZmqSubPeer::cZmqSubPeer(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopicRoutes(
        {{kTopicSwitch, [this](const char* pPayload) { PreparseShowApp(pPayload); }},
         {kTopicMeterScale, [this](const char* pPayload) { ParseMeterScaleInfo(pPayload); }},
         {kTopicDolbyZoomPair, [this](const char* pPayload) { ParseDolbyZoomPair(pPayload); }},
         {kTopicResetDolbyGrid, [this](const char* pPayload) { ParseResetDolbyGrid(pPayload); }},
         {kTopicVisualView, [this](const char* pPayload) { ParseDolbyVisualiserView(pPayload); }}},
        kLines, &cZmqSubPeer::sigNewSystemData);
}
