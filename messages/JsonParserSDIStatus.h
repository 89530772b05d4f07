#pragma once

#include <cstdint>

// The hardware manager's "HwmSignalStatus" message. Every field reads -1
// until a message carries it.
class cJsonParserSDIStatus {
public:
    // Restores the defaults, then reads the document. True when the document is
    // an object carrying all five keys; a key of the wrong type keeps its
    // default but still counts as present.
    bool ParseSDIStatus(const char* pJson);
    void Reset();

    std::int32_t EncodedStatus = -1; // the receiver's status register
    std::int32_t Slot = -1;
    std::int32_t Status = -1;
    std::int32_t Type = -1;
    std::int32_t ClkSrcLockStatus = -1; // non-zero: the input is locked
};
