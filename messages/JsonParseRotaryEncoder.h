#pragma once

#include <cstdint>

// One state change of a front-panel rotary encoder. The message carries
// 32-bit values; each field keeps their low 16 bits.
struct RotaryEncEvent_t {
    std::int16_t CountAbsolute;
    std::int16_t CountChange;
    std::int16_t SwitchChange;
    std::int16_t SwitchAbsolute;
};

// Reads the hardware manager's encoder state message. Stateless.
class cJsonParseRotaryEncoder {
public:
    // 1 when the message was read, -1 when it is not an object with the four
    // integer members (the record is then left as it was).
    int ParseRotaryEncodeData(const char* pJson, RotaryEncEvent_t* pOut);
};
