// Arbitrary multipart messages into the ED2 frame decoder. The input is cut
// into frames: one length byte, then up to that many bytes of frame data.
#include "visualiser/DolbyED2Frames.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    zmsg_t* pMessage = zmsg_new();
    zmsg_addstr(pMessage, DolbyED2Frames::kTopic);
    std::size_t at = 0;
    while (at < size && zmsg_size(pMessage) < DolbyED2Frames::kEventFrames + 8) {
        std::size_t length = pData[at++];
        if (length > size - at)
            length = size - at;
        zmsg_addmem(pMessage, pData + at, length);
        at += length;
    }
    static dlb_pwk_pa_status status{};
    DolbyED2Frames::Decode(pMessage, &status);
    // The name must stay a terminated text whatever arrived.
    for (const dlb_pwk_pa_presentation& presentation : status.presentations)
        if (presentation.name[sizeof presentation.name - 1] != '\0')
            __builtin_trap();
    zmsg_destroy(&pMessage);
    return 0;
}
