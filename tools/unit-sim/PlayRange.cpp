#include "tools/unit-sim/PlayRange.h"

#include "tools/unit-sim/SimRole.h"

#include <QFile>

namespace PlayRange {
namespace {

// Seconds as recording times; beyond any recording saturates.
std::uint64_t Microseconds(double seconds) {
    return seconds < 1e12 ? static_cast<std::uint64_t>(seconds * 1e6)
                          : std::numeric_limits<std::uint64_t>::max();
}

} // namespace

FilePtr OpenRecording(const char* pRole, const QString& file, Recording::cReader* pReader) {
    FilePtr pFile(std::fopen(QFile::encodeName(file).constData(), "rb"));
    std::string error = pFile ? std::string() : "cannot open it";
    if (pFile && !pReader->Open(pFile.get(), &error))
        pFile.reset();
    if (!pFile)
        Sim::Complain(QStringLiteral("%1: %2: %3")
                          .arg(QLatin1String(pRole), file, QString::fromStdString(error)));
    return pFile;
}

void AddOptions(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("speed"), QStringLiteral("X"),
                  QStringLiteral("Play X times faster (default 1)."), QStringLiteral("1"));
    Sim::AddValue(parser, QStringLiteral("from"), QStringLiteral("T"),
                  QStringLiteral("Start T seconds into the recording."));
    Sim::AddValue(parser, QStringLiteral("to"), QStringLiteral("T"),
                  QStringLiteral("Stop T seconds into the recording."));
}

bool Number(const QCommandLineParser& args, const char* pName, double fallback, double* pValue) {
    *pValue = fallback;
    if (!args.isSet(QLatin1String(pName)))
        return true;
    bool bOk = false;
    *pValue = args.value(QLatin1String(pName)).toDouble(&bOk);
    return bOk && *pValue >= 0.0;
}

bool Parse(const QCommandLineParser& args, sRange* pRange) {
    double from = 0.0, to = 0.0;
    if (!Number(args, "speed", 1.0, &pRange->speed) || pRange->speed <= 0.0 ||
        !Number(args, "from", 0.0, &from) || !Number(args, "to", 0.0, &to))
        return false;
    pRange->bFromSet = args.isSet(QStringLiteral("from"));
    pRange->fromUs = Microseconds(from);
    if (args.isSet(QStringLiteral("to")))
        pRange->toUs = Microseconds(to);
    return true;
}

bool StoppedEarly(Recording::cReader::eNext next) {
    return next == Recording::cReader::eNext::Truncated ||
           next == Recording::cReader::eNext::Damaged;
}

} // namespace PlayRange
