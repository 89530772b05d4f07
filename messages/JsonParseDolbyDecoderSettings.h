#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <string>

// The decoder configuration as the application server hands it on, fixed
// size so it can travel by pointer in a signal. Texts are cut to fit.
struct DolbyDecoderSettings_s {
    char SpeakerConfig[12];
    char StereoDownMixMode[12];
    char VisualiserView[12];
    bool AtmosDecode;
    bool SurroundMix;
    char CompressionMode[12];
    float CompressionCut;
    float CompressionBoost;
    std::int32_t AudioPresentation;
    char LoudnessPreset[12];
    bool DialogueIntelligence;
    std::int32_t SpeechThreshold;
    bool IsDecModulePresent;
    char DecModuleStatus[8];
};

// Parses the decoder settings document and holds one complete configuration.
class cDolbyDecoderSettingsParser {
public:
    // Resets every field to its default, then parses the text.
    bool ParseDolbyDecoderSettings(const char* pJson);
    // Applies an already parsed document without resetting first.
    bool ParseDolbyDecoderSettingsObject(const rapidjson::Value& root);
    void Reset();
    // Copies the fields into the fixed-size record, cutting texts to fit.
    void FillRecord(DolbyDecoderSettings_s* pRecord) const;

    std::string SpeakerConfig = "5.1";
    std::string StereoDownMixMode = "Auto";
    std::string VisualiserView = "Top View";
    bool AtmosDecode = false;
    bool SurroundMix = false;
    std::string CompressionMode = "Line";
    float CompressionCut = 0.0f;
    float CompressionBoost = 0.0f;
    std::int32_t AudioPresentation = 0;
    std::string LoudnessPreset = "ATSC";
    bool DialogueIntelligence = true;
    std::int32_t SpeechThreshold = 20;
    bool IsDecModulePresent = false;
    std::string DecModuleStatus = "Timeout";
};
