#pragma once

// Console lines every layer prints; no Qt and no bus, so parsers and looks
// can report without reaching up into the bus layer. Each line is flushed.

// Console lines of the bus layer: "ZQT ERROR : " and the message.
void ZqtError(const char* pFormat, ...) __attribute__((format(printf, 1, 2)));
// Console lines of the application classes: "KELD_ERROR : " and the message.
void KeldError(const char* pFormat, ...) __attribute__((format(printf, 1, 2)));
