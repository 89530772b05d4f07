#pragma once

#include "bus/ZmqQtListenerBase.h"

#include <QString>

#include <memory>

class cSdiStatusParser;
class cJsonParserSDIStatus;
class cVolumeSettingsParser;
class cBalanceSettingsParser;

// The hardware manager's monitoring volume, balance and SDI input state,
// announced as whole percentages and one display text.
class cZmqSubHwStatus : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubHwStatus)

public:
    static constexpr unsigned short kPollMs = 50;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 4 * 1024;
    static constexpr const char* kTopicSignalStatus = "HwmSignalStatus";
    static constexpr const char* kTopicVolume = "HwmVolume";
    static constexpr const char* kTopicBalance = "HwmBalance";

    explicit cZmqSubHwStatus(QObject* parent = nullptr);
    ~cZmqSubHwStatus() override;

    void SetupAndRun(const char* pName);
    void SetupParsers();

    void PreparseSDIStatus(const char* pBody);
    void ParseVolume(const char* pBody);
    void ParseBalance(const char* pBody);

    // The SDI text for a parsed status message: the lock messages, or the
    // decoded format summary.
    static QString BuildSdiText(const cJsonParserSDIStatus& status, cSdiStatusParser* pDecoder);

signals:
    void sigNewSystemData(const char* pTopic, const char* pData);
    void sigSDIStatus(const char* pcStatus);
    void sigVolume(int iPercent);
    void sigBalance(int iLeftPercent, int iRightPercent);

private slots:
    void sltNewMessage(zmsg_t* pMessage);
    void sltSystemTopicSwitch(const char* pTopic, const char* pData);

private:
    std::unique_ptr<cSdiStatusParser> mpSdiDecoder;
    std::unique_ptr<cJsonParserSDIStatus> mpSdiParser;
    std::unique_ptr<cVolumeSettingsParser> mpVolumeParser;
    std::unique_ptr<cBalanceSettingsParser> mpBalanceParser;
};
