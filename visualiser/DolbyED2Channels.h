#pragma once

#include <array>
#include <cstring>

// Channel names of the bed speakers, indexed by a speaker's source number.
// Index 0 is the empty name.
namespace DolbyED2Channels {

inline constexpr std::array<const char*, 17> kNames = {"",    "L",   "R",   "C",   "LFE", "Ls",
                                                       "Rs",  "Lrs", "Rrs", "Ltf", "Rtf", "Ltm",
                                                       "Rtm", "Ltr", "Rtr", "Lfw", "Rfw"};

// Source number of a channel name, or -1 when the name is not in the table.
inline int SourceOf(const char* pName) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (std::strcmp(kNames[i], pName) == 0)
            return static_cast<int>(i);
    return -1;
}

} // namespace DolbyED2Channels
