#pragma once

#include "tools/unit-sim/Recording.h"

#include <QCommandLineParser>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

// What the roles that play a recording share ('replay', 'render'): opening
// the file, and the part of it to play with --from, --to and --speed.
namespace PlayRange {

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a recording for reading; null, with the reason said, when it is not one.
FilePtr OpenRecording(const char* pRole, const QString& file, Recording::cReader* pReader);

struct sRange {
    double speed = 1.0;
    std::uint64_t fromUs = 0;
    std::uint64_t toUs = std::numeric_limits<std::uint64_t>::max();
    bool bFromSet = false;

    bool Within(std::uint64_t uTimeUs) const { return uTimeUs >= fromUs && uTimeUs <= toUs; }
    // Microseconds after --from at which the message plays, with --speed.
    double PlayUs(std::uint64_t uTimeUs) const {
        return static_cast<double>(uTimeUs - fromUs) / speed;
    }
};

void AddOptions(QCommandLineParser& parser);
// False when --speed is not above 0, or --from or --to is negative or not a number.
bool Parse(const QCommandLineParser& args, sRange* pRange);

// A value not below zero, or the fallback when the option is not given.
bool Number(const QCommandLineParser& args, const char* pName, double fallback, double* pValue);

// Whether the reader stopped on a record cut short or damaged, which the
// role then says with the reader's StopText.
bool StoppedEarly(Recording::cReader::eNext next);

} // namespace PlayRange
