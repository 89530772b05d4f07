#pragma once

#include <cstddef>

// The bus library's frame, declared as its header does.
typedef struct _zframe_t zframe_t; // NOLINT(bugprone-reserved-identifier)

// A frame of a message the reader filled, with its bytes and size: asking the
// bus library for them, frame by frame, costs more than reading a field.
struct sFrameSlot {
    zframe_t* pFrame;
    unsigned char* pData;
    std::size_t size;
};
