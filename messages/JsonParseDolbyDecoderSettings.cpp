#include "messages/JsonParseDolbyDecoderSettings.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

using JsonRead::eNull;
using JsonRead::eRead;

// A floating-point value, or an integer that fits 32 bits; doubles beyond the
// float range saturate instead of wrapping into nonsense.
void StoreFloat(const rapidjson::Value& object, const char* pKey, float& field) {
    const rapidjson::Value* pValue = JsonRead::Find(object, pKey, eNull::Value);
    if (!pValue)
        return;
    const rapidjson::Value& value = *pValue;
    if (value.IsInt()) {
        field = static_cast<float>(value.GetInt());
    } else if (value.IsDouble()) {
        const double number = value.GetDouble();
        if (std::fabs(number) > static_cast<double>(FLT_MAX))
            field = number > 0 ? HUGE_VALF : -HUGE_VALF;
        else
            field = static_cast<float>(number);
    }
}

void ReportFalse() {
    std::printf("%sRetrning  False \n", ConsolePriority(stdout, kPriorityError));
    std::fflush(stdout);
}

} // namespace

void cDolbyDecoderSettingsParser::Reset() {
    JsonRead::Renew(*this, cDolbyDecoderSettingsParser());
}

bool cDolbyDecoderSettingsParser::ParseDolbyDecoderSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson)) {
        ReportFalse();
        return false;
    }
    return ParseDolbyDecoderSettingsObject(document);
}

bool cDolbyDecoderSettingsParser::ParseDolbyDecoderSettingsObject(const rapidjson::Value& root) {
    if (!root.IsObject())
        return false;
    bool bResult = true;

    if (const rapidjson::Value* pDecoder = JsonRead::Section(root, "DecoderConfig", bResult)) {
        JsonRead::String(*pDecoder, "SpeakerConfig", SpeakerConfig);
        JsonRead::String(*pDecoder, "StereoDownMixMode", StereoDownMixMode);
        JsonRead::String(*pDecoder, "VisualiserView", VisualiserView);
        JsonRead::Bool(*pDecoder, "AtmosDecode", AtmosDecode);
        JsonRead::Bool(*pDecoder, "SurroundMix", SurroundMix);
    }
    if (const rapidjson::Value* pDdPlus = JsonRead::Section(root, "DDPlusConfig", bResult)) {
        JsonRead::String(*pDdPlus, "CompressionMode", CompressionMode);
        // Presence is what counts here; a wrongly typed value is skipped below.
        if (!pDdPlus->HasMember("CompressionMode") || !pDdPlus->HasMember("CompressionCut") ||
            !pDdPlus->HasMember("CompressionBoost"))
            bResult = false;
        StoreFloat(*pDdPlus, "CompressionCut", CompressionCut);
        StoreFloat(*pDdPlus, "CompressionBoost", CompressionBoost);
    }
    if (const rapidjson::Value* pEd2 = JsonRead::Section(root, "ED2Config", bResult)) {
        if (JsonRead::Int(*pEd2, "AudioPresentation", AudioPresentation) == eRead::Absent)
            bResult = false;
    }

    const rapidjson::Value* pLoudness = JsonRead::Find(root, "LoudnessConfig", eNull::Value);
    if (pLoudness && pLoudness->IsObject()) {
        const rapidjson::Value& section = *pLoudness;
        JsonRead::String(section, "Preset", LoudnessPreset);
        JsonRead::Int(section, "SpeechThreshold", SpeechThreshold);
        JsonRead::Bool(section, "DialogueIntelligence", DialogueIntelligence);
    }

    if (!bResult)
        return false;

    return JsonRead::Bool(root, "IsDecModulePresent", IsDecModulePresent) == eRead::Stored &&
           JsonRead::String(root, "DecModuleStatus", DecModuleStatus) == eRead::Stored;
}

void cDolbyDecoderSettingsParser::FillRecord(DolbyDecoderSettings_s* pRecord) const {
    if (!pRecord)
        return;
    std::memset(pRecord, 0, sizeof *pRecord);
    JsonRead::CopyCut(pRecord->SpeakerConfig, SpeakerConfig);
    JsonRead::CopyCut(pRecord->StereoDownMixMode, StereoDownMixMode);
    JsonRead::CopyCut(pRecord->VisualiserView, VisualiserView);
    pRecord->AtmosDecode = AtmosDecode;
    pRecord->SurroundMix = SurroundMix;
    JsonRead::CopyCut(pRecord->CompressionMode, CompressionMode);
    pRecord->CompressionCut = CompressionCut;
    pRecord->CompressionBoost = CompressionBoost;
    pRecord->AudioPresentation = AudioPresentation;
    JsonRead::CopyCut(pRecord->LoudnessPreset, LoudnessPreset);
    pRecord->DialogueIntelligence = DialogueIntelligence;
    pRecord->SpeechThreshold = SpeechThreshold;
    pRecord->IsDecModulePresent = IsDecModulePresent;
    JsonRead::CopyCut(pRecord->DecModuleStatus, DecModuleStatus);
}
