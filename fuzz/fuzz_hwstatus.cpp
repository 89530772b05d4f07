// Arbitrary bytes as the hardware manager's volume, balance and SDI status
// documents, and the first four bytes as a receiver status word.
#include "bus/ZmqSubHwStatus.h"
#include "messages/JsonParseHwmMessages.h"
#include "messages/JsonParserSDIStatus.h"
#include "messages/SdiStatusParser.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    cSignalStatus decoder;
    if (uSize >= 4) {
        std::uint32_t uWord = 0;
        std::memcpy(&uWord, pData, sizeof uWord);
        decoder.RawStatus = uWord;
        decoder.DecodeStatus();
        (void)decoder.GetFormatSummary();
    }

    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    cVolumeSettingsParser volume;
    (void)volume.ParseVolumeSettings(text.c_str());
    cBalanceSettingsParser balance;
    (void)balance.ParseBalanceSettings(text.c_str());
    cJsonParserSDIStatus status;
    if (status.ParseSDIStatus(text.c_str()))
        (void)cZmqSubHwStatus::BuildSdiText(status, &decoder);
    return 0;
}
