#pragma once

#include <memory>
#include <string>

class QSocketNotifier;

bool BusDirectoryExists();

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
