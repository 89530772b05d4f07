#pragma once

#include <cstddef>
#include <string>

// What a recalled preset tells the pages: its names and how it was recalled.
struct PresetRecall_s {
    char GroupName[32];
    char ProgramName[32];
    char PresetName[32];
    bool SourceSelect;
    bool ApplyDZMeters; // the preset has a Dolby meter and asks for the Dolby meter screen
};

// The selected meter scale and ballistics; texts are cut to fit.
struct ScaleInfo_t {
    char Scale[8];
    char BallisticsFloat[12];
    char BallisticsBar[12];
};

// Parses the meter scale selection ("AppMeterScalesSelect").
class cMeterScalesParser {
public:
    // Resets the fields, then stores what the text carries; true only when
    // every expected key is present. Values are stored even on false.
    bool ParseMeterScales(const char* pJson);
    void Reset();
    void FillRecord(ScaleInfo_t* pRecord) const;

    std::string Scale = "AES";
    std::string BallisticsFloat = "IEC_TYPE_I";
    std::string BallisticsBar = "VU";
    bool OriginFromFp = false;
};
