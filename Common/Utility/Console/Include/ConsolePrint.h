#pragma once

#include <cstdio>

// Console lines every layer prints; no Qt and no bus, so parsers and looks
// can report without reaching up into the bus layer. Each line is flushed.

// Console lines of the bus layer: "ZQT ERROR : " and the message.
void ZqtError(const char* pFormat, ...) __attribute__((format(printf, 1, 2)));
// Console lines of the application classes: "KELD_ERROR : " and the message.
void KeldError(const char* pFormat, ...) __attribute__((format(printf, 1, 2)));

// Syslog priorities of console lines.
enum eConsolePriority : int {
    kPriorityCritical = 2,
    kPriorityError = 3,
    kPriorityWarning = 4,
    kPriorityInfo = 6,
    kPriorityDebug = 7,
};

// True where the stream is the journal: JOURNAL_STREAM names its device and
// inode. The journal takes a leading "<N>" as the line's priority and would
// keep colour codes as raw bytes.
bool ConsoleIsJournal(std::FILE* pStream);
// What starts a line of that priority on the stream: "<N>" on the journal,
// nothing on a terminal, a pipe or a file.
const char* ConsolePriority(std::FILE* pStream, int iPriority);
