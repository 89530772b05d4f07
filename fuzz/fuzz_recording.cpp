// Arbitrary bytes as a bus recording: the reader must stop cleanly at the
// first record that is not whole, and every record it accepts must write
// back to the same bytes.
#include "tools/unit-sim/Recording.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    if (uSize == 0)
        return 0;
    std::FILE* pFile = fmemopen(const_cast<std::uint8_t*>(pData), uSize, "rb");
    if (!pFile)
        return 0;
    Recording::cReader reader;
    std::string error;
    if (reader.Open(pFile, &error)) {
        Recording::cMessage message;
        std::uint64_t uOffset = reader.Offset();
        while (reader.Next(&message) == Recording::cReader::eNext::Message) {
            const std::string record = Recording::EncodeRecord(message);
            if (record.size() != reader.Offset() - uOffset ||
                std::memcmp(record.data(), pData + uOffset, record.size()) != 0)
                std::abort();
            uOffset = reader.Offset();
        }
        (void)reader.StopText();
    }
    std::fclose(pFile);
    return 0;
}
