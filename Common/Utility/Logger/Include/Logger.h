#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>

// The bus socket type, kept opaque so that users of the log need no bus headers.
typedef struct _zsock_t zsock_t; // NOLINT(bugprone-reserved-identifier): the bus library's name

enum MsgLevel_e : std::int32_t {
    LEVEL_NOTSET = 0,
    LEVEL_DEBUG = 10,
    LEVEL_INFO = 20,
    LEVEL_WARN = 30,
    LEVEL_ERROR = 40,
    LEVEL_CRITICAL = 50,
};

enum MsgType_e : std::int32_t {
    MSG_TYPE_LOG = 0,
    MSG_TYPE_NOTIFICATION = 1,
};

#define BRISVEL_PRINTF(fmtIndex, argIndex) __attribute__((format(printf, fmtIndex, argIndex)))

// Process-wide log facility: a threshold, a coloured console echo and, once
// attached, one compact JSON record per line pushed to the unit's logger sink.
// Not thread-safe: every user runs on the GUI thread and mBuffer is shared.
class Logger {
public:
    static constexpr std::size_t kNameSize = 8;
    static constexpr std::size_t kBufferSize = 2048;
    static constexpr const char* kSinkSocket = "loggerSinkMq.ipc";
    // Records kept for the sink while it is away; later ones are dropped.
    static constexpr int kSinkBacklog = 1000;
    static constexpr unsigned kSinkTcpPort = 9000;

    static Logger* GetInstance();
    static void DeleteInstance();

    int Critical(const char* pFormat, ...) BRISVEL_PRINTF(2, 3);
    int Error(const char* pFormat, ...) BRISVEL_PRINTF(2, 3);
    int Warn(const char* pFormat, ...) BRISVEL_PRINTF(2, 3);
    int Info(const char* pFormat, ...) BRISVEL_PRINTF(2, 3);
    int Debug(const char* pFormat, ...) BRISVEL_PRINTF(2, 3);
    int Notify(MsgLevel_e eLevel, const char* pTitle, const char* pFormat, ...)
        BRISVEL_PRINTF(4, 5);

    // The class-log form: "<unit>|<line>|\"<message>\"" at the given level,
    // through the level operation of that level.
    int LogClass(MsgLevel_e eLevel, const char* pUnit, unsigned uLine, const char* pFormat, ...)
        BRISVEL_PRINTF(5, 6);

    bool SendJson(MsgType_e eType, MsgLevel_e eLevel, const char* pMessage, const char* pTitle);

    bool AttachMqOverIpc();
    bool AttachMqOverTcp();
    bool DetachMq();
    bool isMqAttached() const { return mpSocket != nullptr; }

    static const char* GetLevelName(MsgLevel_e eLevel);
    static int Fprintf(FILE* pStream, const char* pFormat, ...) BRISVEL_PRINTF(2, 3);

    void SetLevel(MsgLevel_e eLevel) { mLevel = eLevel; }
    MsgLevel_e GetLevel() const { return mLevel; }
    void SetConsoleEcho(bool bEcho) { mConsoleEcho = bEcho; }
    void SetSilent(bool bSilent) { mSilent = bSilent; }
    // Clears the name field and writes the name with a 7-byte bound: at most
    // six characters are kept.
    void SetName(const char* pName);
    const char* GetName() const { return mName; }

    static Logger* mpLogger;

    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

private:
    Logger() = default;
    ~Logger();

    int Emit(MsgLevel_e eLevel, const char* pColour, bool bForceConsole, const char* pFormat,
             va_list args);
    int Echo(MsgLevel_e eLevel, const char* pColour, const char* pFormat, va_list args);
    bool Attach(const char* pEndpoint, const char* pShown);

    zsock_t* mpSocket = nullptr;
    MsgLevel_e mLevel = LEVEL_WARN;
    bool mConsoleEcho = false;
    bool mSilent = false;
    char mName[kNameSize] = {};
    char mBuffer[kBufferSize] = {};
};

// The class log gate: a class that logs keeps static `mpLogger` and
// `mLogLevel` members; a message goes on only when both allow it.
#define CLASS_LOG(Class, eLevel, ...)                                                              \
    do {                                                                                           \
        if (Class::mpLogger && Class::mLogLevel <= (eLevel))                                       \
            Class::mpLogger->LogClass((eLevel), kLogUnit, __LINE__, __VA_ARGS__);                  \
    } while (0)
