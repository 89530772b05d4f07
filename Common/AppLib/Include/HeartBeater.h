#pragma once

#include "Common/Utility/Logger/Include/Logger.h"

#include <czmq.h>

#include <cstddef>
#include <cstdint>

// The state reported in every heartbeat as "State". This application always
// reports running; what the other values mean is the heartbeat monitor's
// business, the names below are only how we read them.
enum ProcessStatus_e : std::int32_t {
    PROCESS_STATUS_UNKNOWN = 0,
    PROCESS_STATUS_RUNNING = 1,
};

// Process-wide client of the unit's heartbeat monitor: one PUSH socket that
// carries the heartbeat, the request to republish the system status and the
// application commands the monitor forwards. Not thread-safe; GUI thread only.
//
// A monitor that is missing, slow or restarting must never stall the caller:
// the socket never waits, and whatever cannot go out now is dropped and
// logged; the next beat simply tries again.
class cHeartBeater {
public:
    static constexpr std::size_t kHbJsonSize = 512;
    static constexpr const char* kMonitorSocket = "hbMonPullMq.ipc";
    // Messages that may wait for the monitor on a live link.
    static constexpr int kSendQueue = 8;
    static constexpr unsigned kMonitorTcpPort = 10000;
    static constexpr const char* kBeatTopic = "HbProc";
    static constexpr const char* kRepubTopic = "HbReqRepubSysStatus";
    static constexpr const char* kAppCmdTopic = "HbFwdAppCmd";
    static constexpr int kCommandReboot = 9;
    static constexpr int kCommandSwUpgrade = 100;

    static cHeartBeater* GetInstance();
    static void DeleteInstance();

    // Prepares the heartbeat; a null version is reported as "Unknown". A null
    // name returns false and leaves beats switched off.
    bool SetHeartBeatJson(const char* pName, const char* pVersion, ProcessStatus_e eState);

    bool ConnectMqOverIpc();
    bool ConnectMqOverTcp();
    void CloseMq();

    void SendBeat();
    void RequestRepub();
    void SendRebootCommand();
    void SendSwUpgradeCommand();

    // The command value of an application command message, or -1.
    static int ParseAppCommand(const char* pJson);

    bool IsConnected() const { return mpSocket != nullptr; }
    bool IsHbReady() const { return mbHbReady; }
    // The last beat was dropped: no link to the monitor is up.
    bool BeatsDropped() const { return mbBeatsDropped; }
    const char* HbJson() const { return mHbJson; }

    static cHeartBeater* mpHeartBeater;
    static Logger* mpLogger;
    static MsgLevel_e mLogLevel;

    cHeartBeater(const cHeartBeater&) = delete;
    cHeartBeater& operator=(const cHeartBeater&) = delete;

private:
    cHeartBeater() = default;
    ~cHeartBeater();

    bool Connect(const char* pEndpoint, const char* pShown);
    bool SendTwoFrames(const char* pTopic, const char* pBody, const char* pTopicError,
                       const char* pBodyError);
    void SendAppCommand(int iCommand);

    zsock_t* mpSocket = nullptr;
    bool mbHbReady = false;
    // Set while beats are being dropped; only the first drop is logged.
    bool mbBeatsDropped = false;
    char mHbJson[kHbJsonSize] = {};
    // The endpoint of the last successful connect, to reopen the socket
    // after a send that could not be completed (see SendTwoFrames).
    char mEndpoint[128] = {};
};
