#include "visualiser/DolbyED2Frames.h"

#include <algorithm>
#include <cstring>

namespace DolbyED2Frames {
namespace {

// Walks the frames of a message, one field at a time: through the bus
// library, or through the frames as the reader keeps them.
class FrameCursor {
public:
    explicit FrameCursor(zmsg_t* pMessage) : mpMessage(pMessage) {
        zmsg_first(mpMessage); // the topic, filtered by the subscription
        mpFrame = zmsg_next(mpMessage);
    }
    FrameCursor(const sFrameSlot* pFrames, std::size_t count)
        : mpSlot(count > 0 ? pFrames + 1 : pFrames), mpEnd(pFrames + count) {}

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
        const unsigned char* pData = nullptr;
        std::size_t size = 0;
        if (!Advance(pData, size) || size == 0)
            return;
        const std::size_t length = std::min<std::size_t>(size, sizeof name - 1);
        std::memset(name, 0, sizeof name);
        std::memcpy(name, pData, length);
    }

private:
    bool Advance(const unsigned char*& pData, std::size_t& size) {
        if (!mpMessage) {
            if (mpSlot == mpEnd)
                return false;
            pData = mpSlot->pData;
            size = mpSlot->size;
            ++mpSlot;
            return true;
        }
        if (!mpFrame)
            return false;
        pData = zframe_data(mpFrame);
        size = zframe_size(mpFrame);
        mpFrame = zmsg_next(mpMessage);
        return true;
    }
    const unsigned char* Take(std::size_t size) {
        const unsigned char* pData = nullptr;
        std::size_t have = 0;
        return Advance(pData, have) && have >= size ? pData : nullptr;
    }

    zmsg_t* mpMessage = nullptr;
    zframe_t* mpFrame = nullptr;
    const sFrameSlot* mpSlot = nullptr;
    const sFrameSlot* mpEnd = nullptr;
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

void DecodeFields(FrameCursor& cursor, dlb_pwk_pa_status* pStatus) {
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

} // namespace

void Decode(zmsg_t* pMessage, dlb_pwk_pa_status* pStatus) {
    if (!pMessage || !pStatus)
        return;
    FrameCursor cursor(pMessage);
    DecodeFields(cursor, pStatus);
}

void Decode(const sFrameSlot* pFrames, std::size_t count, dlb_pwk_pa_status* pStatus) {
    if (!pFrames || !pStatus)
        return;
    FrameCursor cursor(pFrames, count);
    DecodeFields(cursor, pStatus);
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
