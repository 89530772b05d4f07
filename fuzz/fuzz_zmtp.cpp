// Arbitrary bytes into the bus protocol's parser, as a TCP link brings them:
// the first byte sets the size of the pieces the rest is cut into, so a frame
// is gathered across pieces as often as it is read in place.
#include "bus/ZmtpParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    if (size == 0)
        return 0;
    constexpr std::size_t kBound = 1024;
    const std::size_t piece = std::size_t(pData[0] % 97) + 1;
    cZmtpParser parser(kBound);
    std::uint64_t sum = 0;
    for (std::size_t at = 1; at < size; at += piece) {
        // A piece of its own, so that reading past it is caught.
        const std::vector<std::uint8_t> cut(pData + at, pData + std::min(size, at + piece));
        parser.Feed(cut.data(), cut.size());
        cZmtpParser::sFrame frame;
        for (;;) {
            const cZmtpParser::eStep step = parser.Next(&frame);
            if (step == cZmtpParser::eStep::kNeedMore)
                break;
            if (step == cZmtpParser::eStep::kFault)
                return 0;
            if (step == cZmtpParser::eStep::kFrame || step == cZmtpParser::eStep::kCommand) {
                if (frame.size > kBound)
                    __builtin_trap();
                for (std::size_t i = 0; i < frame.size; ++i)
                    sum += frame.pData[i];
                if (step == cZmtpParser::eStep::kCommand)
                    sum += cZmtpParser::CommandName(frame).size();
            }
        }
        if (!parser.PieceUsed())
            __builtin_trap();
    }
    return sum == 1 ? 1 : 0; // keeps the reads
}
