#include "visualiser/DolbyED2Frames.h"

#include <algorithm>
#include <cstring>

namespace DolbyED2Frames {
namespace {

// Walks the frames of a message, one field at a time.
class FrameCursor {
public:
    explicit FrameCursor(zmsg_t* pMessage) : mpMessage(pMessage) {
        zmsg_first(mpMessage); // the topic, filtered by the subscription
        mpFrame = zmsg_next(mpMessage);
    }

    void U32(std::uint32_t& value) {
        const unsigned char* p = Take(4);
        if (p)
            value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                    std::uint32_t(p[3]) << 24;
    }
    void I32(std::int32_t& value) {
        std::uint32_t raw = static_cast<std::uint32_t>(value);
        U32(raw);
        std::memcpy(&value, &raw, sizeof value);
    }
    void F32(float& value) {
        std::uint32_t raw;
        std::memcpy(&raw, &value, sizeof raw);
        U32(raw);
        std::memcpy(&value, &raw, sizeof value);
    }
    void U8(std::uint8_t& value) {
        const unsigned char* p = Take(1);
        if (p)
            value = p[0];
    }
    void Name(char (&name)[DLB_PWK_PA_NAME_SIZE]) {
        zframe_t* pFrame = Advance();
        if (!pFrame || zframe_size(pFrame) == 0)
            return;
        const std::size_t length = std::min<std::size_t>(zframe_size(pFrame), sizeof name - 1);
        std::memset(name, 0, sizeof name);
        std::memcpy(name, zframe_data(pFrame), length);
    }

private:
    zframe_t* Advance() {
        zframe_t* pFrame = mpFrame;
        if (pFrame)
            mpFrame = zmsg_next(mpMessage);
        return pFrame;
    }
    const unsigned char* Take(std::size_t size) {
        zframe_t* pFrame = Advance();
        if (!pFrame || zframe_size(pFrame) < size)
            return nullptr;
        return zframe_data(pFrame);
    }

    zmsg_t* mpMessage;
    zframe_t* mpFrame = nullptr;
};

void AddU32(zmsg_t* pMessage, std::uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    zmsg_addmem(pMessage, bytes, sizeof bytes);
}
void AddI32(zmsg_t* pMessage, std::int32_t value) {
    std::uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    AddU32(pMessage, raw);
}
void AddF32(zmsg_t* pMessage, float value) {
    std::uint32_t raw;
    std::memcpy(&raw, &value, sizeof raw);
    AddU32(pMessage, raw);
}
void AddU8(zmsg_t* pMessage, std::uint8_t value) {
    zmsg_addmem(pMessage, &value, 1);
}

} // namespace

void Decode(zmsg_t* pMessage, dlb_pwk_pa_status* pStatus) {
    if (!pMessage || !pStatus)
        return;
    FrameCursor cursor(pMessage);
    cursor.U32(pStatus->valid);
    for (dlb_pwk_pa_presentation& presentation : pStatus->presentations) {
        cursor.U32(presentation.opaque_a);
        cursor.U32(presentation.num_speakers);
        for (dlb_pwk_pa_speaker& speaker : presentation.speakers) {
            cursor.I32(speaker.source);
            cursor.U8(speaker.opaque_b);
            cursor.U32(speaker.opaque_c);
        }
        cursor.U32(presentation.num_objects);
        for (dlb_pwk_pa_object& object : presentation.objects) {
            cursor.U32(object.opaque_a);
            cursor.F32(object.x);
            cursor.F32(object.y);
            cursor.F32(object.z);
            cursor.U8(object.opaque_b);
            cursor.U32(object.opaque_c);
        }
        cursor.Name(presentation.name);
    }
    cursor.U32(pStatus->selected_presentation);
}

zmsg_t* Encode(const dlb_pwk_pa_status& status) {
    zmsg_t* pMessage = zmsg_new();
    zmsg_addstr(pMessage, kTopic);
    AddU32(pMessage, status.valid);
    for (const dlb_pwk_pa_presentation& presentation : status.presentations) {
        AddU32(pMessage, presentation.opaque_a);
        AddU32(pMessage, presentation.num_speakers);
        for (const dlb_pwk_pa_speaker& speaker : presentation.speakers) {
            AddI32(pMessage, speaker.source);
            AddU8(pMessage, speaker.opaque_b);
            AddU32(pMessage, speaker.opaque_c);
        }
        AddU32(pMessage, presentation.num_objects);
        for (const dlb_pwk_pa_object& object : presentation.objects) {
            AddU32(pMessage, object.opaque_a);
            AddF32(pMessage, object.x);
            AddF32(pMessage, object.y);
            AddF32(pMessage, object.z);
            AddU8(pMessage, object.opaque_b);
            AddU32(pMessage, object.opaque_c);
        }
        zmsg_addmem(pMessage, presentation.name,
                    strnlen(presentation.name, sizeof presentation.name));
    }
    AddU32(pMessage, status.selected_presentation);
    return pMessage;
}

} // namespace DolbyED2Frames
