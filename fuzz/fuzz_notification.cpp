// Arbitrary bytes as an "AppNotification" document: the parser must never
// overrun a text field and must leave every text terminated.
#include "messages/JsonParseNotifMessages.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Rejections print a console line each; keep the fuzzer's output readable.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    Notification_s record{};
    cJsonParseNotifMessages parser;
    if (parser.ParseNotificationMessages(text.c_str(), &record) == 0) {
        if (!std::memchr(record.title, '\0', sizeof record.title) ||
            !std::memchr(record.notifMsg, '\0', sizeof record.notifMsg) ||
            !std::memchr(record.shortMsg, '\0', sizeof record.shortMsg))
            std::abort();
    }
    return 0;
}
