#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseSystemUpdate.h"

#include <optional>

// Listens to the heartbeat monitor's publisher: system update descriptions
// and the application commands it forwards. Keeps one update record for its
// whole life; each update message is read into it, so members a message
// leaves out keep their earlier values.
class cZmqSubsSystemUpdate : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubsSystemUpdate)

public:
    static constexpr unsigned short kPollPeriodMs = 500;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 16 * 1024;
    static constexpr const char* kUpdateTopic = "SiSystemUpdate";
    static constexpr const char* kAppCmdTopic = "HbAppCmd";
    static constexpr int kCommandExitApp = 100; // the software upgrade command

    explicit cZmqSubsSystemUpdate(QObject* parent = nullptr);

    void SetupAndRun(const char* pName);
    void SetupParsers();

    void ParseSystemUpdate(const char* pJson);
    void ParseSysUpdateCmd(const char* pJson);

    const SystemUpdate_t& SystemUpdate() const { return mSystemUpdate; }

signals:
    void sigNewSUPackages(SystemUpdate_t* pSysUpdateInfo);
    void sigSUMessages(const char* pcSUMessage);
    void sigSUStop();
    void sigSUExitApp();

private:
    std::optional<cJsonParseSystemUpdate> mParser;
    SystemUpdate_t mSystemUpdate{};
};
