// Arbitrary bytes as a rotary encoder state: no crash, and a refused body
// leaves the record as it was.
#include "messages/JsonParseRotaryEncoder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(pData), size);
    cJsonParseRotaryEncoder parser;
    RotaryEncEvent_t event{7, 7, 7, 7};
    const RotaryEncEvent_t before = event;
    const int result = parser.ParseRotaryEncodeData(text.c_str(), &event);
    if (result != 1 && (result != -1 || std::memcmp(&before, &event, sizeof event) != 0))
        std::abort();
    return 0;
}
