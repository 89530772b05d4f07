#pragma once

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

// Exit statuses of the app's own start-up faults (DEPLOY.md); the service
// does not restart on them. The display's and the bus's are BSD sysexits
// codes, which systemd names (CONFIG, UNAVAILABLE).
constexpr int kExitOtherCopy = 3;
constexpr int kExitNoDisplay = 78;
constexpr int kExitNoBus = 69;

bool BusDirectoryExists();

// Waits up to iSeconds for the bus directory; false, with its error line,
// when it is still missing then.
bool WaitForBusDirectory(long iSeconds);

// What the Qt platform the app will open needs before it can draw, from the
// -platform argument, else QT_QPA_PLATFORM, else Qt's default (xcb; none
// when WAYLAND_DISPLAY is set). Of a list ("wayland;xcb") the first counts. Checked so that a
// missing display is said once, plainly, before Qt aborts on it.
struct sDisplayNeed {
    enum class eKind { Nothing, Device, Server, Variable };
    std::string platform;
    eKind kind = eKind::Nothing;
    std::string what; // the device, the server's socket ("@" abstract), the unset variable
};
sDisplayNeed DisplayNeed(int argc, char** argv,
                         const std::function<const char*(const char*)>& env = std::getenv);

// Opens the device or connects to the server DisplayNeed names. When it
// cannot, says so in one error line that names the platform, what is missing
// and the drop-in that opens it, and returns the line without its prefix.
std::string DisplayFault(int argc, char** argv);

// Faults of the bus directory that would keep every link from working,
// each said once on standard output. The app runs on regardless: the links
// connect by themselves once the directory is there.
void ReportBusDirectoryFaults();

// One copy per bus directory: a listening local socket in the abstract
// namespace, named after the directory's path, held for the life of the
// object. Nothing lives in the bus directory, which the unit's other
// processes may remove and make again; the kernel frees the name with the
// process, so a killed copy leaves nothing that blocks the next start.
class cInstanceLock {
public:
    enum class eResult { Held, OtherCopy, Unavailable };

    cInstanceLock();
    ~cInstanceLock();
    cInstanceLock(const cInstanceLock&) = delete;
    cInstanceLock& operator=(const cInstanceLock&) = delete;

    // OtherCopy: another copy holds it, and this says so with its PID.
    // Unavailable: the name cannot be had, which this says; the app runs
    // without the check.
    eResult Acquire();

    // Once the event loop exists: the connections of copies that asked are
    // taken and closed, so they never fill the queue.
    void Answer();

    // The socket's name (after the abstract namespace's leading NUL) for a
    // bus directory; a long path is named by its hash.
    static std::string Name(std::string directory);

private:
    int mFd = -1;
    std::unique_ptr<QSocketNotifier> mpAnswer;
};
