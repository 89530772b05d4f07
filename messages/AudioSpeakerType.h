#pragma once

#include <cstdint>

// Speaker position a channel is routed to. 1 to 9 are the types the preset
// texts name ("Left" .. "MonoSurround"); 10 to 19 complete the set the peer
// may send as plain numbers. 0 means no speaker.
enum AudioSpeakerType_e : std::int32_t {
    AUDIO_SPEAKER_NONE = 0,
    AUDIO_SPEAKER_LEFT = 1,
    AUDIO_SPEAKER_RIGHT = 2,
    AUDIO_SPEAKER_CENTER = 3,
    AUDIO_SPEAKER_LOW_FREQUENCY_EFFECTS = 4,
    AUDIO_SPEAKER_LEFT_SURROUND = 5,
    AUDIO_SPEAKER_RIGHT_SURROUND = 6,
    AUDIO_SPEAKER_BACK_SURROUND_LEFT = 7,
    AUDIO_SPEAKER_BACK_SURROUND_RIGHT = 8,
    AUDIO_SPEAKER_MONO_SURROUND = 9,
    AUDIO_SPEAKER_LEFT_WIDE = 10,
    AUDIO_SPEAKER_RIGHT_WIDE = 11,
    AUDIO_SPEAKER_TOP_FRONT_LEFT = 12,
    AUDIO_SPEAKER_TOP_FRONT_RIGHT = 13,
    AUDIO_SPEAKER_TOP_MIDDLE_LEFT = 14,
    AUDIO_SPEAKER_TOP_MIDDLE_RIGHT = 15,
    AUDIO_SPEAKER_TOP_BACK_LEFT = 16,
    AUDIO_SPEAKER_TOP_BACK_RIGHT = 17,
    AUDIO_SPEAKER_LOW_FREQUENCY_EFFECTS_2 = 18,
    AUDIO_SPEAKER_OTHER = 19,
};

inline constexpr unsigned kAudioSpeakerTypeCount = 20;
