#include "Common/Utility/Logger/Include/Logger.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <czmq.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <string>

Logger* Logger::mpLogger = nullptr;

namespace {

const char* const kFileName = "../../../Common/Utility/Logger/Include/Logger";

// "\n" then the reset of all attributes: the 5-byte suffix of every console line.
const char* const kConsoleSuffix = "\n\033[0m";

int Priority(MsgLevel_e eLevel) {
    if (eLevel >= LEVEL_CRITICAL)
        return kPriorityCritical;
    if (eLevel >= LEVEL_ERROR)
        return kPriorityError;
    if (eLevel >= LEVEL_WARN)
        return kPriorityWarning;
    return eLevel >= LEVEL_INFO ? kPriorityInfo : kPriorityDebug;
}

unsigned long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<unsigned long long>(static_cast<double>(now.tv_sec) * 1000.0 +
                                           static_cast<double>(now.tv_nsec) * 0.000001);
}

} // namespace

Logger* Logger::GetInstance() {
    if (mpLogger)
        return mpLogger;
    try {
        // The bus runtime registers its own exit hook when it starts; starting
        // it first makes DeleteInstance run before that hook, while sockets
        // can still be destroyed.
        BusEndpoints::InitRuntime();
        mpLogger = new Logger();
        std::atexit(&Logger::DeleteInstance);
    } catch (const std::bad_alloc& e) {
        Fprintf(stderr, "%s|%u| \"Exception Bad alloc %s\"", kFileName, __LINE__, e.what());
        return nullptr;
    } catch (const std::exception& e) {
        Fprintf(stderr, "%s|%u| \"Exception %s\"", kFileName, __LINE__, e.what());
        return nullptr;
    }
    return mpLogger;
}

void Logger::DeleteInstance() {
    if (!mpLogger)
        return;
    mpLogger->DetachMq();
    delete mpLogger;
    mpLogger = nullptr;
}

Logger::~Logger() {
    DetachMq();
}

void Logger::SetName(const char* pName) {
    std::memset(mName, 0, sizeof mName);
    if (pName)
        std::snprintf(mName, kNameSize - 1, "%s", pName);
}

const char* Logger::GetLevelName(MsgLevel_e eLevel) {
    switch (eLevel) {
    case LEVEL_NOTSET:
        return "NOTSET";
    case LEVEL_DEBUG:
        return "DEBUG";
    case LEVEL_INFO:
        return "INFO";
    case LEVEL_WARN:
        return "WARN";
    case LEVEL_ERROR:
        return "ERROR";
    case LEVEL_CRITICAL:
        return "CRITICAL";
    }
    return "";
}

// One console line on standard error: in its colour on a terminal or a file,
// with its priority and no escape codes on the journal.
int Logger::Echo(MsgLevel_e eLevel, const char* pColour, const char* pFormat, va_list args) {
    const bool bJournal = ConsoleIsJournal(stderr);
    std::fputs(bJournal ? ConsolePriority(stderr, Priority(eLevel)) : pColour, stderr);
    std::fprintf(stderr, "%llu|%s|%s|", NowMs(), mName, GetLevelName(eLevel));
    const int count = std::vfprintf(stderr, pFormat, args);
    std::fputs(bJournal ? "\n" : kConsoleSuffix, stderr);
    std::fflush(stderr);
    return count;
}

int Logger::Emit(MsgLevel_e eLevel, const char* pColour, bool bForceConsole, const char* pFormat,
                 va_list args) {
    if (mLevel > eLevel || mSilent)
        return 0;
    int count = 0;
    if (bForceConsole || mConsoleEcho) {
        va_list copy;
        va_copy(copy, args);
        count = Echo(eLevel, pColour, pFormat, copy);
        va_end(copy);
    }
    if (isMqAttached()) {
        std::memset(mBuffer, 0, sizeof mBuffer);
        int used = std::snprintf(mBuffer, kBufferSize - 1, "%llu|%s|%s|", NowMs(), mName,
                                 GetLevelName(eLevel));
        if (used < 0)
            used = 0;
        const std::size_t start = std::strlen(mBuffer);
        va_list copy;
        va_copy(copy, args);
        count = std::vsnprintf(mBuffer + start, kBufferSize - 1 - start, pFormat, copy);
        va_end(copy);
        SendJson(MSG_TYPE_LOG, eLevel, mBuffer, nullptr);
    }
    return count;
}

#define LOGGER_LEVEL_OPERATION(Name, eLevel, pColour, bForce)                                      \
    int Logger::Name(const char* pFormat, ...) {                                                   \
        va_list args;                                                                              \
        va_start(args, pFormat);                                                                   \
        const int count = Emit(eLevel, pColour, bForce, pFormat, args);                            \
        va_end(args);                                                                              \
        return count;                                                                              \
    }

