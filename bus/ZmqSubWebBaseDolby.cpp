#include "bus/ZmqSubWebBaseDolby.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

#include <cstring>

namespace {

// The console lines of this subscriber's messages that cannot be handled.
const cZmqQtListenerBase::sDispatchLines kLines = {
    "Web message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
    "JsonParseWebBaseDolby received an unhandled topic: %s\n"};

} // namespace

cZmqSubWebBaseDolby::~cZmqSubWebBaseDolby() = default;

void cZmqSubWebBaseDolby::SetupAndRun(const char* pName) {
    SetupParsers();
    OpenSubscribed(BusEndpoints::Ipc(pName ? pName : "").c_str(),
                   {kTopicPreset, kTopicDecoderSettings, kTopicMeterScales}, kMaxMessageBytes);
    PollIfConnected(bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                                 &cZmqSubWebBaseDolby::sltNewMessage)),
                    kPollPeriodMs, "Sig/slot connection failure in ZmqSubWebSettings.\n");
}

void cZmqSubWebBaseDolby::SetupParsers() {
    mpPresetParser = std::make_unique<cPresetParser>();
    mpDecoderSettingsParser = std::make_unique<cDolbyDecoderSettingsParser>();
    mpMeterScalesParser = std::make_unique<cMeterScalesParser>();
}

void cZmqSubWebBaseDolby::sltNewMessage(zmsg_t* pMessage) {
    SplitMessage(pMessage);
}

void cZmqSubWebBaseDolby::ParseMetersInfo(const char* pJson) {
    if (!mpPresetParser || !mpDecoderSettingsParser)
        return;
    std::memset(&mPresetRecall, 0, sizeof mPresetRecall);
    if (!mpPresetParser->ParsePreset(pJson))
        return;

    // The preset's own view is not used: the view follows the last decoder
    // settings message, which is what the web page's view selector sends.
    mpPresetParser->DecoderConf.FillRecord(&mDecoderSettings);
    JsonRead::CopyCut(mDecoderSettings.VisualiserView, mpDecoderSettingsParser->VisualiserView);
    emit sigDolbyDecoderSettings(&mDecoderSettings);

    const bool bApplyDZMeters =
        mpPresetParser->Meters.HasDolbyInput && mpPresetParser->ApplyDZMeterScreen;
    mPresetRecall.SourceSelect = mpPresetParser->SourceSelect;
    mPresetRecall.ApplyDZMeters = bApplyDZMeters;
    JsonRead::CopyCut(mPresetRecall.GroupName, mpPresetParser->GroupName);
    JsonRead::CopyCut(mPresetRecall.ProgramName, mpPresetParser->ProgramName);
    JsonRead::CopyCut(mPresetRecall.PresetName, mpPresetParser->PresetName);
    if (mPresetRecall.SourceSelect)
        emit sigSourceSelected(&mPresetRecall);
    else
        emit sigWebRecalledPreset(&mPresetRecall);

    emit sigApplyDZMeters(bApplyDZMeters);
}

void cZmqSubWebBaseDolby::ParseDolbyDecSettings(const char* pJson) {
    if (!mpDecoderSettingsParser)
        return;
    if (!mpDecoderSettingsParser->ParseDolbyDecoderSettings(pJson))
        return;
    mpDecoderSettingsParser->FillRecord(&mDecoderSettings);
    emit sigDolbyDecoderSettings(&mDecoderSettings);
}

void cZmqSubWebBaseDolby::ParseMeterScale(const char* pJson) {
    if (!mpMeterScalesParser)
        return;
    if (!mpMeterScalesParser->ParseMeterScales(pJson))
        return;
    mpMeterScalesParser->FillRecord(&mScaleInfo);
    emit sigMeterScaleInfo(&mScaleInfo);
}

cZmqSubWebBaseDolby::cZmqSubWebBaseDolby(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopicRoutes(
        {{kTopicPreset, [this](const char* pPayload) { ParseMetersInfo(pPayload); }},
         {kTopicDecoderSettings, [this](const char* pPayload) { ParseDolbyDecSettings(pPayload); }},
         {kTopicMeterScales, [this](const char* pPayload) { ParseMeterScale(pPayload); }}},
        kLines);
}
