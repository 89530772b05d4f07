#include "Common/AppLib/Include/HeartBeater.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

cHeartBeater* cHeartBeater::mpHeartBeater = nullptr;
Logger* cHeartBeater::mpLogger = nullptr;
MsgLevel_e cHeartBeater::mLogLevel = LEVEL_WARN;

namespace {

const char* const kLogUnit = "HeartBeater";
const char* const kFileName = "../../../Common/AppLib/Include/HeartBeater";

zsock_t* NewPushSocket() {
    zsock_t* pSocket = zsock_new(ZMQ_PUSH);
    if (!pSocket)
        return nullptr;
    // Never wait for the monitor: a full queue or a missing peer makes the
    // send fail at once instead of blocking the GUI thread.
    zsock_set_sndtimeo(pSocket, 0);
    // A beat describes now: one that cannot go out when due is dropped, not
    // queued, so a monitor that comes back sees the next beat rather than a
    // backlog. Immediate mode queues nothing while no link is up; a short
    // queue bounds what waits on a link that is up but slow, and still lets a
    // request sent right after a beat through.
    zsock_set_sndhwm(pSocket, cHeartBeater::kSendQueue);
    zsock_set_immediate(pSocket, 1);
    // Beats still queued at exit are stale anyway.
    zsock_set_linger(pSocket, 0);
    return pSocket;
}

} // namespace

cHeartBeater* cHeartBeater::GetInstance() {
    if (mpHeartBeater)
        return mpHeartBeater;
    try {
        // The bus runtime registers its own exit hook when it starts, and so
        // does the logger; starting both first makes our DeleteInstance run
        // before either, while the socket can still be destroyed and logged.
        BusEndpoints::InitRuntime();
        Logger* pLogger = Logger::GetInstance();
        mpHeartBeater = new cHeartBeater();
        mpLogger = pLogger;
        std::atexit(&cHeartBeater::DeleteInstance);
    } catch (const std::bad_alloc& e) {
        Logger::Fprintf(stderr, "%s|%u| \"Exception Bad alloc %s\"", kFileName, __LINE__, e.what());
        return nullptr;
    } catch (const std::exception& e) {
        Logger::Fprintf(stderr, "%s|%u| \"Exception %s\"", kFileName, __LINE__, e.what());
        return nullptr;
    }
    return mpHeartBeater;
}

void cHeartBeater::DeleteInstance() {
    if (!mpHeartBeater)
        return;
    mpHeartBeater->CloseMq();
    delete mpHeartBeater;
    mpHeartBeater = nullptr;
}

cHeartBeater::~cHeartBeater() {
    CloseMq();
}

bool cHeartBeater::SetHeartBeatJson(const char* pName, const char* pVersion,
                                    ProcessStatus_e eState) {
    mbHbReady = false;
    if (!pName)
        return false;
    if (!pVersion) {
        CLASS_LOG(cHeartBeater, LEVEL_WARN, "HB Version not set by this process.!");
        pVersion = "Unknown";
    }
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("HbKey");
    writer.String(pName);
    writer.Key("Version");
    writer.String(pVersion);
    writer.Key("State");
    writer.Int(eState);
    writer.EndObject();

    std::memset(mHbJson, 0, sizeof mHbJson);
    // Bound of 511 bytes: at most 510 characters, a longer text is cut.
    std::snprintf(mHbJson, kHbJsonSize - 1, "%s", buffer.GetString());
    mbHbReady = true;
    return true;
}

bool cHeartBeater::Connect(const char* pEndpoint, const char* pShown) {
    if (mpSocket) {
        CLASS_LOG(cHeartBeater, LEVEL_ERROR, "Seems this instance already connected to %s", pShown);
        return false;
    }
    try {
        zsock_t* pSocket = NewPushSocket();
        if (!pSocket)
            return false;
        CLASS_LOG(cHeartBeater, LEVEL_DEBUG, "Tryig to connect %s", pShown);
        BusEndpoints::SetLinkOptions(pSocket, pEndpoint);
        if (zsock_connect(pSocket, "%s", pEndpoint) != 0) {
            zsock_destroy(&pSocket);
            CLASS_LOG(cHeartBeater, LEVEL_ERROR, "Failed to connect to %s", pShown);
            return false;
        }
        mpSocket = pSocket;
        std::snprintf(mEndpoint, sizeof mEndpoint, "%s", pEndpoint);
        CLASS_LOG(cHeartBeater, LEVEL_INFO, "Connected to %s", pShown);
        return true;
    } catch (const std::bad_alloc& e) {
        CLASS_LOG(cHeartBeater, LEVEL_CRITICAL, "Exception Bad alloc %s", e.what());
    } catch (const std::exception& e) {
        CLASS_LOG(cHeartBeater, LEVEL_CRITICAL, "Exception %s", e.what());
    }
    return false;
}

