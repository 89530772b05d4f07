// Real faults on the GUI thread, for proving a unit's watchdog and core
// collection on the app itself rather than on a stopped process
// (scripts/unit-vm.sh --checks full). Preloaded into the app, this library
// makes SIGUSR2 hold the GUI thread in a busy loop, as a hung paint would,
// or, with BRISVEL_FAULT=segv, write through a null pointer on it.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gSpins = 0;
bool gSegv = false;

void OnFault(int iSignal) {
    // The signal came to the process; the GUI thread's ID is the process's.
    if (syscall(SYS_gettid) != getpid()) {
        syscall(SYS_tgkill, getpid(), getpid(), iSignal);
        return;
    }
    if (gSegv) {
        volatile int* volatile pNowhere = nullptr;
        *pNowhere = 1;
    }
    for (;;)
        gSpins = gSpins + 1;
}

[[gnu::constructor]] void Install() {
    const char* pFault = std::getenv("BRISVEL_FAULT");
    gSegv = pFault && std::strcmp(pFault, "segv") == 0;
    struct sigaction action {};
    action.sa_handler = OnFault;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR2, &action, nullptr);
}

} // namespace
