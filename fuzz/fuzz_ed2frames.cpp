// Arbitrary multipart messages into the ED2 frame decoder, through the bus
// library's frames and through the reader's table of them. The input is cut
// into frames: one length byte, then up to that many bytes of frame data.
#include "visualiser/DolbyED2Frames.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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
    static dlb_pwk_pa_status fromTable{};
    DolbyED2Frames::Decode(pMessage, &status);
    // The same frames as the reader keeps them must give the same record.
    std::vector<sFrameSlot> table;
    for (zframe_t* p = zmsg_first(pMessage); p; p = zmsg_next(pMessage))
        table.push_back({p, zframe_data(p), zframe_size(p)});
    DolbyED2Frames::Decode(table.data(), table.size(), &fromTable);
    if (std::memcmp(&status, &fromTable, sizeof status) != 0)
        __builtin_trap();
    // The name must stay a terminated text whatever arrived.
    for (const dlb_pwk_pa_presentation& presentation : status.presentations)
        if (presentation.name[sizeof presentation.name - 1] != '\0')
            __builtin_trap();
    zmsg_destroy(&pMessage);
    return 0;
}
