#include "bus/ZmqSubWebBaseDolby.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

#include <cstring>

cZmqSubWebBaseDolby::cZmqSubWebBaseDolby(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics(
        {{kTopicPreset, [this](const char* pPayload) { ParseMetersInfo(pPayload); }},
         {kTopicDecoderSettings, [this](const char* pPayload) { ParseDolbyDecSettings(pPayload); }},
         {kTopicMeterScales, [this](const char* pPayload) { ParseMeterScale(pPayload); }}},
        {"Web message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
         "JsonParseWebBaseDolby received an unhandled topic: %s\n"},
        eStages::kOne);
}

void cZmqSubWebBaseDolby::SetupAndRun(const char* pName) {
    SetupParsers();
    Start(BusEndpoints::Ipc(pName ? pName : ""), kMaxMessageBytes, kPollPeriodMs,
          "Sig/slot connection failure in ZmqSubWebSettings.");
}

void cZmqSubWebBaseDolby::SetupParsers() {
    mPresetParser.emplace();
    mDecoderSettingsParser.emplace();
    mMeterScalesParser.emplace();
}

void cZmqSubWebBaseDolby::ParseMetersInfo(const char* pJson) {
    if (!mPresetParser || !mDecoderSettingsParser)
        return;
    std::memset(&mPresetRecall, 0, sizeof mPresetRecall);
    if (!mPresetParser->ParsePreset(pJson))
        return;

    // The preset's own view is not used: the view follows the last decoder
    // settings message, which is what the web page's view selector sends.
    mPresetParser->DecoderConf.FillRecord(&mDecoderSettings);
    JsonRead::CopyCut(mDecoderSettings.VisualiserView, mDecoderSettingsParser->VisualiserView);
    emit sigDolbyDecoderSettings(&mDecoderSettings);

    const bool bApplyDZMeters =
        mPresetParser->Meters.HasDolbyInput && mPresetParser->ApplyDZMeterScreen;
    mPresetRecall.SourceSelect = mPresetParser->SourceSelect;
    mPresetRecall.ApplyDZMeters = bApplyDZMeters;
    JsonRead::CopyCut(mPresetRecall.GroupName, mPresetParser->GroupName);
    JsonRead::CopyCut(mPresetRecall.ProgramName, mPresetParser->ProgramName);
    JsonRead::CopyCut(mPresetRecall.PresetName, mPresetParser->PresetName);
    if (mPresetRecall.SourceSelect)
        emit sigSourceSelected(&mPresetRecall);
    else
        emit sigWebRecalledPreset(&mPresetRecall);

    emit sigApplyDZMeters(bApplyDZMeters);
}

void cZmqSubWebBaseDolby::ParseDolbyDecSettings(const char* pJson) {
    if (!mDecoderSettingsParser)
        return;
    if (!mDecoderSettingsParser->ParseDolbyDecoderSettings(pJson))
        return;
    mDecoderSettingsParser->FillRecord(&mDecoderSettings);
    emit sigDolbyDecoderSettings(&mDecoderSettings);
}

void cZmqSubWebBaseDolby::ParseMeterScale(const char* pJson) {
    if (!mMeterScalesParser)
        return;
    if (!mMeterScalesParser->ParseMeterScales(pJson))
        return;
    mMeterScalesParser->FillRecord(&mScaleInfo);
    emit sigMeterScaleInfo(&mScaleInfo);
}
