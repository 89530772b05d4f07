// Arbitrary bytes as a "DolbyMetadataEvent" document, through the whole
// handling step: parse, display lines, stream-type name and signals.
#include "visualiser/ZmqSubDolby.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    static cZmqSubDolby subscriber; // reused like the running subscriber
    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    subscriber.ParseDolbyMetadata(text.c_str());
    return 0;
}
