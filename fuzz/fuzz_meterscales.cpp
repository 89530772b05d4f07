// Arbitrary bytes through the meter scale parser and into its record.
#include "messages/JsonParseMetersInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    static cMeterScalesParser parser;
    parser.ParseMeterScales(text.c_str());
    ScaleInfo_t record;
    parser.FillRecord(&record);
    return 0;
}
