#include "app/ServiceCommands.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "app/SourceRevision.h"
#include "app/StartupChecks.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void JournalLine(QtMsgType eType, const QMessageLogContext& context, const QString& text) {
    int priority = kPriorityDebug;
    switch (eType) {
    case QtDebugMsg:
        break;
    case QtInfoMsg:
        priority = kPriorityInfo;
        break;
    case QtWarningMsg:
        priority = kPriorityWarning;
        break;
    case QtCriticalMsg:
        priority = kPriorityError;
        break;
    case QtFatalMsg:
        priority = kPriorityCritical;
        break;
    }
    const QString prefix = QString::fromLatin1(ConsolePriority(stderr, priority));
    // Every line of a message carries the priority, not only its first.
    QString lines = prefix + qFormatLogMessage(eType, context, text);
    lines.replace(QLatin1Char('\n'), QLatin1Char('\n') + prefix);
    std::fprintf(stderr, "%s\n", lines.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

int WaitForBus(const char* pSeconds) {
    char* pEnd = nullptr;
    const long seconds = pSeconds ? std::strtol(pSeconds, &pEnd, 10) : -1;
    if (!pSeconds || *pEnd || seconds < 0 || seconds > 86400) {
        KeldError("--wait-bus needs a number of seconds (0 to 86400).");
        return 2;
    }
    return WaitForBusDirectory(seconds) ? 0 : kExitNoBus;
}

const char* VersionText() {
    return BRISVEL_NAME " " BRISVEL_VERSION ", source revision " BRISVEL_SOURCE_REVISION;
}

int RunServiceCommand(int argc, char** argv) {
    if (argc < 2)
        return -1;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s\n", VersionText());
        return 0;
    }
    if (std::strcmp(argv[1], "--wait-bus") == 0)
        return WaitForBus(argc > 2 ? argv[2] : nullptr);
    return -1;
}

void RouteQtMessagesToJournal() {
    if (ConsoleIsJournal(stderr))
        qInstallMessageHandler(JournalLine);
}
