#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseAppSettings.h"
#include "messages/JsonParseDolbyDecoderSettings.h"
#include "messages/JsonParseMetersInfo.h"

#include <optional>

// Subscribes to the application server's settings: the active preset, the
// decoder settings and the meter scales. Each accepted message is copied
// into a record this object owns and announced by pointer; a receiver reads
// the record during the signal and does not keep the pointer.
class cZmqSubWebBaseDolby : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubWebBaseDolby)

public:
    static constexpr const char* kTopicPreset = "AppPresetConfiguration";
    static constexpr const char* kTopicDecoderSettings = "AppDolbyDecoderSettings";
    static constexpr const char* kTopicMeterScales = "AppMeterScalesSelect";
    static constexpr unsigned short kPollPeriodMs = 100;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 64 * 1024;

    explicit cZmqSubWebBaseDolby(QObject* parent = nullptr);

    void SetupAndRun(const char* pName);
    // Makes the parsers afresh, with their defaults.
    void SetupParsers();

    // Topic handlers; each does nothing until SetupParsers has run.
    void ParseMetersInfo(const char* pJson);
    void ParseDolbyDecSettings(const char* pJson);
    void ParseMeterScale(const char* pJson);

    const PresetRecall_s& PresetRecall() const { return mPresetRecall; }
    const cPresetParser* PresetParser() const { return mPresetParser ? &*mPresetParser : nullptr; }
    const cMeterScalesParser* MeterScalesParser() const {
        return mMeterScalesParser ? &*mMeterScalesParser : nullptr;
    }

signals:
    void sigDolbyDecoderSettings(DolbyDecoderSettings_s* pSettings);
    void sigWebRecalledPreset(const PresetRecall_s* pPreset);
    void sigSourceSelected(const PresetRecall_s* pSource);
    void sigMeterScaleInfo(ScaleInfo_t* pScaleInfo);
    void sigApplyDZMeters(bool bExitToDolbyMeters);

private:
    std::optional<cPresetParser> mPresetParser;
    std::optional<cDolbyDecoderSettingsParser> mDecoderSettingsParser;
    std::optional<cMeterScalesParser> mMeterScalesParser;
    PresetRecall_s mPresetRecall{};
    DolbyDecoderSettings_s mDecoderSettings{};
    ScaleInfo_t mScaleInfo{};
};
