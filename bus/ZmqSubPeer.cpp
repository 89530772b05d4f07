#include "bus/ZmqSubPeer.h"

#include "BusEndpoints.h"
#include "ConsolePrint.h"
#include "messages/JsonParseFpMessages.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The parsers outlive their subscriber on purpose: their values are the only
// state the peer link keeps. A process-wide keeper frees them at exit, so
// leak checkers see them as owned.
template <class T> T* KeepForProcess() {
    static std::vector<std::unique_ptr<T>> kept;
    kept.push_back(std::make_unique<T>());
    return kept.back().get();
}

} // namespace

cZmqSubPeer::cZmqSubPeer(QObject* parent) : cZmqQtListenerBase(parent) {}

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
    OpenSubscribed(pEndpoint, {kTopicSwitch, kTopicMeterScale, kTopicDolbyZoomPair,
                               kTopicResetDolbyGrid, kTopicVisualView});

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
    if (!pMessage)
        return;
    const cBusMessageTexts message(pMessage);
    if (!message.Complete())
        ZqtError("Metadata message returned null elements.");
    else
        emit sigNewSystemData(message.Topic(), message.Payload());
}

void cZmqSubPeer::sltSystemTopicSwitch(const char* pTopic, const char* pData) {
    if (!pTopic)
        return;
    if (std::strcmp(pTopic, kTopicSwitch) == 0)
        PreparseShowApp(pData);
    else if (std::strcmp(pTopic, kTopicMeterScale) == 0)
        ParseMeterScaleInfo(pData);
    else if (std::strcmp(pTopic, kTopicDolbyZoomPair) == 0)
        ParseDolbyZoomPair(pData);
    else if (std::strcmp(pTopic, kTopicResetDolbyGrid) == 0)
        ParseResetDolbyGrid(pData);
    else if (std::strcmp(pTopic, kTopicVisualView) == 0)
        ParseDolbyVisualiserView(pData);
    else
        KeldError("Dolby Peer Communication - Unhandled topic: %s\n", pTopic);
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
