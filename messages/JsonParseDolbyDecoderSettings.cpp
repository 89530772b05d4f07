#include "messages/JsonParseDolbyDecoderSettings.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Copies a text into a fixed array, cut to fit and always zero-terminated.
template <std::size_t N> void CopyCut(char (&dest)[N], const std::string& text) {
    const std::size_t length = std::min(std::strlen(text.c_str()), N - 1);
    std::memcpy(dest, text.c_str(), length);
    dest[length] = '\0';
}

void StoreString(const rapidjson::Value& object, const char* pKey, std::string& field) {
    const auto member = object.FindMember(pKey);
    if (member != object.MemberEnd() && member->value.IsString())
        field.assign(member->value.GetString(), member->value.GetStringLength());
}

void StoreBool(const rapidjson::Value& object, const char* pKey, bool& field) {
    const auto member = object.FindMember(pKey);
    if (member != object.MemberEnd() && member->value.IsBool())
        field = member->value.GetBool();
}

void StoreInt(const rapidjson::Value& object, const char* pKey, std::int32_t& field) {
    const auto member = object.FindMember(pKey);
    if (member != object.MemberEnd() && member->value.IsInt())
        field = member->value.GetInt();
}

// A floating-point value, or an integer that fits 32 bits; doubles beyond the
// float range saturate instead of wrapping into nonsense.
void StoreFloat(const rapidjson::Value& object, const char* pKey, float& field) {
    const auto member = object.FindMember(pKey);
    if (member == object.MemberEnd())
        return;
    const rapidjson::Value& value = member->value;
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
    std::printf("Retrning  False \n");
}

} // namespace

void cDolbyDecoderSettingsParser::Reset() {
    *this = cDolbyDecoderSettingsParser();
}

bool cDolbyDecoderSettingsParser::ParseDolbyDecoderSettings(const char* pJson) {
    Reset();
    if (!pJson) {
        ReportFalse();
        return false;
    }
    rapidjson::Document document;
    document.Parse(pJson);
    if (document.HasParseError() || !document.IsObject()) {
        ReportFalse();
        return false;
    }
    return ParseDolbyDecoderSettingsObject(document);
}

bool cDolbyDecoderSettingsParser::ParseDolbyDecoderSettingsObject(const rapidjson::Value& root) {
    if (!root.IsObject())
        return false;
    bool bResult = true;

    const auto decoder = root.FindMember("DecoderConfig");
    if (decoder == root.MemberEnd()) {
        bResult = false;
    } else if (decoder->value.IsObject()) {
        const rapidjson::Value& section = decoder->value;
        StoreString(section, "SpeakerConfig", SpeakerConfig);
        StoreString(section, "StereoDownMixMode", StereoDownMixMode);
        StoreString(section, "VisualiserView", VisualiserView);
        StoreBool(section, "AtmosDecode", AtmosDecode);
        StoreBool(section, "SurroundMix", SurroundMix);
    }

    const auto ddPlus = root.FindMember("DDPlusConfig");
    if (ddPlus == root.MemberEnd()) {
        bResult = false;
    } else if (ddPlus->value.IsObject()) {
        const rapidjson::Value& section = ddPlus->value;
        StoreString(section, "CompressionMode", CompressionMode);
        // Presence is what counts here; a wrongly typed value is skipped below.
        if (!section.HasMember("CompressionMode") || !section.HasMember("CompressionCut") ||
            !section.HasMember("CompressionBoost"))
            bResult = false;
        StoreFloat(section, "CompressionCut", CompressionCut);
        StoreFloat(section, "CompressionBoost", CompressionBoost);
    }

    const auto ed2 = root.FindMember("ED2Config");
    if (ed2 == root.MemberEnd()) {
        bResult = false;
    } else if (ed2->value.IsObject()) {
        StoreInt(ed2->value, "AudioPresentation", AudioPresentation);
        if (!ed2->value.HasMember("AudioPresentation"))
            bResult = false;
    }

    const auto loudness = root.FindMember("LoudnessConfig");
    if (loudness != root.MemberEnd() && loudness->value.IsObject()) {
        const rapidjson::Value& section = loudness->value;
        StoreString(section, "Preset", LoudnessPreset);
        StoreInt(section, "SpeechThreshold", SpeechThreshold);
        StoreBool(section, "DialogueIntelligence", DialogueIntelligence);
    }

    if (!bResult)
        return false;

    const auto present = root.FindMember("IsDecModulePresent");
    if (present == root.MemberEnd() || !present->value.IsBool())
        return false;
    IsDecModulePresent = present->value.GetBool();

    const auto status = root.FindMember("DecModuleStatus");
    if (status == root.MemberEnd() || !status->value.IsString())
        return false;
    DecModuleStatus.assign(status->value.GetString(), status->value.GetStringLength());
    return true;
}

void cDolbyDecoderSettingsParser::FillRecord(DolbyDecoderSettings_s* pRecord) const {
    if (!pRecord)
        return;
    std::memset(pRecord, 0, sizeof *pRecord);
    CopyCut(pRecord->SpeakerConfig, SpeakerConfig);
    CopyCut(pRecord->StereoDownMixMode, StereoDownMixMode);
    CopyCut(pRecord->VisualiserView, VisualiserView);
    pRecord->AtmosDecode = AtmosDecode;
    pRecord->SurroundMix = SurroundMix;
    CopyCut(pRecord->CompressionMode, CompressionMode);
    pRecord->CompressionCut = CompressionCut;
    pRecord->CompressionBoost = CompressionBoost;
    pRecord->AudioPresentation = AudioPresentation;
    CopyCut(pRecord->LoudnessPreset, LoudnessPreset);
    pRecord->DialogueIntelligence = DialogueIntelligence;
    pRecord->SpeechThreshold = SpeechThreshold;
    pRecord->IsDecModulePresent = IsDecModulePresent;
    CopyCut(pRecord->DecModuleStatus, DecModuleStatus);
}
