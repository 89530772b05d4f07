// Arbitrary bytes as a system update: the parser must neither crash, nor
// read out of bounds, nor leave a text field without its terminating NUL.
#include "messages/JsonParseSystemUpdate.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Every rejected input prints a console line; keep the fuzzer's output readable.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

namespace {

template <std::size_t N> void CheckText(const char (&field)[N]) {
    if (!std::memchr(field, '\0', N))
        std::abort();
}

void Check(const SystemUpdate_t& update) {
    CheckText(update.version);
    CheckText(update.message);
    CheckText(update.task);
    for (const SystemUpdatePackage_t& package : update.packages) {
        CheckText(package.desc);
        CheckText(package.fileName);
        CheckText(package.version);
    }
    if (update.packageCount > SystemUpdate_t::kMaxPackages)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(pData), size);
    cJsonParseSystemUpdate parser;
    // A record kept across messages, as the subscriber keeps it.
    static SystemUpdate_t kept{};
    SystemUpdate_t fresh{};
    const SystemUpdate_t before = kept;
    if (parser.ParseSUPackage(text.c_str(), &kept) != 0 &&
        std::memcmp(&before, &kept, sizeof kept) != 0)
        std::abort(); // a refused message must change nothing
    parser.ParseSUPackage(text.c_str(), &fresh);
    Check(kept);
    Check(fresh);
    return 0;
}
