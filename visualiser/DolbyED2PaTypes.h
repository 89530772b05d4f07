#pragma once

#include <cstddef>
#include <cstdint>

// The personalisation state the decoder board publishes, as far as the front
// panel carries it. Opaque fields are copied and never interpreted here.

inline constexpr std::size_t DLB_PWK_PA_MAX_PRESENTATIONS = 16;
inline constexpr std::size_t DLB_PWK_PA_MAX_SPEAKERS = 16;
inline constexpr std::size_t DLB_PWK_PA_MAX_OBJECTS = 16;
inline constexpr std::size_t DLB_PWK_PA_NAME_SIZE = 32; // 31 characters and the terminator

struct dlb_pwk_pa_speaker {
    std::int32_t source; // index into the channel-name table (0 to 16)
    std::uint8_t opaque_b;
    std::uint32_t opaque_c;
};

struct dlb_pwk_pa_object {
    std::uint32_t opaque_a;
    float x; // left (-1) to right (+1)
    float y; // rear (-1) to front (+1), the screen wall
    float z; // floor (0) to ceiling (1)
    std::uint8_t opaque_b;
    std::uint32_t opaque_c;
};

struct dlb_pwk_pa_presentation {
    std::uint32_t opaque_a;
    std::uint32_t num_speakers; // valid entries of speakers
    dlb_pwk_pa_speaker speakers[DLB_PWK_PA_MAX_SPEAKERS];
    std::uint32_t num_objects; // valid entries of objects
    dlb_pwk_pa_object objects[DLB_PWK_PA_MAX_OBJECTS];
    char name[DLB_PWK_PA_NAME_SIZE];
};

struct dlb_pwk_pa_status {
    std::uint32_t valid; // 0: no personalisation data
    dlb_pwk_pa_presentation presentations[DLB_PWK_PA_MAX_PRESENTATIONS];
    std::uint32_t selected_presentation;
};
