// Arbitrary bytes as an application command, through both readers of it.
#include "Common/AppLib/Include/HeartBeater.h"
#include "messages/JsonParseSystemUpdate.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(pData), size);
    cJsonParseSystemUpdate parser;
    // Both read the same message form and must agree on it.
    if (cHeartBeater::ParseAppCommand(text.c_str()) != parser.ParseSystemCommand(text.c_str()))
        std::abort();
    return 0;
}
