#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseHwmMessages.h"
#include "messages/JsonParserSDIStatus.h"
#include "messages/SdiStatusParser.h"

#include <QString>

#include <optional>

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

    void SetupAndRun(const char* pName);
    void SetupParsers();

    void PreparseSDIStatus(const char* pBody);
    void ParseVolume(const char* pBody);
    void ParseBalance(const char* pBody);

    // The SDI text for a parsed status message: the lock messages, or the
    // decoded format summary.
    static QString BuildSdiText(const cJsonParserSDIStatus& status, cSdiStatusParser* pDecoder);

signals:
    void sigSDIStatus(const char* pcStatus);
    void sigVolume(int iPercent);
    void sigBalance(int iLeftPercent, int iRightPercent);

private:
    std::optional<cSignalStatus> mSdiDecoder;
    std::optional<cJsonParserSDIStatus> mSdiParser;
    std::optional<cVolumeSettingsParser> mVolumeParser;
    std::optional<cBalanceSettingsParser> mBalanceParser;
};