bool cHeartBeater::ConnectMqOverIpc() {
    char shown[256];
    std::snprintf(shown, sizeof shown, "ipc://%s/%s", BusEndpoints::MqDir(), kMonitorSocket);
    return Connect(BusEndpoints::Ipc(kMonitorSocket).c_str(), shown);
}

bool cHeartBeater::ConnectMqOverTcp() {
    char shown[64];
    std::snprintf(shown, sizeof shown, "tcp://%s:%u", BusEndpoints::UnitAddress(), kMonitorTcpPort);
    return Connect(BusEndpoints::Tcp(BusEndpoints::UnitAddress(), kMonitorTcpPort).c_str(), shown);
}

void cHeartBeater::CloseMq() {
    if (mpSocket)
        zsock_destroy(&mpSocket);
    mpSocket = nullptr;
}

bool cHeartBeater::SendTwoFrames(const char* pTopic, const char* pBody, const char* pTopicError,
                                 const char* pBodyError) {
    if (zstr_sendm(mpSocket, pTopic) != 0) {
        if (pTopicError)
            CLASS_LOG(cHeartBeater, LEVEL_ERROR, "%s", pTopicError);
        return false;
    }
    if (zstr_send(mpSocket, pBody) == 0)
        return true;
    CLASS_LOG(cHeartBeater, LEVEL_ERROR, "%s", pBodyError);
    // ZeroMQ keeps a multipart message whole: the parts queued with "more"
    // reach the peer only together with the last part, and the queue limit
    // counts whole messages, so once the topic is accepted the body fits
    // too. Should the last part fail all the same (an interrupted
    // call), the socket is still in the middle of that message and the next
    // topic would be glued onto it. Reopening the socket throws the
    // unfinished message away, so the next beat goes out whole.
    zsock_destroy(&mpSocket);
    mpSocket = NewPushSocket();
    if (mpSocket)
        BusEndpoints::SetLinkOptions(mpSocket, mEndpoint);
    if (mpSocket && zsock_connect(mpSocket, "%s", mEndpoint) != 0)
        zsock_destroy(&mpSocket);
    return false;
}

void cHeartBeater::SendBeat() {
    if (!mpSocket || !mbHbReady)
        return;
    // While no link to the monitor is up every beat is dropped: the first
    // drop of such a run is logged, not one line a second.
    mbBeatsDropped =
        !SendTwoFrames(kBeatTopic, mHbJson, mbBeatsDropped ? nullptr : "Failed to send HB Topic.",
                       "Failed to send HB message.");
}

void cHeartBeater::RequestRepub() {
    if (!mpSocket || !mbHbReady)
        return;
    if (zstr_send(mpSocket, kRepubTopic) != 0)
        CLASS_LOG(cHeartBeater, LEVEL_ERROR, "Failed to send HB Topic.");
}

void cHeartBeater::SendAppCommand(int iCommand) {
    if (!mpSocket)
        return;
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("Command");
    writer.Int(iCommand);
    writer.EndObject();
    if (buffer.GetSize() == 0) {
        CLASS_LOG(cHeartBeater, LEVEL_ERROR, "Failed to prepare app cmd toipic.");
        return;
    }
    SendTwoFrames(kAppCmdTopic, buffer.GetString(), "Failed to send App cmd Topic.",
                  "Failed to send App cmd message.");
}

void cHeartBeater::SendRebootCommand() {
    SendAppCommand(kCommandReboot);
}

void cHeartBeater::SendSwUpgradeCommand() {
    SendAppCommand(kCommandSwUpgrade);
}

int cHeartBeater::ParseAppCommand(const char* pJson) {
    if (!pJson)
        return -1;
    rapidjson::Document document;
    document.Parse(pJson);
    if (document.HasParseError() || !document.IsObject())
        return -1;
    const auto found = document.FindMember("Command");
    if (found == document.MemberEnd() || !found->value.IsInt())
        return -1;
    return found->value.GetInt();
}
