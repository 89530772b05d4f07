#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <sys/stat.h>

#include <cstdarg>
#include <cstdlib>

namespace {

void PrintPrefixed(const char* pPrefix, const char* pFormat, va_list args) {
    std::fputs(ConsolePriority(stdout, kPriorityError), stdout);
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

// Asked afresh for every line: lines are few, and a stream may be redirected.
bool ConsoleIsJournal(std::FILE* pStream) {
    const char* pNamed = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0;
    unsigned long long inode = 0;
    char extra = 0;
    if (!pStream || !pNamed || std::sscanf(pNamed, "%llu:%llu%c", &device, &inode, &extra) != 2)
        return false;
    struct stat info {};
    return fstat(fileno(pStream), &info) == 0 && info.st_dev == device && info.st_ino == inode;
}

const char* ConsolePriority(std::FILE* pStream, int iPriority) {
    static const char* const kPrefix[] = {"<0>", "<1>", "<2>", "<3>", "<4>", "<5>", "<6>", "<7>"};
    return iPriority >= 0 && iPriority < 8 && ConsoleIsJournal(pStream) ? kPrefix[iPriority] : "";
}
