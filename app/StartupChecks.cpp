#include "app/StartupChecks.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

const std::string kLockPrefix = "brisvel-visualiser:";
// The longest socket path the app uses: the directory, the slash-joined form's
// two slashes and the longest socket name.
const std::size_t kLongestSuffix = std::strlen("//loggerSinkMq.ipc");
const std::size_t kSocketPathMax = sizeof(sockaddr_un{}.sun_path) - 1;

// Connects to a display server's local socket: its abstract name first, as
// X clients do, then the file.
bool Reach(const std::string& path) {
    for (const bool bAbstract : {true, false}) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::size_t offset = bAbstract ? 1 : 0;
        if (path.size() + offset >= sizeof address.sun_path) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::memcpy(address.sun_path + offset, path.data(), path.size());
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + path.size());
        const bool bReached =
            fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
        const int error = errno;
        if (fd >= 0)
            close(fd);
        if (bReached)
            return true;
        errno = error;
    }
    return false;
}

} // namespace

sDisplayNeed DisplayNeed(int argc, char** argv,
                         const std::function<const char*(const char*)>& env) {
    const auto value = [&env](const char* pName) {
        const char* pValue = env(pName);
        return std::string(pValue ? pValue : "");
    };
    std::string asked;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            asked = argv[i + 1];
    if (asked.empty())
        asked = value("QT_QPA_PLATFORM");
    if (asked.empty() && !value("WAYLAND_DISPLAY").empty())
        return {}; // Qt may choose wayland or xcb: its own lines say what fails
    if (asked.empty())
        asked = "xcb"; // Debian's Qt
    asked = asked.substr(0, asked.find(';'));
    const std::size_t colon = asked.find(':');
    sDisplayNeed need;
    need.platform = asked.substr(0, colon);
    const std::string options = colon == std::string::npos ? "" : asked.substr(colon) + ":";
    using eKind = sDisplayNeed::eKind;
    if (need.platform == "linuxfb") {
        const std::string drm = value("QT_QPA_FB_DRM");
        const std::size_t fb = options.find(":fb=");
        need.kind = eKind::Device;
        if (!drm.empty() && drm != "0")
            need.what = "/dev/dri/card0";
        else if (fb != std::string::npos)
            need.what = options.substr(fb + 4, options.find(':', fb + 1) - fb - 4);
        else
            need.what = "/dev/fb0";
    } else if (need.platform == "eglfs") {
        need.kind = eKind::Device;
        need.what = "/dev/dri/card0";
    } else if (need.platform == "xcb") {
        // ":0", ":0.0" or "unix:0" is a local server; one on a host is Qt's to find.
        const std::string display = value("DISPLAY");
        const std::size_t at = display.find(':');
        if (display.empty()) {
            need.kind = eKind::Variable;
            need.what = "DISPLAY";
        } else if (at == 0 || display.compare(0, at, "unix") == 0) {
            need.kind = eKind::Server;
            need.what = "/tmp/.X11-unix/X" + display.substr(at + 1, display.find('.', at) - at - 1);
        }
    } else if (need.platform == "wayland") {
        const std::string name =
            value("WAYLAND_DISPLAY").empty() ? std::string("wayland-0") : value("WAYLAND_DISPLAY");
        const std::string runtime = value("XDG_RUNTIME_DIR");
        need.kind = eKind::Server;
        if (name[0] == '/')
            need.what = name;
        else if (!runtime.empty())
            need.what = runtime + "/" + name;
        else {
            need.kind = eKind::Variable;
            need.what = "XDG_RUNTIME_DIR";
        }
    }
    return need;
}

std::string DisplayFault(int argc, char** argv) {
    const sDisplayNeed need = DisplayNeed(argc, argv);
    std::string missing = need.what;
    std::string reason = "not set";
    int iError = 0;
    using eKind = sDisplayNeed::eKind;
    if (need.kind == eKind::Nothing)
        return {};
    if (need.kind == eKind::Device) {
        const int fd = open(need.what.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd >= 0) {
            close(fd);
            return {};
        }
        iError = errno;
        reason = std::strerror(iError);
    } else if (need.kind == eKind::Server) {
        if (Reach(need.what))
            return {};
        reason = std::strerror(errno);
        missing = "the display server's socket " + need.what;
    }
    std::string line =
        "No display: platform " + need.platform + " needs " + missing + " (" + reason + "); ";
    if (need.kind == eKind::Variable)
        line += "set it in " BRISVEL_ENV_FILE " (DEPLOY.md)";
    else if (iError == EACCES)
        // There but not ours: on a unit without udev the node stays root's alone.
        line += "udev's rules give it to group video, which the drop-in " BRISVEL_EXAMPLES_DIR "/" +
                need.platform + ".conf adds (DEPLOY.md)";
    else if (need.platform == "linuxfb" || need.platform == "eglfs" || need.platform == "xcb")
        line +=
            "install the drop-in " BRISVEL_EXAMPLES_DIR "/" + need.platform + ".conf (DEPLOY.md)";
    else
        line += "no drop-in ships for it (DEPLOY.md)";
    line += ", or choose another QT_QPA_PLATFORM.";
    KeldError("%s", line.c_str());
    return line;
}

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

bool WaitForBusDirectory(long iSeconds) {
    timespec step{0, 100L * 1000 * 1000};
    for (long tries = iSeconds * 10; !BusDirectoryExists(); --tries) {
        if (tries <= 0) {
            KeldError("No bus directory: %s is still missing after %ld s; the unit's processes "
                      "that make it are not running, or BRISVEL_MQ_DIR names another (DEPLOY.md).",
                      BusEndpoints::MqDir(), iSeconds);
            return false;
        }
        nanosleep(&step, nullptr);
    }
    return true;
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
