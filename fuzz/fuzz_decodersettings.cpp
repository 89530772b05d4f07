// Arbitrary bytes through the decoder settings parser and into its record.
#include "messages/JsonParseDolbyDecoderSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    static const bool bQuiet = std::freopen("/dev/null", "w", stdout) != nullptr;
    (void)bQuiet;
    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    static cDolbyDecoderSettingsParser parser; // reused, as the subscriber does
    parser.ParseDolbyDecoderSettings(text.c_str());
    DolbyDecoderSettings_s record;
    parser.FillRecord(&record);
    return 0;
}
