#include "app/StartupChecks.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

const std::string kLockPrefix = "brisvel-visualiser:";
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

cInstanceLock::cInstanceLock() = default;

cInstanceLock::~cInstanceLock() {
    mpAnswer.reset();
    if (mFd >= 0)
        close(mFd);
}

std::string cInstanceLock::Name(std::string directory) {
    // "/run/shm/mq/" is the same directory as "/run/shm/mq".
    while (directory.size() > 1 && directory.back() == '/')
        directory.pop_back();
    std::string name = kLockPrefix + directory;
    if (name.size() <= kSocketPathMax)
        return name;
    std::uint64_t hash = 14695981039346656037ULL; // 64-bit FNV-1a
    for (const unsigned char c : directory)
        hash = (hash ^ c) * 1099511628211ULL;
    char text[40];
    std::snprintf(text, sizeof text, "fnv1a64:%016llx", static_cast<unsigned long long>(hash));
    return kLockPrefix + std::string(text);
}

cInstanceLock::eResult cInstanceLock::Acquire() {
    const std::string name = Name(BusEndpoints::MqDir());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.data(), name.size()); // sun_path[0] = 0: abstract
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const auto* pAddress = reinterpret_cast<const sockaddr*>(&address);
    // A copy between its bind and its listen refuses a connection; it is
    // asked again a moment later.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd >= 0 && bind(fd, pAddress, length) == 0 && listen(fd, 16) == 0) {
            mFd = fd;
            return eResult::Held;
        }
        const int error = errno;
        if (fd >= 0)
            close(fd);
        if (error != EADDRINUSE) {
            KeldError("Cannot check for another copy on bus directory %s (%s); running anyway.",
                      BusEndpoints::MqDir(), std::strerror(error));
            return eResult::Unavailable;
        }
        const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ucred peer{};
        socklen_t peerLength = sizeof peer;
        const bool bAnswered = probe >= 0 && connect(probe, pAddress, length) == 0 &&
                               getsockopt(probe, SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) == 0;
        if (probe >= 0)
            close(probe);
        if (bAnswered) {
            KeldError("Another copy is running on bus directory %s (PID %ld); this one exits.",
                      BusEndpoints::MqDir(), long(peer.pid));
            return eResult::OtherCopy;
        }
        usleep(20000);
    }
    KeldError("Another program holds the single-copy name for bus directory %s and does not "
              "answer; running anyway.",
              BusEndpoints::MqDir());
    return eResult::Unavailable;
}

void cInstanceLock::Answer() {
    if (mFd < 0 || mpAnswer)
        return;
    mpAnswer = std::make_unique<QSocketNotifier>(mFd, QSocketNotifier::Read);
    QObject::connect(mpAnswer.get(), &QSocketNotifier::activated, mpAnswer.get(), [this] {
        // Asking is all a copy does: its connection is closed unread.
        for (int fd; (fd = accept4(mFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;)
            close(fd);
    });
}
