#pragma once

#include "bus/FrameSlot.h"
#include "visualiser/DolbyED2PaTypes.h"

#include <czmq.h>

// Wire form of one ED2 personalisation event: the topic, then one frame per
// field in record order, numbers as little-endian raw bytes, each name as its
// characters without terminator. Slots beyond the counts travel as well.
namespace DolbyED2Frames {

inline constexpr const char* kTopic = "DolbyPersonalizationDataEvent";
inline constexpr unsigned kPort = 2004;
// The largest field is a 32-byte name; anything much longer is not an event.
inline constexpr int kMaxFrameBytes = 1024;
inline constexpr std::size_t kFramesPerPresentation = 148;
inline constexpr std::size_t kEventFrames = 1 + 1 + 16 * kFramesPerPresentation + 1; // 2371
// An event is about 10 kB: 2370 fields of at most 4 bytes, 16 names of at
// most 32, the topic. Three times that is room for frames a little long.
inline constexpr long long kMaxEventBytes = 32LL * 1024;

// Copies the frames after the topic into the record in one pass. A frame that
// is missing, empty or shorter than its field leaves that field as it was;
// longer frames give only their first bytes; names are cut to 31 characters.
void Decode(zmsg_t* pMessage, dlb_pwk_pa_status* pStatus);
// The same from the message's frames as the reader keeps them, topic first.
void Decode(const sFrameSlot* pFrames, std::size_t count, dlb_pwk_pa_status* pStatus);

// Builds the message the decoder board would send for this record.
zmsg_t* Encode(const dlb_pwk_pa_status& status);

} // namespace DolbyED2Frames
