#pragma once

#include <cstdint>

// The hardware manager's "HwmVolume" message. Percentages are in hundredths.
class cVolumeSettingsParser {
public:
    // Restores the defaults, then reads the document. True when the document is
    // an object carrying all three keys; a key of the wrong type keeps its
    // default but still counts as present.
    bool ParseVolumeSettings(const char* pJson);
    void Reset();

    bool Mute = false;
    std::uint32_t Value = 511;
    std::uint32_t ValueInPrcnt = 4995;
};

// The hardware manager's "HwmBalance" message: the left side's share.
class cBalanceSettingsParser {
public:
    // Same acceptance rule as the volume: both keys present.
    bool ParseBalanceSettings(const char* pJson);
    void Reset();

    std::uint32_t Value = 511;
    std::uint32_t ValueInPrcntForLeft = 4995;
};
