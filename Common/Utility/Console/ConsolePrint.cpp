#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <cstdarg>
#include <cstdio>

namespace {

void PrintPrefixed(const char* pPrefix, const char* pFormat, va_list args) {
    std::fputs(pPrefix, stdout);
    std::vfprintf(stdout, pFormat, args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

void ZqtError(const char* pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    PrintPrefixed("ZQT ERROR : ", pFormat, args);
    va_end(args);
}

void KeldError(const char* pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    PrintPrefixed("KELD_ERROR : ", pFormat, args);
    va_end(args);
}
