// Arbitrary bytes through the preset parser, then every query of the model.
#include "messages/JsonParseAppSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    static cPresetParser parser; // reused, as the subscriber does
    parser.ParsePreset(text.c_str());
    DolbyDecoderSettings_s record;
    parser.DecoderConf.FillRecord(&record);
    volatile std::int64_t sink = 0;
    for (std::int32_t i = -1; i <= 16; ++i) {
        sink = sink + parser.Meters.GetVolumeDb(i, 0) + parser.Meters.GetClusterId(i) +
               parser.Meters.GetInputType(i) + parser.Meters.GetOutputAssignments(i) +
               parser.Clusters.GetFirstMeter(i, 0) + parser.Clusters.GetCusterType(i);
        if (const char* pText = parser.Meters.GetSpeakerTypeStr(i))
            sink = sink + pText[0];
        if (const char* pText = parser.Clusters.GetClusterName(i))
            sink = sink + pText[0];
    }
    return 0;
}
