#include "app/ServiceNotifier.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

// How often to ping, in ms; 0 when the manager asks no pings of us. Half the
// manager's interval, less 5 %: a loop that turns a few ms late still pings
// within half of it.
int WatchdogPeriodMs() {
    const QByteArray pid = qgetenv("WATCHDOG_PID");
    if (!pid.isEmpty() && pid.toLongLong() != getpid())
        return 0;
    bool ok = false;
    const qulonglong usec = qgetenv("WATCHDOG_USEC").toULongLong(&ok);
    const qulonglong period = usec / 2000 * 95 / 100;
    return ok && period > 0 && period <= qulonglong(INT_MAX) ? int(period) : 0;
}

// The manager's socket as a sockaddr_un of the address's length; empty without one.
QByteArray NotifyAddress() {
    const QByteArray path = qgetenv("NOTIFY_SOCKET");
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) > sizeof address.sun_path ||
        (path[0] != '/' && path[0] != '@'))
        return {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    if (path[0] == '@')
        address.sun_path[0] = '\0'; // an abstract socket
    const std::size_t length = offsetof(sockaddr_un, sun_path) + std::size_t(path.size());
    return QByteArray(reinterpret_cast<const char*>(&address), int(length));
}

} // namespace

cServiceNotifier::cServiceNotifier(QObject* parent) : QObject(parent), mAddress(NotifyAddress()) {
    if (mAddress.isEmpty())
        return;
    mFd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (mFd < 0)
        return;
    if (const int period = WatchdogPeriodMs()) {
        auto* pWatchdog = new QTimer(this);
        pWatchdog->setTimerType(Qt::PreciseTimer);
        connect(pWatchdog, &QTimer::timeout, this, [this] { Send("WATCHDOG=1"); });
        pWatchdog->start(period);
    }
}

cServiceNotifier::~cServiceNotifier() {
    if (mFd >= 0)
        close(mFd);
}

void cServiceNotifier::Ready(const char* pStatus) {
    mStatus = pStatus;
    Send("READY=1\nSTATUS=" + mStatus);
}

void cServiceNotifier::Status(const QString& text) {
    const QByteArray status = text.toUtf8();
    if (status == mStatus)
        return;
    mStatus = status;
    Send("STATUS=" + mStatus);
}

void cServiceNotifier::Tell(const QByteArray& state) {
    const QByteArray address = NotifyAddress();
    const int fd = address.isEmpty() ? -1 : socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    sendto(fd, state.constData(), std::size_t(state.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(address.constData()), socklen_t(address.size()));
    close(fd);
}

void cServiceNotifier::Stopping() {
    Send("STOPPING=1");
}

void cServiceNotifier::Send(const QByteArray& state) {
    if (mFd < 0)
        return;
    // Never waits: a manager that does not read must not stall the GUI thread.
    const ssize_t sent =
        sendto(mFd, state.constData(), std::size_t(state.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
               reinterpret_cast<const sockaddr*>(mAddress.constData()), socklen_t(mAddress.size()));
    if (sent < 0 && !mbFailureSaid) {
        mbFailureSaid = true;
        KeldError("Service manager not told \"%s\": %s.", state.split('\n').value(0).constData(),
                  std::strerror(errno));
    }
}
