#include "app/StartupChecks.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* const kLockName = "RoVodirAzazodovir.lock";
// The longest socket path the app uses: the directory, the slash-joined form's
// two slashes and the longest socket name.
const std::size_t kLongestSuffix = std::strlen("//loggerSinkMq.ipc");
const std::size_t kSocketPathMax = sizeof(sockaddr_un{}.sun_path) - 1;

} // namespace

bool BusDirectoryExists() {
    struct stat info {};
    return stat(BusEndpoints::MqDir(), &info) == 0 && S_ISDIR(info.st_mode);
}

void ReportBusDirectoryFaults() {
    const char* pDir = BusEndpoints::MqDir();
    if (!BusDirectoryExists())
        KeldError("Bus directory %s is missing: no link to the unit until it is there.", pDir);
    else if (access(pDir, W_OK | X_OK) != 0)
        KeldError("Bus directory %s is not writable: the unit's processes cannot open their "
                  "sockets in it.",
                  pDir);
    const std::size_t uLength = std::strlen(pDir);
    if (uLength + kLongestSuffix > kSocketPathMax)
        KeldError("Bus directory path is too long for a local socket (%zu characters, at most "
                  "%zu): %s",
                  uLength, kSocketPathMax - kLongestSuffix, pDir);
}

cInstanceLock::~cInstanceLock() {
    if (mFd < 0)
        return;
    // Unlinked while still held, so a copy starting now either finds the
    // lock taken or makes a fresh file; Acquire checks which file it holds.
    unlink(mPath.c_str());
    close(mFd);
}

cInstanceLock::eResult cInstanceLock::Acquire() {
    mPath = std::string(BusEndpoints::MqDir()) + "/" + kLockName;
    // A copy leaving may unlink the file between our open and our lock; then
    // we hold a lock on a name nobody else sees, and try again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = open(mPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return eResult::Unavailable;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            char text[32] = {};
            const ssize_t got = pread(fd, text, sizeof text - 1, 0);
            close(fd);
            const long pid = got > 0 ? std::strtol(text, nullptr, 10) : 0;
            KeldError("Another copy is running on bus directory %s (PID %ld); this one exits.",
                      BusEndpoints::MqDir(), pid);
            return eResult::OtherCopy;
        }
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(mPath.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            char text[32];
            const int length = std::snprintf(text, sizeof text, "%ld\n", long(getpid()));
            if (ftruncate(fd, 0) != 0 || pwrite(fd, text, std::size_t(length), 0) != length)
                KeldError("Could not write the PID into %s.", mPath.c_str());
            mFd = fd;
            return eResult::Held;
        }
        close(fd);
    }
    return eResult::Unavailable;
}