LOGGER_LEVEL_OPERATION(Critical, LEVEL_CRITICAL, "\033[1;7m", true)
LOGGER_LEVEL_OPERATION(Error, LEVEL_ERROR, "\033[1;31m", false)
LOGGER_LEVEL_OPERATION(Warn, LEVEL_WARN, "\033[1;33m", false)
LOGGER_LEVEL_OPERATION(Info, LEVEL_INFO, "\033[1;32m", false)
LOGGER_LEVEL_OPERATION(Debug, LEVEL_DEBUG, "\033[0;1m", false)

#undef LOGGER_LEVEL_OPERATION

int Logger::LogClass(MsgLevel_e eLevel, const char* pUnit, unsigned uLine, const char* pFormat,
                     ...) {
    char text[kBufferSize];
    va_list args;
    va_start(args, pFormat);
    std::vsnprintf(text, sizeof text, pFormat, args);
    va_end(args);
    switch (eLevel) {
    case LEVEL_CRITICAL:
        return Critical("%s|%u|\"%s\"", pUnit, uLine, text);
    case LEVEL_ERROR:
        return Error("%s|%u|\"%s\"", pUnit, uLine, text);
    case LEVEL_WARN:
        return Warn("%s|%u|\"%s\"", pUnit, uLine, text);
    case LEVEL_INFO:
        return Info("%s|%u|\"%s\"", pUnit, uLine, text);
    case LEVEL_DEBUG:
        return Debug("%s|%u|\"%s\"", pUnit, uLine, text);
    case LEVEL_NOTSET:
        break;
    }
    return 0;
}

int Logger::Notify(MsgLevel_e eLevel, const char* pTitle, const char* pFormat, ...) {
    va_list args;
    va_start(args, pFormat);
    int count = 0;
    if (isMqAttached()) {
        std::memset(mBuffer, 0, sizeof mBuffer);
        count = std::vsnprintf(mBuffer, kBufferSize - 1, pFormat, args);
        SendJson(MSG_TYPE_NOTIFICATION, eLevel, mBuffer, pTitle);
    } else {
        count = Echo(eLevel, "\033[0;33m", pFormat, args);
    }
    va_end(args);
    return count;
}

bool Logger::SendJson(MsgType_e eType, MsgLevel_e eLevel, const char* pMessage,
                      const char* pTitle) {
    if (!pMessage || !isMqAttached())
        return false;
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("MsgType");
    writer.Int(eType);
    writer.Key("Level");
    writer.Int(eLevel);
    writer.Key("Name");
    writer.String(mName);
    writer.Key("Message");
    writer.String(pMessage);
    if (pTitle && eType == MSG_TYPE_NOTIFICATION) {
        writer.Key("Title");
        writer.String(pTitle);
    }
    writer.EndObject();
    // The socket never waits (send timeout 0): a record the sink cannot take
    // now is dropped and reported by the result.
    return zstr_send(mpSocket, buffer.GetString()) == 0;
}

bool Logger::Attach(const char* pEndpoint, const char* pShown) {
    if (isMqAttached()) {
        Error("Seems this instance already connected to %s", pShown);
        return false;
    }
    try {
        zsock_t* pSocket = zsock_new(ZMQ_PUSH);
        if (!pSocket)
            return false;
        zsock_set_sndtimeo(pSocket, 0);
        zsock_set_linger(pSocket, 0);
        // While the sink is away the first kSinkBacklog records wait for it and
        // later ones are dropped: the lines that explain a fault come first.
        zsock_set_sndhwm(pSocket, kSinkBacklog);
        Debug("Tryig to connect %s", pShown);
        BusEndpoints::SetLinkOptions(pSocket, pEndpoint);
        if (zsock_connect(pSocket, "%s", pEndpoint) != 0) {
            zsock_destroy(&pSocket);
            Error("Failed to connect to %s", pShown);
            return false;
        }
        mpSocket = pSocket;
        Info("Connected to %s", pShown);
        return true;
    } catch (...) {
        return false;
    }
}

bool Logger::AttachMqOverIpc() {
    char shown[256];
    std::snprintf(shown, sizeof shown, "ipc://%s/%s", BusEndpoints::MqDir(), kSinkSocket);
    return Attach(shown, shown);
}

bool Logger::AttachMqOverTcp() {
    char shown[64];
    std::snprintf(shown, sizeof shown, "tcp://%s:%u", BusEndpoints::UnitAddress(), kSinkTcpPort);
    return Attach(shown, shown);
}

bool Logger::DetachMq() {
    try {
        if (mpSocket)
            zsock_destroy(&mpSocket);
        mpSocket = nullptr;
        return true;
    } catch (...) {
        return false;
    }
}

int Logger::Fprintf(FILE* pStream, const char* pFormat, ...) {
    // Only failures are traced on standard error.
    std::fputs(ConsolePriority(pStream, pStream == stderr ? kPriorityError : kPriorityInfo),
               pStream);
    va_list args;
    va_start(args, pFormat);
    const int text = std::vfprintf(pStream, pFormat, args);
    va_end(args);
    const int newline = std::fprintf(pStream, "\n");
    std::fflush(pStream);
    return text + newline;
}
