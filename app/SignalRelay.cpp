#include "app/SignalRelay.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
int gPipe[2] = {-1, -1};
}

extern "C" void m_cleanup(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    if (gPipe[1] >= 0) {
        const ssize_t written = write(gPipe[1], &number, 1);
        (void)written; // nothing can be reported from inside the handler
    }
    errno = savedErrno;
}

cSignalRelay::cSignalRelay(QObject* parent) : QObject(parent) {
    if (gPipe[0] < 0 && pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    mpNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(mpNotifier, &QSocketNotifier::activated, this, &cSignalRelay::sltReadPipe);
}

cSignalRelay::~cSignalRelay() = default;

bool cSignalRelay::Watch(int iSignal) {
    if (!mpNotifier)
        return false;
    struct sigaction action {};
    action.sa_handler = m_cleanup;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(iSignal, &action, nullptr) == 0;
}

void cSignalRelay::sltReadPipe() {
    unsigned char number = 0;
    while (read(gPipe[0], &number, 1) == 1)
        emit sigSignal(number);
}
